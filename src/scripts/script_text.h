// The text of the three generated scripts: the header of script properties
// in front of each search script, the template body copied line by line, and
// the data script that holds the records as JavaScript strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scripts/script_settings.h"

namespace duvra {

inline constexpr std::string_view kScriptVersionLine = "// Duvra 1.51";
inline constexpr std::string_view kPropertiesLine = "// ---------- script properties ----------";
inline constexpr std::string_view kDataScriptFirstLine = "var s = new Array();";

// The seven lines that open both search scripts; the location stands in a
// double-quoted string, escaped as EscapeScriptString does.
std::vector<std::string> FormHeaderLines(std::string_view location);

// The form script's seven lines followed by return_results, include_num,
// bold_query and include_url.
std::vector<std::string> SearchHeaderLines(const ScriptSettings& s);

// The lines of a template file as they are copied: reading stops at the
// first NUL byte, lines end at CR LF, a lone CR or a lone LF, and a break at
// the very end adds no empty line. Nothing inside a line is changed.
std::vector<std::string> TemplateLines(std::string_view file_data);

// Text made safe to stand between double quotes in a script, in ASCII only,
// so that the page that loads it may declare any character set: the text is
// read as UTF-8 when it is valid UTF-8 and as windows-1252 otherwise (ToUtf8);
// "\" becomes "\\", a double quote "\"", CR "\x0D", LF "\x0A", other
// control characters and every character above ASCII "\uXXXX" (a surrogate
// pair above U+FFFF). The import of data files reads all of these back.
std::string EscapeScriptString(std::string_view text);

// One data line: s[index] = "R"; where R is the record line without its
// first field and the "^" after it (a line without "^" is taken whole),
// escaped for the string field by field, so that a record edited in the
// window (UTF-8) and indexed from a windows-1252 page shows both fields right.
std::string DataLine(size_t index, std::string_view record_line);

// A record line's fields after its Num (all of it when it has no "^").
std::string_view RecordAfterNum(std::string_view record_line);

// The whole data script: the array line, an empty line and one data line per
// record, in list order, every line ended by CR LF.
std::string DataScriptText(const std::vector<std::string>& record_lines);

// The site's excluded words for the search, beside the data script:
//   var duv_words = [
//   "from",
//   ...
//   ];
// each word escaped as EscapeScriptString does, every line ended by CR LF.
std::string WordsScriptText(const std::vector<std::string>& excluded_words);

}  // namespace duvra
