// CSV as the import reads it and the export writes it. Reading takes both
// ways of writing a qualifier inside an enclosed field: doubled (RFC 4180, as
// spreadsheets and this program's export write it) and as it stands (as
// simpler exporters write it), with a chosen delimiter and qualifier (either
// may be longer than one character; an empty qualifier means fields are
// never enclosed). Writing always encloses every field in double quotes and
// doubles the quotes inside.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace duvra {

// A CSV record whose text (without its final line break) is shorter than
// this is skipped: it catches empty and stray lines.
inline constexpr size_t kMinImportLineLength = 6;

// Turns CSV text into record lines "0^" + fields joined by "^", in file
// order, taking the fields as Title, URL, Text, Keywords, New Window
// whatever their number. Inside an enclosed field the delimiter and line
// breaks are text. A field that reads whole in the doubled form reads by it.
// Otherwise a qualifier ends the field only where the delimiter, a line end
// or the end of the data follows it (after optional spaces), any other
// qualifier is text, and a doubled one stands for one. So "Size 12" screen"
// reads as Size 12" screen. An unenclosed field ends at the delimiter or the
// line end. A "^" or a line break inside a field becomes a space. A UTF-8
// byte-order mark at the start is ignored.
std::vector<std::string> CsvRecordLines(std::string_view data, std::string_view delimiter,
                                        std::string_view qualifier);

// The CSV line of one record line, without its line break: every field after
// Num in double quotes, quotes inside doubled, joined by commas. A line
// without "^" is written as one field, its Title.
std::string CsvLine(std::string_view record_line);

}  // namespace duvra
