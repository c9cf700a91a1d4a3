// The header's two lines as read from a ".duv" file: the settings line and
// the script settings line. Neither parse refuses anything, so the
// properties are about stability: what a parse gives, composed and parsed
// again, gives the same fields, and the composed line stays the same on a
// second round.
#include <algorithm>

#include "database/db_files.h"
#include "fuzz_support.h"
#include "scripts/script_settings.h"

namespace duvra {
namespace {

void CheckSettingsLine(std::string_view line) {
  const DbSettings first = ParseSettingsLine(line);
  for (const std::string* field :
       {&first.database_name, &first.site_address, &first.create_keywords, &first.user_agent,
        &first.timeout_index}) {
    FUZZ_CHECK(field->find('^') == std::string::npos);
  }
  const std::string composed = ComposeSettingsLine(first);
  FUZZ_CHECK(composed.rfind(std::string(kVersionTag) + "^", 0) == 0);
  const DbSettings second = ParseSettingsLine(composed);
  FUZZ_CHECK(second == first);
  FUZZ_CHECK(ComposeSettingsLine(second) == composed);
  // A line with all its separators loses nothing but its tag.
  const size_t caret = line.find('^');
  if (caret != std::string_view::npos) {
    const std::string_view after_tag = line.substr(caret + 1);
    if (std::count(after_tag.begin(), after_tag.end(), '^') >= 5) {
      FUZZ_CHECK(std::string_view(composed).substr(kVersionTag.size() + 1) == after_tag);
    }
  }
}

void CheckScriptSettingsLine(std::string_view line) {
  const ScriptSettings first = SplitScriptSettings(line);
  FUZZ_CHECK(first.return_index >= 0 &&
             first.return_index < static_cast<int>(kReturnChoices.size()));
  FUZZ_CHECK(first.folder.find('^') == std::string::npos);
  FUZZ_CHECK(first.location.find('^') == std::string::npos);
  const std::string built = BuildScriptSettingsLine(first);
  const ScriptSettings second = SplitScriptSettings(built);
  FUZZ_CHECK(second == first);
  FUZZ_CHECK(BuildScriptSettingsLine(second) == built);
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  duvra::CheckSettingsLine(line);
  duvra::CheckScriptSettingsLine(line);
  return 0;
}
