#include "scripts/script_text.h"

#include "base/text_file.h"
#include "database/text_encoding.h"
#include "records/record_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace duvra {
namespace {

using ::testing::ElementsAre;

TEST(ScriptHeader, FormHeaderIsSevenExactLines) {
  EXPECT_THAT(FormHeaderLines("results.html"),
              ElementsAre("// Duvra 1.51", "", "", "// ---------- script properties ----------", "",
                          "", "var results_location = \"results.html\";"));
}

TEST(ScriptHeader, LocationIsEscapedInsideItsString) {
  EXPECT_EQ(FormHeaderLines("a\"b\\c.html").back(), "var results_location = \"a\\\"b\\\\c.html\";");
}

TEST(ScriptHeader, SearchHeaderForEverySetting) {
  for (int index = 0; index < 3; ++index) {
    for (int flags = 0; flags < 8; ++flags) {
      ScriptSettings s;
      s.location = "/find/";
      s.return_index = index;
      s.include_num = flags & 1;
      s.bold = flags & 2;
      s.include_url = flags & 4;
      std::vector<std::string> lines = SearchHeaderLines(s);
      ASSERT_EQ(lines.size(), 11u);
      std::vector<std::string> form = FormHeaderLines("/find/");
      EXPECT_TRUE(std::equal(form.begin(), form.end(), lines.begin()));
      EXPECT_EQ(lines[7], "var return_results = " + std::to_string(10 * (index + 1)) + ";");
      EXPECT_EQ(lines[8], std::string("var include_num = ") + (flags & 1 ? "1" : "0") + ";");
      EXPECT_EQ(lines[9], std::string("var bold_query = ") + (flags & 2 ? "1" : "0") + ";");
      EXPECT_EQ(lines[10], std::string("var include_url = ") + (flags & 4 ? "1" : "0") + ";");
    }
  }
}

TEST(ScriptHeader, WorkedExample) {
  ScriptSettings s = SplitScriptSettings("dir^results.html^1^1^0^1");
  std::vector<std::string> lines = SearchHeaderLines(s);
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 7, lines.end()),
              ElementsAre("var return_results = 20;", "var include_num = 1;", "var bold_query = 0;",
                          "var include_url = 1;"));
}

