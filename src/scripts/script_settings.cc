#include "scripts/script_settings.h"

#include <charconv>

namespace duvra {

ScriptSettings SplitScriptSettings(std::string_view line) {
  std::string_view rest = line;
  std::string_view fields[5];
  for (std::string_view& f : fields) {
    size_t caret = rest.find('^');
    if (caret == std::string_view::npos) continue;  // empty field, rest unchanged
    f = rest.substr(0, caret);
    rest.remove_prefix(caret + 1);
  }
  ScriptSettings s;
  s.folder.assign(fields[0]);
  s.location.assign(fields[1]);
  s.return_index = ReturnIndexFromField(fields[2]);
  s.include_num = fields[3] == "1";
  s.bold = fields[4] == "1";
  s.include_url = rest == "1";
  return s;
}

std::string BuildScriptSettingsLine(const ScriptSettings& s) {
  std::string line = s.folder;
  line.append("^").append(s.location).append("^");
  line.append(std::to_string(s.return_index >= 0 && s.return_index < int(kReturnChoices.size())
                                 ? s.return_index
                                 : kFallbackReturnIndex));
  line.append(s.include_num ? "^1" : "^0");
  line.append(s.bold ? "^1" : "^0");
  line.append(s.include_url ? "^1" : "^0");
  return line;
}

int ReturnIndexFromField(std::string_view field) {
  int value = 0;
  auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (field.empty() || ec != std::errc() || end != field.data() + field.size()) {
    return kFallbackReturnIndex;
  }
  if (value < 0 || value >= int(kReturnChoices.size())) return kFallbackReturnIndex;
  return value;
}

int ReturnResults(int return_index) {
  if (return_index < 0 || return_index >= int(kReturnChoices.size())) {
    return_index = kFallbackReturnIndex;
  }
  return kReturnChoices[size_t(return_index)];
}

}  // namespace duvra
