// Small byte-text helpers of the HTTP client (ASCII rules only: header names,
// tokens and host names are ASCII; letter case is base/ascii.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"

namespace duvra::http_text {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Without leading and trailing spaces and tabs.
inline std::string_view Trim(std::string_view s) { return TrimIf(s, IsBlank); }

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
