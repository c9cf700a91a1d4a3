// What a fetched page is and says: its character set, whether it is HTML,
// its robots rules and directives, its visible and opening text, and the
// link rules of plain addresses and one record per page.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <regex>

#include "database/db_files.h"
#include "database/text_encoding.h"
#include "indexer/link_discovery.h"
#include "indexer/page_analysis.h"
#include "indexer/page_charset.h"
#include "indexer/page_directives.h"
#include "indexer/robots_txt.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;

std::string Encode(const char* charset, const std::string& utf8) {
  iconv_t cd = iconv_open(charset, "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << charset;
  std::string in = utf8, out(utf8.size() * 4 + 16, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<size_t>(-1)) << charset;
  iconv_close(cd);
  out.resize(out.size() - ol);
  return out;
}

TEST(PageCharset, EveryDeclarationRoundTripsTheText) {
  struct Case {
    const char* charset;
    std::string text;  // UTF-8, every character of it in the charset
  };
  const std::vector<Case> cases = {
      {"ISO-8859-2",
       "Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 g\xc4\x99\xc5\x9bl\xc4\x85 ja\xc5\xba\xc5\x84"},
      {"KOI8-R", "\xd0\xa1\xd1\x8a\xd0\xb5\xd1\x88\xd1\x8c \xd0\xb5\xd1\x89\xd1\x91"},
      {"windows-1251",
       "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xe2\x80\x94 \xd0\xbc\xd0\xb8\xd1\x80"},
      {"Shift_JIS",
       "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8"},
      {"GB18030", "\xe4\xb8\xad\xe6\x96\x87\xe9\xa1\xb5\xe9\x9d\xa2 \xf0\x9f\x98\x80"},
      {"ISO-8859-1", "Caf\xc3\xa9 \xc3\xa0 la cr\xc3\xa8me"},
      {"windows-1252", "\xe2\x80\x9cquoted\xe2\x80\x9d \xe2\x82\xac 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    const std::string title = "<title>" + c.text + "</title>";
    // Declared by the server, by <meta charset> and by http-equiv.
    const std::string plain = Encode(c.charset, "<html><head>" + title + "</head></html>");
    EXPECT_EQ(DecodePage(std::string("text/html; charset=\"") + c.charset + "\"", plain),
              "<html><head>" + title + "</head></html>");
    const std::string meta = "<html><head><meta charset=" + std::string(c.charset) + ">" + title;
    EXPECT_EQ(DecodePage("text/html", Encode(c.charset, meta)), meta);
    const std::string equiv =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + std::string(c.charset) +
        "\">" + title;
    EXPECT_EQ(DecodePage("", Encode(c.charset, equiv)), equiv);
  }
  // Byte-order marks name UTF-16 and UTF-8; the mark is not text.
  const std::string text = "<p>\xe2\x82\xac \xf0\x9f\x98\x80</p>";
  EXPECT_EQ(DecodePage("", "\xFF\xFE" + Encode("UTF-16LE", text)), text);
  EXPECT_EQ(DecodePage("", "\xFE\xFF" + Encode("UTF-16BE", text)), text);
  EXPECT_EQ(DecodePage("", "\xEF\xBB\xBF" + text), text);
}

TEST(PageCharset, UndeclaredUnknownAndConflictingDeclarations) {
  const std::string utf8 = "<p>Caf\xc3\xa9</p>";
  EXPECT_EQ(DecodePage("", utf8), utf8);              // valid UTF-8
  EXPECT_EQ(DecodePage("", "<p>Caf\xe9</p>"), utf8);  // else windows-1252
  EXPECT_EQ(DecodePage("text/html; charset=x-no-such", "Caf\xe9"), "Caf\xc3\xa9");
  // The server's word beats the page's, and a meta past the first 1,024
  // bytes is not looked for.
  EXPECT_EQ(DecodePage("text/html; charset=windows-1252", "<meta charset=utf-8>\xc3\xa9"),
            "<meta charset=utf-8>\xc3\x83\xc2\xa9");
  const std::string late = std::string(1100, ' ') + "<meta charset=koi8-r>\xe9";
  EXPECT_EQ(DecodePage("", late), Windows1252ToUtf8(late));
  EXPECT_EQ(DeclaredCharset("text/html;charset=UTF-8", ""), "utf-8");
}

TEST(PageCharset, AnyBytesInAnyDeclaredCharsetGiveValidUtf8) {
  std::mt19937 rng(7);
  const Strings charsets = {"",         "utf-8",  "windows-1252", "shift_jis", "gb18030",
                            "utf-16le", "koi8-r", "euc-jp",       "nonsense"};
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 64, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    const std::string& cs = charsets[rng() % charsets.size()];
    const std::string out = DecodePage(cs.empty() ? "" : "text/html; charset=" + cs, bytes);
    ASSERT_TRUE(IsValidUtf8(out)) << cs;
  }
}

TEST(PageCharset, OnlyHtmlIsAnalysed) {
  EXPECT_TRUE(IsHtmlResponse("text/html", "x"));
  EXPECT_TRUE(IsHtmlResponse(" TEXT/HTML ; charset=utf-8", "x"));
  EXPECT_TRUE(IsHtmlResponse("application/xhtml+xml", "x"));
  EXPECT_FALSE(IsHtmlResponse("application/octet-stream", "<html>"));
  EXPECT_FALSE(IsHtmlResponse("text/plain", "<html>"));
  EXPECT_FALSE(IsHtmlResponse("image/png", "<html>"));
  EXPECT_TRUE(IsHtmlResponse("", "<html>"));
  EXPECT_FALSE(IsHtmlResponse("", std::string("<html>\0", 7)));
  // A NUL past the sniffed bytes does not count.
  EXPECT_TRUE(IsHtmlResponse("", std::string(1024, 'a') + std::string(1, '\0')));
}

// The robots pattern rule as a regular expression, to check the matcher
// against.
bool RegexMatches(const std::string& pattern, const std::string& path) {
  std::string re = "^";
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*') {
      re += ".*";
    } else if (c == '$' && i + 1 == pattern.size()) {
      re += "$";
    } else {
      if (std::string("\\^$.|?+()[]{}").find(c) != std::string::npos) re += '\\';
      re += c;
    }
  }
  return std::regex_search(path, std::regex(re));
}

