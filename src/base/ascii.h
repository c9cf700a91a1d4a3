// ASCII letter case, letters, digits, hex digits and trimming. Only A-Z and a-z change case; every
// other byte (a code page's 0x80-0xFF, UTF-8 sequences) stays as it is,
// whatever the C locale says, so positions carry over and a Qt program
// (which sets the user's locale) compares as the batch program does.
#pragma once

#include <string>
#include <string_view>

namespace duvra {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiLetter(char c) { return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z'; }
constexpr bool IsAsciiAlnum(char c) { return IsAsciiDigit(c) || IsAsciiLetter(c); }

// The text with A-Z lowered (a-z raised); every other byte stays.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);

// Comparisons that treat A-Z as a-z.
constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}
constexpr bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}
constexpr bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}
bool ContainsIgnoreCase(std::string_view text, std::string_view part);
// Byte order of the lowered texts: "B" sorts after "a", and "_" (0x5F)
// after every letter.
bool LessIgnoreCase(std::string_view a, std::string_view b);

// The value of a hex digit (0-9, a-f, A-F), or -1.
constexpr int AsciiHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = AsciiLower(c);
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// s without its leading and trailing bytes for which is_blank holds; each
// reader passes its own set of blanks.
template <typename BlankTest>
constexpr std::string_view TrimIf(std::string_view s, BlankTest is_blank) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace duvra
