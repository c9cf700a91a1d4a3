// Shared by the fuzz targets: property checks that stop the run with the
// failed condition, and a reader that takes one fuzz input apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace duvra::fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
  std::abort();
}

// A property of every input; a failure aborts, which libFuzzer and the
// corpus replay both report with the input that caused it.
#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) ::duvra::fuzz::Fail(#condition, __FILE__, __LINE__); \
  } while (0)

// Takes an input apart from the front: single control bytes, then parts
// ended by a separator byte, then the rest.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next byte, or 0 when none is left.
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const uint8_t b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }

  // The text up to the next separator (which is consumed), or all the rest.
  std::string_view Part(char separator = '\0') {
    const size_t at = rest_.find(separator);
    const std::string_view part = rest_.substr(0, at);
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return part;
  }

  bool empty() const { return rest_.empty(); }

  std::string_view Rest() {
    const std::string_view all = rest_;
    rest_ = {};
    return all;
  }

 private:
  std::string_view rest_;
};

// Text without CR and LF, as a record field or a list entry holds it.
inline std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

}  // namespace duvra::fuzz