TEST(RobotsRules, LongestMatchWinsAgainstALiteralMatcher) {
  std::mt19937 rng(9);
  const Strings pieces = {"/", "a", "b", "*", ".", "?", "x=1", "$"};
  for (int round = 0; round < 3000; ++round) {
    std::string text = "User-agent: *\n";
    std::vector<std::pair<bool, std::string>> rules;
    for (int n = rng() % 5; n > 0; --n) {
      std::string pattern = "/";
      for (int k = rng() % 5; k > 0; --k) pattern += pieces[rng() % pieces.size()];
      const bool allow = rng() % 2;
      text += std::string(allow ? "Allow: " : "Disallow: ") + pattern + "\n";
      rules.emplace_back(allow, pattern);
    }
    std::string path = "/";
    for (int k = rng() % 6; k > 0; --k) path += pieces[rng() % (pieces.size() - 2)];
    // The literal rule: of the matching patterns the longest decides, and
    // on a tie Allow wins; nothing matching allows.
    bool expected = true;
    size_t best = 0;
    bool any = false;
    for (const auto& [allow, pattern] : rules) {
      if (!RegexMatches(pattern, path)) continue;
      if (!any || pattern.size() > best || (pattern.size() == best && allow)) {
        expected = allow;
        best = pattern.size();
        any = true;
      }
    }
    ASSERT_EQ(RobotsRules::Parse(text, "DuvraBot").Allowed(path), expected) << text << path;
  }
}

TEST(RobotsRules, TheProductTokensGroupElseTheStarGroup) {
  const std::string text =
      "# comment\nDisallow: /before-any-group\n"
      "User-agent: OtherBot\nUser-agent: duvrabot\nDisallow: /mine # ours\n\n"
      "User-agent: *\nDisallow: /\n";
  const RobotsRules ours = RobotsRules::Parse(text, ProductToken(kDefaultUserAgent));
  EXPECT_FALSE(ours.Allowed("/mine/x.html"));
  EXPECT_TRUE(ours.Allowed("/other.html"));
  EXPECT_TRUE(ours.Allowed("/before-any-group"));
  const RobotsRules star = RobotsRules::Parse(text, "SomeBot");
  EXPECT_FALSE(star.Allowed("/other.html"));
  EXPECT_TRUE(RobotsRules::Parse("User-agent: *\nDisallow:\n", "x").Allowed("/a"));
  EXPECT_TRUE(RobotsRules().Allowed("/a"));
  EXPECT_EQ(PathAndQueryOf("http://h:8/a/b?c#d"), "/a/b?c");
  EXPECT_EQ(PathAndQueryOf("http://h"), "/");
  EXPECT_EQ(OriginOf("https://h:8/a"), "https://h:8");
}

TEST(PageDirectives, MetaHeaderAndLinkRelInAnyAttributeOrder) {
  auto meta = [](const std::string& page) { return MetaRobots(page, LowerAscii(page)); };
  EXPECT_TRUE(meta("<meta name=\"robots\" content=\"noindex, follow\">").noindex);
  EXPECT_FALSE(meta("<meta name=\"robots\" content=\"noindex, follow\">").nofollow);
  EXPECT_TRUE(meta("<META CONTENT='NOFOLLOW' NAME=Robots>").nofollow);
  EXPECT_TRUE(meta("<meta name=robots content=none>").noindex);
  EXPECT_FALSE(meta("<meta name=\"description\" content=\"noindex\">").noindex);
  EXPECT_FALSE(meta("<metadata name=robots content=noindex>").noindex);
  EXPECT_TRUE(ParseRobotsDirectives("DuvraBot: noindex").noindex);
  EXPECT_TRUE(ParseRobotsDirectives("noarchive,nofollow").nofollow);

  const std::string page =
      "<a href=\"a.html\" rel=\"external nofollow\">a</a><a rel=nofollowing href=b.html>"
      "<link rel=\"alternate canonical\" href=\"/c.html\"><base target=_top><base href=\"/d/\">";
  const std::string lower = LowerAscii(page);
  Strings followed;
  ScanLinksAt(page, lower, kScanCutLength, [&](std::string_view v, size_t at) {
    if (!LinkIsNofollow(page, lower, at)) followed.emplace_back(v);
  });
  EXPECT_EQ(followed, (Strings{"b.html", "/c.html", "/d/"}));
  EXPECT_EQ(LinkRelHref(page, lower, "canonical"), "/c.html");
  EXPECT_EQ(BaseHref(page, lower), "/d/");
}

