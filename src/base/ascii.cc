#include "base/ascii.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace duvra {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  // Eight bytes at a time (page texts run to megabytes): a byte's high bit
  // marks it as A-Z after the two additions (no carry leaves a byte), and
  // becomes its 0x20.
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x80 * kOnes, kLow7 = 0x7f * kOnes;
  size_t i = 0;
  for (; i + 8 <= out.size(); i += 8) {
    uint64_t x;
    std::memcpy(&x, out.data() + i, 8);
    const uint64_t low = x & kLow7;
    const uint64_t at_least_a = low + (0x80 - 'A') * kOnes;
    const uint64_t above_z = low + (0x80 - 'Z' - 1) * kOnes;
    const uint64_t upper = at_least_a & ~above_z & ~x & kHigh;
    x |= upper >> 2;
    std::memcpy(out.data() + i, &x, 8);
  }
  for (; i < out.size(); ++i) out[i] = AsciiLower(out[i]);
  return out;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (EqualsIgnoreCase(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

bool LessIgnoreCase(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
  });
}

}  // namespace duvra
