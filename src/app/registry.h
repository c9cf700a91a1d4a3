// The user settings that the program keeps as string values under two roots.
// On Windows they live in the registry under the very keys named here;
// elsewhere each root is an INI file in the user's configuration folder, so
// that the values kept for the whole machine stay writable for the user.
#pragma once

#include <QString>
#include <string>

namespace duvra {

enum class RegistryRoot { kLocalMachine, kCurrentUser };

inline constexpr char kDuvraKey[] = "SOFTWARE\\Duvra";
inline constexpr char kCustomiseKey[] = "SOFTWARE\\Duvra\\Customise";
inline constexpr char kMruKey[] = "Software\\Duvra\\MRU";

// Reads a string value without creating anything; an absent key or value
// reads as "".
std::string ReadRegistryValue(RegistryRoot root, const std::string& key, const std::string& name);
// Writes a string value, creating the key when missing. A key that cannot be
// opened for writing is skipped silently.
void WriteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                        const std::string& value);
// Removes a value; absent values and unwritable keys are no error.
void DeleteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name);

// The folder of the INI files: the override when one is set, else "duvra"
// in the user's configuration folder. Unused on Windows.
QString RegistryFolder();
// Points the settings at another folder (tests); an empty folder restores
// the default.
void SetRegistryFolder(const QString& folder);

}  // namespace duvra
