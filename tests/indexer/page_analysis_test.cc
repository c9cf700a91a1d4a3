#include "indexer/page_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace duvra {
namespace {

PageRecord Analyse(const std::string& page, bool create = true,
                   const std::vector<std::string>& excluded = {}, size_t cut = kScanCutLength) {
  KeywordSettings settings(create, excluded);
  return AnalysePage(page, LowerAscii(page), "http://site/p.htm", settings, cut);
}

std::string Generated(const std::string& region_text, const std::vector<std::string>& excluded = {},
                      size_t cut = kScanCutLength) {
  KeywordSettings settings(true, excluded);
  return CreateKeywords("x<!-- duvra -->" + region_text + "<!-- /duvra -->y", settings, cut);
}

TEST(AnalysePage, TheWorkedPage) {
  const std::string page =
      "<html><head><title>Welcome</title>"
      "<meta name=\"description\" content=\"Our home page\">"
      "<meta name=\"keywords\" content=\"home, welcome\"></head><body>\n"
      "<!-- duvra -->\n<p>Hello world, hello again.</p>\n<!-- /duvra -->\n</body></html>";
  PageRecord r = Analyse(page);
  EXPECT_EQ(r.title, "Welcome");
  EXPECT_EQ(r.address, "http://site/p.htm");
  EXPECT_EQ(r.text, "Our home page");
  EXPECT_EQ(r.keywords, "home welcome Hello world hello again");
  EXPECT_EQ(PageRecordLine(r),
            "0^Welcome^http://site/p.htm^Our home page^home welcome Hello world hello again^0");
}

TEST(AnalysePage, TitleTagsAreFoundInAnyCaseButNotWithAttributes) {
  EXPECT_EQ(Analyse("<TITLE>Big</TITLE>").title, "Big");
  EXPECT_EQ(Analyse("<title id=x>No</title>").title, "");
  EXPECT_EQ(Analyse("<title> Home </title>").title, " Home ");
  EXPECT_EQ(Analyse("</title>x<title>y").title, "");
  EXPECT_EQ(Analyse("<title>only").title, "");
}

TEST(AnalysePage, MetaTagsNeedTheirAttributeOrder) {
  EXPECT_EQ(Analyse("<meta content=\"x\" name=\"description\">").text, "");
  EXPECT_EQ(Analyse("<META NAME=\"DESCRIPTION\" CONTENT=\"Mixed Case\">").text, "Mixed Case");
  EXPECT_EQ(Analyse("<meta name=\"description\" content=\"no end").text, "");
}

TEST(AnalysePage, MetaKeywordsRule) {
  const std::string meta = "<meta name=\"keywords\" content=\"alpha, beta; gamma.\">";
  EXPECT_EQ(Analyse(meta, false).keywords, "alpha beta gamma ");
  EXPECT_EQ(Analyse("<meta name=\"keywords\" content=\"a\">", false).keywords, "");
  EXPECT_EQ(Analyse("<meta name=\"keywords\" content=\"a.\">", false).keywords, "");
  EXPECT_EQ(Analyse("<meta name=\"keywords\" content=\"ab\">", false).keywords, "ab ");
}

TEST(AnalysePage, FieldsNeverCarryLineBreaksOrCarets) {
  PageRecord r = Analyse(
      "<title>Two\r\nlines^x</title><meta name=\"description\" content=\"a\rb^c\nd\">"
      "<meta name=\"keywords\" content=\"k^1\">",
      false);
  EXPECT_EQ(r.title, "Two  lines x");
  EXPECT_EQ(r.text, "a b c d");
  EXPECT_EQ(r.keywords, "k 1 ");
  // A lone CR inside a generated word and a "^" in the text.
  EXPECT_EQ(Analyse("<!-- duvra -->one\rtwo a^b <!-- /duvra -->").keywords, "one two a b");
  const std::string line = PageRecordLine(Analyse("<title>a^b\n</title>"));
  EXPECT_EQ(std::count(line.begin(), line.end(), '^'), 5);
}

TEST(AnalysePage, EmptyPage) {
  EXPECT_EQ(Analyse(""), (PageRecord{"", "http://site/p.htm", "", ""}));
}

TEST(CreateKeywords, AcceptsDistinctWordsOfTwoOrMoreCharacters) {
  EXPECT_EQ(Generated("Alpha Beta Alpha x Gamma "), "Alpha Beta Gamma");
  // The text after the last space is never a word.
  EXPECT_EQ(Generated("Alpha Beta"), "Alpha");
  // Excluded words are compared without regard to case, either way round:
  // the Options dialog stores them lowered.
  EXPECT_EQ(Generated("The the cat ", {"the"}), "cat");
  EXPECT_EQ(Generated("Millbrook millbrook MILLBROOK mill ", {"millbrook"}), "mill");
  EXPECT_EQ(Generated("the The cat ", {"THE"}), "cat");
}

TEST(CreateKeywords, RegionMarkers) {
  KeywordSettings s(true, {});
  // No opening marker: the whole page, head and title included.
  EXPECT_EQ(CreateKeywords("<title>Head</title> body text ", s, kScanCutLength), "Head body text");
  // Markers are case-sensitive: an upper-case one is a tag like any other.
  EXPECT_EQ(CreateKeywords("aa <!-- DUVRA -->bb cc ", s, kScanCutLength), "aa bb cc");
  // A closing marker before the opening one gives an empty region.
  EXPECT_EQ(CreateKeywords("<!-- /duvra -->aa <!-- duvra -->bb cc ", s, kScanCutLength), "");
  // Without a closing marker the region runs to the end, cut to `cut`.
  EXPECT_EQ(CreateKeywords("xx <!-- duvra -->aa bb cc dd ", s, kScanCutLength), "aa bb cc dd");
  EXPECT_EQ(CreateKeywords("xx <!-- duvra -->aa bb cc dd ", s, 7), "aa bb");
  // Only the first pair counts.
  EXPECT_EQ(CreateKeywords("<!-- duvra -->aa <!-- /duvra -->bb <!-- duvra -->cc <!-- /duvra -->", s,
                           kScanCutLength),
            "aa");
}

TEST(CreateKeywords, LineBreaksAndPunctuation) {
  EXPECT_EQ(Generated("one\r\ntwo\nthree\tfour\r"), "one two");
  EXPECT_EQ(Generated("a,b c.d; e:f g&amp;h "), "ab cd ef g&amph");
}

TEST(CreateKeywords, StopsAfter255Words) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "w" + std::to_string(i) + " ";
  std::string out = Generated(text);
  EXPECT_EQ(std::count(out.begin(), out.end(), ' '), 254);
  EXPECT_TRUE(out.ends_with(" w254"));
}

TEST(CreateKeywords, TheWordScanHonoursTheCut) {
  // After each space at most `cut` characters remain.
  EXPECT_EQ(Generated("aa bbbb cc dd ", {}, 5), "aa bbbb");
}

TEST(StripTags, TagsStrayBracketsAndUnmatchedOpenings) {
  EXPECT_EQ(StripTags("a<b>c</b>d"), "acd");
  EXPECT_EQ(StripTags("x>y<p>z"), "xyz");                // ">" before the first "<" goes
  EXPECT_EQ(StripTags("<p>z>w"), "z>w");                 // ">" after the last "<" stays
  EXPECT_EQ(StripTags("a<!-- c > d -->e"), "a d -->e");  // a comment ends at its first ">"
  EXPECT_EQ(StripTags("price < 10 and < 20 "), "price  10 and  20 ");  // the "<" alone goes
  EXPECT_EQ(StripTags("a>b<c<d>e"), "abe");
  EXPECT_EQ(StripTags("<<<"), "");
  EXPECT_EQ(StripTags(">>"), ">>");
}

}  // namespace
}  // namespace duvra
