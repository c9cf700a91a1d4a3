// Record lines: Num^Title^URL^Text^Keywords^NewWindow, fields joined by "^"
// and never escaped.
#pragma once

#include <string>
#include <string_view>

namespace duvra {

inline constexpr char kFieldSeparator = '^';

// Makes text safe to stand as one field of a record line or a settings line:
// every "^", CR and LF becomes a space, so the line keeps its field count.
std::string SafeField(std::string_view text);

struct RecordFields {
  std::string num, title, url, text, keywords, new_window;
};

// Splits at the first five "^": the sixth field keeps any further "^".
// Missing fields are empty.
RecordFields SplitRecordLine(std::string_view line);

// Joins the six fields as they are (callers make them safe first).
std::string JoinRecordLine(const RecordFields& f);

}  // namespace duvra
