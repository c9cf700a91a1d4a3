#include "scripts/script_text.h"

#include "database/text_file.h"

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
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    switch (c) {
      case '\\':
        out.append("\\\\");
        break;
      case '"':
        out.append("\\\"");
        break;
      case '\r':
        out.append("\\x0D");
        break;
      case '\n':
        out.append("\\x0A");
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string DataLine(size_t index, std::string_view record_line) {
  size_t caret = record_line.find('^');
  std::string_view rest =
      caret == std::string_view::npos ? record_line : record_line.substr(caret + 1);
  std::string line = "s[";
  line.append(std::to_string(index)).append("] = \"");
  line.append(EscapeScriptString(rest)).append("\";");
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

}  // namespace duvra
