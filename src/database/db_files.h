// The open database state and the four-file set that mirrors it on disk:
// base name + ".duv" (header), ".dat" (records), ".wod" (excluded words),
// ".pag" (excluded pages), all in one folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/seconds.h"
#include "base/status.h"
#include "database/extra_settings.h"
#include "database/file_system.h"
#include "database/record_list.h"

namespace duvra {

inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kVersionTag = "T1.0F";
inline constexpr std::string_view kDefaultUserAgent =
    "DuvraBot/1.0 (webmaster@duvra.example; https://duvra.example/bot)";
inline constexpr std::string_view kDefaultScriptSettings = "^results.html^0^0^0^1";

// Failure texts, filled with FormatMessage.
inline constexpr std::string_view kCannotOpenFile = "Cannot open file \"%s\". %s";
inline constexpr std::string_view kCannotCreateFile = "Cannot create file \"%s\". %s";
inline constexpr std::string_view kFileNotFound = "File not found";
inline constexpr std::string_view kHeaderWriteError = "I/O error %s: %s";

// The six fields of the settings line, held as the very text of the file.
struct DbSettings {
  std::string database_name;
  std::string site_address;
  std::string create_keywords = "1";
  std::string user_agent = std::string(kDefaultUserAgent);
  std::string timeout_index = std::to_string(kDefaultTimeoutItem);
  std::string delay_index = std::to_string(kDefaultDelayItem);

  bool operator==(const DbSettings&) const = default;
};

// The open database state, owned by the main window for the whole run.
struct Database {
  bool open = false;
  bool dirty = false;
  std::string folder;     // always ends in kPathSeparator while open
  std::string base_name;  // shared by the four files, without extension
  DbSettings settings;
  std::string settings_line;         // line 1 of the header, as last read or composed
  std::string script_settings_line;  // line 2 of the header, kept whole
  ExtraSettings extra;               // line 3 of the header, when it has one
  RecordList records;
  std::vector<std::string> excluded_words;
  std::vector<std::string> excluded_pages;

  // folder + base name + extension (".duv", ".dat", ".wod", ".pag").
  std::string MemberPath(std::string_view extension) const;
  std::string HeaderPath() const { return MemberPath(".duv"); }
};

std::string ComposeSettingsLine(const DbSettings& s);
// Never fails: a short or malformed line gives empty or shifted fields.
DbSettings ParseSettingsLine(std::string_view line);

// Composes the settings line from the fields, keeps it, writes the ".duv"
// (with a third line only when extra settings are held).
Status WriteHeader(Database& db, FileSystem& fs = DefaultFileSystem());

// Writes all four files (each replaced whole, see file_writer.h) and clears
// the dirty flag. On failure the files written before stay written, the
// failing one keeps its old content, and the dirty flag stays set.
Status SaveDatabase(Database& db, FileSystem& fs = DefaultFileSystem());

// Fills the state from the four files (folder and base name already set),
// after removing the temporary files an interrupted save left beside them.
// On failure the database is left closed and empty, never half-loaded.
// Selecting the first record and the window refresh are the caller's.
Status LoadDatabase(Database& db, FileSystem& fs = DefaultFileSystem());

// Returns the database to the closed, empty state.
void CloseState(Database& db);

// Sets up a new database's defaults (every extra setting at its New value) from a path chosen in a
// dialog, reading the excluded words from keywords_path. On failure db is unchanged.
Status FreshState(Database& db, const std::string& chosen_path, const std::string& keywords_path);

// Naming rules. The folder of a path, ending with the separator.
std::string FolderOf(const std::string& path);
// Path from the New, Save As or Open dialog: an exact ".duv" ending is cut.
std::string BaseNameFromDialogPath(const std::string& path);
// Path from the recent files or the Start dialog: the last four characters
// are cut, whatever they are.
std::string BaseNameFromHeaderPath(const std::string& path);

// Writes a list file whole (see file_writer.h); fails with the
// "Cannot create file" message.
Status WriteListFile(const std::string& path, const std::vector<std::string>& lines,
                     FileSystem& fs = DefaultFileSystem());

// Reads a whole file into *data; a failure says kCannotOpenFile with the
// system's reason.
Status ReadFileText(const std::string& path, std::string* data);
// kCannotOpenFile for path and an errno value.
Status CannotOpenFile(const std::string& path, int error_code);

// Reads a list file (.dat, .wod, .pag or keywords.dat); a lone CR ends a line.
Status ReadListFile(const std::string& path, std::vector<std::string>* lines);

}  // namespace duvra
