// Small byte-text helpers of the HTTP client (ASCII rules only: header names,
// tokens and host names are ASCII).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace duvra::http_text {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

inline std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

inline bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

inline bool EndsWithIgnoreCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

inline bool ContainsIgnoreCase(std::string_view s, std::string_view part) {
  if (part.empty()) return true;
  for (size_t i = 0; i + part.size() <= s.size(); ++i) {
    if (EqualsIgnoreCase(s.substr(i, part.size()), part)) return true;
  }
  return false;
}

// Without leading and trailing spaces and tabs.
inline std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Splits at every sep; pieces are trimmed, empty pieces kept.
inline std::vector<std::string_view> SplitTrimmed(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t from = 0;
  for (;;) {
    const size_t at = s.find(sep, from);
    parts.push_back(
        Trim(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from)));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

}  // namespace duvra::http_text
