// The header file's third line: settings added after the two fixed lines,
// written as name=value pairs joined by "^". A reader that knows only two
// lines never sees it; a missing line or name means the setting is off.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace duvra {

enum class SettingKind { kFlag, kNumber, kText };

// One known setting. `absent` is its value when the header does not name it
// (so an older database behaves as before); `fresh` is what New writes.
struct SettingInfo {
  std::string_view name;
  SettingKind kind;
  std::string_view absent;
  std::string_view fresh;
  std::string_view label;  // shown by the Options dialog and duvra-cli
};

// Adding a setting is one entry here.
inline constexpr SettingInfo kExtraSettings[] = {
    {"robots", SettingKind::kFlag, "0", "1", "Obey robots.txt and robots meta tags"},
    {"visibletext", SettingKind::kFlag, "0", "1", "Keywords from visible text only"},
    {"openingtext", SettingKind::kFlag, "0", "1",
     "Text from the opening words when no description"},
    {"plainlinks", SettingKind::kFlag, "0", "1", "Follow addresses without an extension"},
    {"maxwords", SettingKind::kNumber, "255", "1000", "Most keywords per page"},
    {"onepage", SettingKind::kFlag, "0", "1", "One record per page (index pages, canonical links)"},
};

const SettingInfo* FindSetting(std::string_view name);

// The pairs in file order. Names this build does not know are kept, so a
// newer program's settings survive a rewrite by this one.
class ExtraSettings {
 public:
  // Every known setting at its value for a new database.
  static ExtraSettings Fresh();
  // Never fails: a part without "=" is kept as a name with an empty value.
  static ExtraSettings Parse(std::string_view line);
  // Empty when no pair is held, so a header without the line stays two lines.
  std::string Compose() const;

  // The stored value, or the known setting's `absent` value, or "".
  std::string Get(std::string_view name) const;
  bool Flag(std::string_view name) const { return Get(name) == "1"; }
  // The value as a whole number >= 0; `fallback` when it is not one.
  long Number(std::string_view name, long fallback) const;

  // False (and nothing changes) when the value cannot be stored: it holds
  // "^" or a line break, or a known flag or number gets a value of another
  // kind. A name holding "=" or "^" is refused the same way.
  bool Set(std::string_view name, std::string_view value);

  const std::vector<std::pair<std::string, std::string>>& pairs() const { return pairs_; }
  bool operator==(const ExtraSettings&) const = default;

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace duvra
