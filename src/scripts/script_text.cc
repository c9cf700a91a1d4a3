#include "scripts/script_text.h"

#include "base/text_file.h"
#include "database/text_encoding.h"

namespace duvra {
namespace {

std::string_view Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::vector<std::string> FormHeaderLines(std::string_view location) {
  std::string location_line = "var results_location = \"";
  location_line.append(EscapeScriptString(location)).append("\";");
  return {
      std::string(kScriptVersionLine), "", "", std::string(kPropertiesLine), "", "", location_line};
}

std::vector<std::string> SearchHeaderLines(const ScriptSettings& s) {
  std::vector<std::string> lines = FormHeaderLines(s.location);
  lines.push_back("var return_results = " + std::to_string(ReturnResults(s.return_index)) + ";");
  lines.push_back("var include_num = " + std::string(Flag(s.include_num)) + ";");
  lines.push_back("var bold_query = " + std::string(Flag(s.bold)) + ";");
  lines.push_back("var include_url = " + std::string(Flag(s.include_url)) + ";");
  return lines;
}

std::vector<std::string> TemplateLines(std::string_view file_data) {
  if (size_t nul = file_data.find('\0'); nul != std::string_view::npos) {
    file_data = file_data.substr(0, nul);
  }
  return SplitLines(file_data, LoneCr::kLineEnd);
}

std::string EscapeScriptString(std::string_view text) {
  const std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 8);
  auto append_unit = [&out](unsigned unit) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.append("\\u");
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
  };
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t cp = NextCodePoint(utf8, pos);
    switch (cp) {
      case U'\\':
        out.append("\\\\");
        break;
      case U'"':
        out.append("\\\"");
        break;
      case U'\r':
        out.append("\\x0D");
        break;
      case U'\n':
        out.append("\\x0A");
        break;
      default:
        if (cp >= 0x20 && cp < 0x7F) {
          out.push_back(static_cast<char>(cp));
        } else if (cp < 0x10000) {
          append_unit(static_cast<unsigned>(cp));
        } else {
          cp -= 0x10000;
          append_unit(0xD800 + static_cast<unsigned>(cp >> 10));
          append_unit(0xDC00 + static_cast<unsigned>(cp & 0x3FF));
        }
    }
  }
  return out;
}

std::string_view RecordAfterNum(std::string_view record_line) {
  const size_t caret = record_line.find('^');
  return caret == std::string_view::npos ? record_line : record_line.substr(caret + 1);
}

std::string DataLine(size_t index, std::string_view record_line) {
  const std::string_view rest = RecordAfterNum(record_line);
  std::string line = "s[";
  line.append(std::to_string(index)).append("] = \"");
  for (size_t from = 0;;) {
    size_t to = rest.find('^', from);
    line.append(EscapeScriptString(rest.substr(from, to - from)));
    if (to == std::string_view::npos) break;
    line.push_back('^');
    from = to + 1;
  }
  line.append("\";");
  return line;
}

std::string DataScriptText(const std::vector<std::string>& record_lines) {
  size_t total = kDataScriptFirstLine.size() + 4;
  for (const auto& r : record_lines) total += r.size() + 20;
  std::string out;
  out.reserve(total);
  out.append(kDataScriptFirstLine).append("\r\n\r\n");
  for (size_t i = 0; i < record_lines.size(); ++i) {
    out.append(DataLine(i, record_lines[i])).append("\r\n");
  }
  return out;
}

std::string WordsScriptText(const std::vector<std::string>& excluded_words) {
  std::string out = "var duv_words = [\r\n";
  for (size_t i = 0; i < excluded_words.size(); ++i) {
    out.append("\"").append(EscapeScriptString(excluded_words[i])).append("\"");
    out.append(i + 1 < excluded_words.size() ? ",\r\n" : "\r\n");
  }
  out.append("];\r\n");
  return out;
}

}  // namespace duvra
