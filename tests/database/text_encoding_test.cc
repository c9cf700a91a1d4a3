#include "database/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <random>
#include <string>

namespace duvra {
namespace {

// What the C library's converter makes of `bytes`, or nullopt when it
// refuses them.
std::optional<std::string> Iconv(const char* from, std::string_view bytes,
                                 const char* to = "UTF-8") {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(bytes);
  std::string out(in.size() * 4 + 4, '\0');
  char* in_ptr = in.data();
  char* out_ptr = out.data();
  size_t in_left = in.size();
  size_t out_left = out.size();
  const size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

TEST(TextEncoding, Windows1252AgreesWithTheCLibraryOnEveryDefinedByte) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const auto expected = Iconv("CP1252", byte);
    if (!expected) {
      // The five undefined bytes: browsers show the C1 control of that value.
      EXPECT_EQ(Windows1252CodePoint(static_cast<unsigned char>(b)), static_cast<char32_t>(b));
      continue;
    }
    EXPECT_EQ(Windows1252ToUtf8(byte), *expected) << "byte " << b;
  }
}

TEST(TextEncoding, EveryCodePointRoundTripsThroughUtf8) {
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string text;
    AppendUtf8(text, cp);
    std::size_t pos = 0;
    ASSERT_EQ(NextCodePoint(text, pos), cp);
    ASSERT_EQ(pos, text.size());
    ASSERT_TRUE(IsValidUtf8(text));
  }
}

TEST(TextEncoding, ValidityAgreesWithTheCLibraryOnRandomBytes) {
  std::mt19937 rng(7);
  // Bytes biased towards the lead and continuation ranges, where the
  // boundary cases (overlongs, surrogates, truncation) live.
  const unsigned char alphabet[] = {'a',  0x80, 0x8F, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                    0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0x00, 0x7F};
  for (int i = 0; i < 200000; ++i) {
    std::string text(rng() % 6, '\0');
    for (auto& c : text) c = static_cast<char>(alphabet[rng() % sizeof alphabet]);
    const bool valid = IsValidUtf8(text);
    // UTF-32 as the target, since the C library reads UTF-8 beyond U+10FFFF
    // but cannot write such values in UTF-32.
    EXPECT_EQ(valid, Iconv("UTF-8", text, "UTF-32LE").has_value()) << testing::PrintToString(text);
    // Invalid text is read as windows-1252; valid text is left alone.
    EXPECT_EQ(ToUtf8(text), valid ? text : Windows1252ToUtf8(text));
    EXPECT_TRUE(IsValidUtf8(ToUtf8(text)));
  }
}

TEST(TextEncoding, MixedFieldsAreDecodedByTheirOwnForm) {
  EXPECT_EQ(ToUtf8("What\x92s New"), "What\xE2\x80\x99s New");
  EXPECT_EQ(ToUtf8("Gr\xC3\xB6\xC3\x9F"
                   "e"),
            "Gr\xC3\xB6\xC3\x9F"
            "e");
  EXPECT_EQ(ToUtf8("\x80 5"), "\xE2\x82\xAC 5");
}

}  // namespace
}  // namespace duvra
