// The text form shared by all database files: lines ended by CR LF when
// written; LF (and, for some readers, a lone CR) accepted when read. Text is
// bytes: nothing is converted between code pages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace duvra {

// What a reader does with a CR that is not followed by LF.
enum class LoneCr {
  kLineEnd,  // .dat, .wod, .pag and most other lists
  kDrop,     // .duv: the character vanishes from the line
};

// Splits file contents into lines. A line break at the very end adds no
// entry; an empty line elsewhere is an empty entry; "" gives no lines.
std::vector<std::string> SplitLines(std::string_view data, LoneCr lone_cr);

// Every line followed by CR LF; no lines give "".
std::string JoinLines(const std::vector<std::string>& lines);

// Reads a whole file. On failure returns false and sets *error_code (errno).
bool ReadWholeFile(const std::string& path, std::string* out, int* error_code);

// The system's text for an errno value.
std::string SystemReason(int error_code);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace duvra
