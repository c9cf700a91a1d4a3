// The line rules of the text files read one byte at a time, as the fuzz
// targets check the fast splitting against: CR LF and LF end a line, a lone
// CR ends one too or is dropped, and a line begun at the very end counts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text_file.h"

namespace duvra::fuzz {

inline std::vector<std::string> ReferenceLines(std::string_view data, LoneCr lone_cr) {
  std::vector<std::string> lines;
  std::string current;
  bool begun = false;
  for (size_t i = 0; i < data.size(); ++i) {
    const char c = data[i];
    const bool crlf = c == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
    if (c == '\n' || crlf || (c == '\r' && lone_cr == LoneCr::kLineEnd)) {
      lines.push_back(current);
      current.clear();
      begun = false;
      if (crlf) ++i;
    } else if (c == '\r') {
      begun = true;  // dropped, but the line has begun
    } else {
      current.push_back(c);
      begun = true;
    }
  }
  if (begun) lines.push_back(current);
  return lines;
}

}  // namespace duvra::fuzz
