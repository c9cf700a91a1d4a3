#include "base/text_file.h"

#include <gtest/gtest.h>

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitLines, LineEndRules) {
  EXPECT_EQ(SplitLines("", LoneCr::kLineEnd), Lines{});
  EXPECT_EQ(SplitLines("a\r\nb\r\n", LoneCr::kLineEnd), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\nb", LoneCr::kLineEnd), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\rb\r", LoneCr::kLineEnd), (Lines{"a", "b"}));
  // An empty line in the middle is an entry; the final break adds none.
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n", LoneCr::kLineEnd), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\r\n", LoneCr::kLineEnd), (Lines{""}));
  EXPECT_EQ(SplitLines("a\n\r\n", LoneCr::kLineEnd), (Lines{"a", ""}));
}

TEST(SplitLines, HeaderDropsLoneCr) {
  EXPECT_EQ(SplitLines("T1.0F^a\rb\r\nx\ny", LoneCr::kDrop), (Lines{"T1.0F^ab", "x", "y"}));
  EXPECT_EQ(SplitLines("one\r", LoneCr::kDrop), (Lines{"one"}));
}

TEST(SplitLines, KeepsEveryByteAndLongLines) {
  std::string bytes;
  for (int c = 0; c < 256; ++c) {
    if (c != '\r' && c != '\n') bytes.push_back(static_cast<char>(c));
  }
  std::string long_line(3'000'000, 'x');
  Lines lines = SplitLines(bytes + "\r\n" + long_line + "\r\n", LoneCr::kLineEnd);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], bytes);
  EXPECT_EQ(lines[1], long_line);
  EXPECT_EQ(JoinLines(lines), bytes + "\r\n" + long_line + "\r\n");
}

TEST(JoinLines, EveryLineEndsInCrLf) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({""}), "\r\n");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

}  // namespace
}  // namespace duvra
