#include "base/whole_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace duvra {
namespace {

TEST(WholeNumber, EdgeTable) {
  struct Case {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"0", 0},
      {"-0", 0},
      {"+0", 0},
      {"007", 7},
      {"+4", 4},
      {"-3", -3},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int>::min()},
      {"0000000000002147483647", 2147483647},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"--1", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"1\n", std::nullopt},
      {"1.5", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {"\xEF\xBC\x91", std::nullopt},  // a full-width digit one
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseWholeNumber(c.text), c.value) << c.text;
    int out = 12345;
    EXPECT_EQ(ParseWholeNumber(c.text, &out), c.value.has_value()) << c.text;
    EXPECT_EQ(out, c.value.value_or(12345)) << c.text;  // untouched on refusal
  }
}

// Any 64-bit value written in decimal (with or without "+", with leading
// zeros) reads back exactly when it fits an int, and is refused otherwise.
TEST(WholeNumber, DecimalTextRoundTripsWithinIntAndIsRefusedOutside) {
  std::mt19937_64 rng(18);
  constexpr int64_t kMin = std::numeric_limits<int>::min();
  constexpr int64_t kMax = std::numeric_limits<int>::max();
  std::uniform_int_distribution<int64_t> near(-4, 4);
  std::uniform_int_distribution<int> shift(0, 62);
  for (int round = 0; round < 20000; ++round) {
    int64_t v;
    switch (round % 3) {
      case 0:
        v = (round % 2 ? kMax : kMin) + near(rng);
        break;
      case 1:
        v = static_cast<int64_t>(rng() >> shift(rng)) * (round % 2 ? 1 : -1);
        break;
      default:
        v = static_cast<int64_t>(rng());
        break;
    }
    std::string text = std::to_string(v);
    if (v >= 0 && round % 4 == 0) text.insert(0, "+");
    if (round % 5 == 0) text.insert(text.find_first_of("0123456789"), "00");
    const std::optional<int> parsed = ParseWholeNumber(text);
    if (v >= kMin && v <= kMax) {
      ASSERT_EQ(parsed, static_cast<int>(v)) << text;
    } else {
      ASSERT_EQ(parsed, std::nullopt) << text;
    }
  }
}

}  // namespace
}  // namespace duvra