TEST(TemplateCopy, SplitsAtEveryKindOfLineBreak) {
  EXPECT_THAT(TemplateLines("a\r\nb\rc\nd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(TemplateLines("a\r\n"), ElementsAre("a"));  // final break adds no line
  EXPECT_THAT(TemplateLines("a\r\n\r\n"), ElementsAre("a", ""));
  EXPECT_THAT(TemplateLines("\n\nx\r"), ElementsAre("", "", "x"));
  EXPECT_THAT(TemplateLines("\r\r\n"), ElementsAre("", ""));  // lone CR, then CR LF
  EXPECT_TRUE(TemplateLines("").empty());
  EXPECT_THAT(TemplateLines("  indented\t// tab \xE9\xFF  "),
              ElementsAre("  indented\t// tab \xE9\xFF  "));
}

TEST(TemplateCopy, StopsAtTheFirstNul) {
  using namespace std::string_literals;
  EXPECT_THAT(TemplateLines("one\r\ntw\0o\r\nthree"s), ElementsAre("one", "tw"));
  EXPECT_THAT(TemplateLines("one\n\0"s), ElementsAre("one"));
  EXPECT_TRUE(TemplateLines("\0rest"s).empty());
}

TEST(DataScript, EscapesWhatWouldBreakTheString) {
  EXPECT_EQ(EscapeScriptString(R"(say "hi" \ C:\dir)"), R"(say \"hi\" \\ C:\\dir)");
  EXPECT_EQ(EscapeScriptString("a\rb\nc"), "a\\x0Db\\x0Ac");
  // Markup and apostrophes pass unchanged; other controls become escapes.
  EXPECT_EQ(EscapeScriptString("</script><b>'x'</b>\t\x7F"), "</script><b>'x'</b>\\u0009\\u007f");
}

// The data script is ASCII whatever the page that loads it declares: valid
// UTF-8 is read as UTF-8, anything else as windows-1252, and every character
// above ASCII is a \u escape (a surrogate pair above U+FFFF).
TEST(DataScript, EncodingMatrixGivesAsciiEscapes) {
  struct Case {
    const char* bytes;
    const char* escaped;
  } cases[] = {
      {"caf\xC3\xA9", "caf\\u00e9"},                  // UTF-8
      {"caf\xE9", "caf\\u00e9"},                      // windows-1252, same text
      {"What\xE2\x80\x99s", "What\\u2019s"},          // UTF-8 quote
      {"What\x92s", "What\\u2019s"},                  // its windows-1252 byte
      {"\x80 \x9F \x81", "\\u20ac \\u0178 \\u0081"},  // the C1 range as browsers read it
      {"Gr\xC3\xB6\xC3\x9F"
       "e",
       "Gr\\u00f6\\u00dfe"},
      {"\xF0\x9F\x8D\x85 tomato", "\\ud83c\\udf45 tomato"},  // above U+FFFF
      {"\xE0\xB8\x9C\xE0\xB8\xB1\xE0\xB8\x81", "\\u0e1c\\u0e31\\u0e01"},
      {"\xE2\x80\xA8", "\\u2028"},                // would end a script line in older engines
      {"\xC3\xA9\xE9", "\\u00c3\\u00a9\\u00e9"},  // not valid UTF-8 as a whole
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeScriptString(c.bytes), c.escaped) << c.bytes;
  }
}

TEST(DataScript, EachFieldIsDecodedOnItsOwn) {
  // A title typed in the window (UTF-8) beside text indexed from a
  // windows-1252 page: both read right.
  EXPECT_EQ(DataLine(0,
                     "0^Caf\xC3\xA9^/c.html^Cr\xE8me br\xFBl\xE9"
                     "e^k^0"),
            "s[0] = \"Caf\\u00e9^/c.html^Cr\\u00e8me br\\u00fbl\\u00e9e^k^0\";");
}

TEST(WordsScript, ListsTheExcludedWordsAsStrings) {
  EXPECT_EQ(WordsScriptText({}), "var duv_words = [\r\n];\r\n");
  EXPECT_EQ(
      WordsScriptText({"from", "with", "\"q\"", "f\xFCr"}),
      "var duv_words = [\r\n\"from\",\r\n\"with\",\r\n\"\\\"q\\\"\",\r\n\"f\\u00fcr\"\r\n];\r\n");
}

TEST(DataScript, LinesUseTheListPositionNotTheNumField) {
  EXPECT_EQ(DataLine(0, "0^Home^index.html^Welcome^home^0"),
            "s[0] = \"Home^index.html^Welcome^home^0\";");
  EXPECT_EQ(DataLine(12, "7^T^u^x^k^1"), "s[12] = \"T^u^x^k^1\";");
  EXPECT_EQ(DataLine(3, "no caret"), "s[3] = \"no caret\";");
  EXPECT_EQ(DataLine(1, "5^"), "s[1] = \"\";");
  EXPECT_EQ(DataLine(2, "1^A \"quoted\" title^u^back\\slash^k^0"),
            "s[2] = \"A \\\"quoted\\\" title^u^back\\\\slash^k^0\";");
}

TEST(DataScript, WholeScriptText) {
  EXPECT_EQ(DataScriptText({}), "var s = new Array();\r\n\r\n");
  EXPECT_EQ(DataScriptText({"9^A^/a^t^k^0", "9^B^/b^t^k^1"}),
            "var s = new Array();\r\n\r\n"
            "s[0] = \"A^/a^t^k^0\";\r\n"
            "s[1] = \"B^/b^t^k^1\";\r\n");
}

TEST(DataScript, RoundTripThroughTheImport) {
  const std::vector<std::string> records = {
      "0^Home^/index.html^Welcome^home^0",
      "1^Say \"hi\"^/q.html?a=\"1\"^C:\\temp\\new \\\"x\\^k^1",
      "2^Trailing backslash\\^/b^ends in \\^k\\^0",
      "3^Markup <b>&amp;</b> '\xE9' \xC3\xA9^/m^</script>^x^0",
      "4^^^^^",
      "0^\xF0\x9F\x8D\x85 Gr\xC3\xB6\xC3\x9F"
      "e^/\xE0\xB8\x9C^\xE2\x80\xA8\t^k^1",
  };
  const std::string script = DataScriptText(records);
  std::vector<std::string> lines = SplitLines(script, LoneCr::kLineEnd);
  ASSERT_TRUE(HasDataFileMarker(lines));
  for (const std::string& l : lines) {
    for (char c : l) ASSERT_TRUE(static_cast<unsigned char>(c) < 0x80) << l;
  }
  std::vector<std::string> back = DataFileRecordLines(lines);
  ASSERT_EQ(back.size(), records.size());
  // Each field comes back as its UTF-8 reading: unchanged when it was UTF-8.
  for (size_t i = 0; i < records.size(); ++i) {
    std::string expected = "0";
    for (size_t from = records[i].find('^'); from != std::string::npos;) {
      size_t to = records[i].find('^', from + 1);
      expected += "^" + ToUtf8(records[i].substr(from + 1, to - from - 1));
      from = to;
    }
    EXPECT_EQ(back[i], expected) << "record " << i;
  }
  EXPECT_EQ(back[3], "0^Markup <b>&amp;</b> '\xC3\xA9' \xC3\x83\xC2\xA9^/m^</script>^x^0");
  EXPECT_EQ(back[5], records[5]);
}

}  // namespace
}  // namespace duvra