TEST(PlainLinks, ResolveAsABrowserAndStayInsideTheRoot) {
  auto added = [](const std::string& base, const Strings& links, bool one_page = false) {
    CrawlTable table;
    table.set_one_page(one_page);
    table.Reset(base);
    const LinkContext ctx{PageDirectoryOf(base), "http://h/site", true, base};
    for (const auto& l : links) AddToList(l, ctx, table);
    Strings out;
    for (size_t n = 2; n <= table.count(); ++n) out.emplace_back(table.address(n));
    return out;
  };
  EXPECT_EQ(added("http://h/site/blog/post-20",
                  {"../colophon", "post-21", "/site/about", "/elsewhere", "?page=2", "img.png",
                   "../../x", "file.pdf", "/site-old/a", "//H/site/Up", "#top"}),
            (Strings{"http://h/site/colophon", "http://h/site/blog/post-21", "http://h/site/about",
                     "http://h/site/blog/post-20?page=2", "http://h/site/Up"}));
  // X/ and X/index.html (any case) are one page; the first met stays.
  EXPECT_EQ(
      added("http://h/site/", {"index.html", "a/", "a/INDEX.HTM", "b/default.htm", "b/"}, true),
      (Strings{"http://h/site/a/", "http://h/site/b/default.htm"}));
  EXPECT_EQ(PageKey("http://h/index.php?x=1"), "http://h/index.php?x=1");
  EXPECT_TRUE(InsideSiteRoot("http://h/docs?q", "http://h/docs"));
  EXPECT_FALSE(InsideSiteRoot("http://h/docs-old/", "http://h/docs"));
  EXPECT_FALSE(InsideSiteRoot("http://h:81/", "http://h"));
  EXPECT_EQ(NormalizeSchemeHost("HTTPS://Ex.COM:8/A?B#C"), "https://ex.com:8/A?B#C");
}

// Pages of random pieces with a marker word inside every hidden element.
TEST(VisibleText, HiddenContentNeverShowsAndOpeningTextIsAWordPrefix) {
  std::mt19937 rng(21);
  const Strings pieces = {"<script>var hidden1 = '<p>';</script>",
                          "<style>p{hidden2:0}</style>",
                          "<!-- hidden3 -->",
                          "<noscript>hidden4</noscript>",
                          "<template><b>hidden5</b></template>",
                          "<svg><text>hidden6</text></svg>",
                          "<p>",
                          "</p>",
                          "word ",
                          "longerword ",
                          "\n",
                          "\t",
                          "a < b ",
                          "<br/>",
                          "<main>",
                          "</main>",
                          "<nav>menu </nav>",
                          "\xc3\xa9t\xc3\xa9 "};
  for (int round = 0; round < 3000; ++round) {
    std::string page = "<body>";
    for (int k = rng() % 40; k > 0; --k) page += pieces[rng() % pieces.size()];
    const std::string visible = VisibleText(page);
    ASSERT_EQ(visible.find("hidden"), std::string::npos) << page;
    const std::string opening = OpeningText(page, LowerAscii(page), kScanCutLength);
    size_t pos = 0, chars = 0;
    while (pos < opening.size()) {
      NextCodePoint(opening, pos);
      ++chars;
    }
    ASSERT_LE(chars, kOpeningTextLength) << page;
    ASSERT_EQ(opening.find("hidden"), std::string::npos) << page;
    ASSERT_FALSE(opening.starts_with(' ') || opening.ends_with(' ')) << page;
    ASSERT_EQ(opening.find("  "), std::string::npos) << page;
    ASSERT_TRUE(IsValidUtf8(opening)) << page;
  }
  EXPECT_EQ(VisibleText("<td>SELECT</td><td>Prev</td>"), " SELECT  Prev ");
  EXPECT_EQ(
      OpeningText("<body><header>Site</header><p>First para</p><footer>f</footer>",
                  "<body><header>site</header><p>first para</p><footer>f</footer>", kScanCutLength),
      "First para");
  const std::string role = "<div role=\"main\"><div>In</div>side</div><div>after</div>";
  EXPECT_EQ(OpeningText(role, LowerAscii(role), kScanCutLength), "In side");
}

}  // namespace
}  // namespace duvra
