// The one reading of a whole number stored or typed as text: settings
// indices, the Num box, command-line values.
#pragma once

#include <optional>
#include <string_view>

namespace duvra {

// An optional "+" or "-", then one or more ASCII digits 0-9, and nothing
// else: no spaces, no other signs, no hex or decimal point. A value that
// does not fit an int is refused rather than cut. Leading zeros are fine
// ("007" is 7, "-0" is 0).
std::optional<int> ParseWholeNumber(std::string_view text);

// The same rule; stores the value and returns true, or returns false and
// leaves *value alone.
inline bool ParseWholeNumber(std::string_view text, int* value) {
  const std::optional<int> parsed = ParseWholeNumber(text);
  if (parsed) *value = *parsed;
  return parsed.has_value();
}

}  // namespace duvra
