// The script settings line: line 2 of the database header, six fields joined
// by "^" (scripts folder, results location, return index, include number,
// bold, include URL). Only the Create dialog splits and rebuilds it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace duvra {

// Results per page for return index 0, 1 and 2.
inline constexpr std::array<int, 3> kReturnChoices = {10, 20, 30};
inline constexpr int kFallbackReturnIndex = 0;

struct ScriptSettings {
  std::string folder;                       // where the scripts are written, as typed
  std::string location;                     // address of the results page
  int return_index = kFallbackReturnIndex;  // always 0..2
  bool include_num = false;
  bool bold = false;
  bool include_url = true;

  bool operator==(const ScriptSettings&) const = default;
};

// Splits the line the way the settings line is parsed: each of fields 1 to 5
// takes the text before the next "^" (empty, with nothing consumed, when no
// "^" is left) and field 6 takes the rest. A flag is on only when its field
// is exactly "1". A return index that is not a number or lies outside 0..2
// counts as 0.
ScriptSettings SplitScriptSettings(std::string_view line);

// folder^location^index^num^bold^url with the flags as "1" or "0".
std::string BuildScriptSettingsLine(const ScriptSettings& s);

// The return index that a field's text stands for, kFallbackReturnIndex
// unless it is exactly a decimal number from 0 to 2.
int ReturnIndexFromField(std::string_view field);

// 10, 20 or 30; an index outside 0..2 gives the fallback's count.
int ReturnResults(int return_index);

}  // namespace duvra
