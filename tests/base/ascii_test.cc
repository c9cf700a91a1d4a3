#include "base/ascii.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <random>
#include <string>

namespace duvra {
namespace {

// The "C" locale's answer for every byte is the contract; a program that
// has set the user's locale must still get it.
TEST(Ascii, EveryByteCasesAsTheCLocale) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    EXPECT_EQ(static_cast<unsigned char>(AsciiLower(c)), std::tolower(b)) << b;
    EXPECT_EQ(static_cast<unsigned char>(AsciiUpper(c)), std::toupper(b)) << b;
    EXPECT_EQ(IsAsciiDigit(c), std::isdigit(b) != 0) << b;
    EXPECT_EQ(IsAsciiLetter(c), std::isalpha(b) != 0) << b;
    EXPECT_EQ(IsAsciiAlnum(c), std::isalnum(b) != 0) << b;
    const std::string one(1, c);
    EXPECT_EQ(LowerAscii(one), std::string(1, static_cast<char>(std::tolower(b)))) << b;
    EXPECT_EQ(UpperAscii(one), std::string(1, static_cast<char>(std::toupper(b)))) << b;
    const char digits[] = {c, '\0'};
    char* end = nullptr;
    const long hex = std::strtol(digits, &end, 16);
    EXPECT_EQ(AsciiHexValue(c), std::isxdigit(b) && end == digits + 1 ? hex : -1) << b;
  }
}

// The eight-bytes-at-a-time path against the byte rule, at every length and
// alignment, with bytes from the whole range (0x80-0xFF next to A-Z is where
// a carry between lanes would show).
TEST(Ascii, LowerAsciiMatchesTheByteRuleOnRandomText) {
  std::mt19937 rng(18);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string text(static_cast<size_t>(round % 41), '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    std::string expected = text;
    for (char& c : expected) c = AsciiLower(c);
    const size_t skip = static_cast<size_t>(round % 3);
    ASSERT_EQ(LowerAscii(text), expected);
    ASSERT_EQ(LowerAscii(std::string_view(text).substr(std::min(skip, text.size()))),
              expected.substr(std::min(skip, expected.size())));
  }
}

TEST(Ascii, ComparisonsAgreeWithComparingLoweredText) {
  std::mt19937 rng(7);
  const std::string alphabet = "aAbBzZ@[`{_\x80\xC3\xA9";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), len(0, 5);
  auto random_text = [&] {
    std::string s(len(rng), ' ');
    for (char& c : s) c = alphabet[pick(rng)];
    return s;
  };
  for (int round = 0; round < 5000; ++round) {
    const std::string a = random_text(), b = random_text();
    const std::string la = LowerAscii(a), lb = LowerAscii(b);
    ASSERT_EQ(EqualsIgnoreCase(a, b), la == lb) << a << " " << b;
    ASSERT_EQ(LessIgnoreCase(a, b), la < lb) << a << " " << b;  // std::string compares unsigned
    ASSERT_EQ(StartsWithIgnoreCase(a, b), la.starts_with(lb)) << a << " " << b;
    ASSERT_EQ(EndsWithIgnoreCase(a, b), la.ends_with(lb)) << a << " " << b;
    ASSERT_EQ(ContainsIgnoreCase(a, b), la.find(lb) != std::string::npos) << a << " " << b;
  }
}

}  // namespace
}  // namespace duvra
