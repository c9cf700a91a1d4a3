#include "scripts/script_settings.h"

#include <gtest/gtest.h>

namespace duvra {
namespace {

TEST(ScriptSettings, SplitsTheNewDatabaseLine) {
  ScriptSettings s = SplitScriptSettings("^results.html^0^0^0^1");
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.location, "results.html");
  EXPECT_EQ(s.return_index, 0);
  EXPECT_FALSE(s.include_num);
  EXPECT_FALSE(s.bold);
  EXPECT_TRUE(s.include_url);
}

TEST(ScriptSettings, BuildAndSplitRoundTrip) {
  for (const char* line : {"/srv/site^find.html^2^1^1^0", "C:\\web^r.htm^1^0^1^1",
                           "^results.html^0^0^0^1", "ab^cd^0^1^0^0"}) {
    EXPECT_EQ(BuildScriptSettingsLine(SplitScriptSettings(line)), line);
  }
}

TEST(ScriptSettings, FlagIsOnOnlyWhenExactlyOne) {
  ScriptSettings s = SplitScriptSettings("f^l^1^ 1^yes^1 ");
  EXPECT_FALSE(s.include_num);
  EXPECT_FALSE(s.bold);
  EXPECT_FALSE(s.include_url);
  // The sixth field is the rest of the line, later "^" included.
  EXPECT_FALSE(SplitScriptSettings("f^l^0^1^1^1^x").include_url);
  EXPECT_EQ(BuildScriptSettingsLine(SplitScriptSettings("f^l^0^2^x^1^x")), "f^l^0^0^0^0");
}

TEST(ScriptSettings, ReturnIndexOutsideRangeOrNotANumberCountsAsZero) {
  for (const char* field : {"", "3", "10", "-1", "x", " 1", "1 ", "1x", "+1", "99999999999999"}) {
    EXPECT_EQ(ReturnIndexFromField(field), 0) << "field \"" << field << "\"";
  }
  EXPECT_EQ(ReturnIndexFromField("1"), 1);
  EXPECT_EQ(ReturnIndexFromField("2"), 2);
  EXPECT_EQ(ReturnIndexFromField("02"), 2);
  EXPECT_EQ(SplitScriptSettings("f^l^7^0^0^1").return_index, 0);
  EXPECT_EQ(ReturnResults(0), 10);
  EXPECT_EQ(ReturnResults(1), 20);
  EXPECT_EQ(ReturnResults(2), 30);
  EXPECT_EQ(ReturnResults(5), 10);
  ScriptSettings odd;
  odd.return_index = 9;
  EXPECT_EQ(BuildScriptSettingsLine(odd), "^^0^0^0^1");
}

TEST(ScriptSettings, ShortLinesGiveEmptyFieldsLikeTheSettingsLine) {
  // The empty second line of a one-line header.
  ScriptSettings empty = SplitScriptSettings("");
  EXPECT_EQ(empty.folder, "");
  EXPECT_EQ(empty.location, "");
  EXPECT_EQ(empty.return_index, 0);
  EXPECT_FALSE(empty.include_url);

  // Without any "^" the whole line is the sixth field.
  EXPECT_TRUE(SplitScriptSettings("1").include_url);
  ScriptSettings word = SplitScriptSettings("folder");
  EXPECT_EQ(word.folder, "");
  EXPECT_FALSE(word.include_url);

  // Two fields: the third to fifth are empty, the rest is the sixth.
  ScriptSettings two = SplitScriptSettings("dir^loc^1");
  EXPECT_EQ(two.folder, "dir");
  EXPECT_EQ(two.location, "loc");
  EXPECT_EQ(two.return_index, 0);
  EXPECT_TRUE(two.include_url);
}

}  // namespace
}  // namespace duvra
