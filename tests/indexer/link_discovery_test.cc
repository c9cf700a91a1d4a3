#include "indexer/link_discovery.h"

#include <gtest/gtest.h>

#include <vector>

namespace duvra {
namespace {

using Strings = std::vector<std::string>;

Strings TableOf(const CrawlTable& t) {
  Strings out;
  for (size_t n = 1; n <= t.count(); ++n) out.emplace_back(t.address(n));
  return out;
}

// Adds each link as found on the page at `page` and returns the entries
// appended after the start entry.
Strings Added(const std::string& root, const std::string& page, const Strings& links) {
  CrawlTable table;
  table.Reset(page);
  const LinkContext ctx{PageDirectoryOf(page), root};
  for (const auto& l : links) AddToList(l, ctx, table);
  Strings all = TableOf(table);
  return Strings(all.begin() + 1, all.end());
}

Strings Values(const std::string& page, size_t cut = kScanCutLength) {
  Strings out;
  ScanLinks(page, LowerAscii(page), cut, [&](std::string_view v) { out.emplace_back(v); });
  return out;
}

TEST(SiteRoot, TrailingSlashPageNameOrOtherName) {
  EXPECT_EQ(SiteRootOf("http://site/docs/"), "http://site/docs");
  EXPECT_EQ(SiteRootOf("http://site/docs/index.html"), "http://site/docs");
  EXPECT_EQ(SiteRootOf("http://site/a.htm"), "http://site");
  EXPECT_EQ(SiteRootOf("http://site/index.php"), "http://site/index.php");
  EXPECT_EQ(SiteRootOf("http://site/A.HTM"), "http://site/A.HTM");  // case-sensitive test
  EXPECT_EQ(SiteRootOf("http://site"), "http://site");
}

TEST(PageDirectory, ExtensionAnywhereCutsAtLastSlash) {
  EXPECT_EQ(PageDirectoryOf("http://site/docs/page.htm"), "http://site/docs/");
  EXPECT_EQ(PageDirectoryOf("http://site/docs"), "http://site/docs/");
  EXPECT_EQ(PageDirectoryOf("http://site/docs/"), "http://site/docs/");
  EXPECT_EQ(PageDirectoryOf("http://site/PAGE.HTM"), "http://site/");
  // Only the path is tested: ".pl" in the host makes no page address.
  EXPECT_EQ(PageDirectoryOf("http://site.pl"), "http://site.pl/");
  EXPECT_EQ(PageDirectoryOf("http://site.pl/docs"), "http://site.pl/docs/");
  EXPECT_EQ(PageDirectoryOf("http://site.pl/a.pl"), "http://site.pl/");
}

TEST(PageTest, ExtensionsSkippedEndingsAndTrailingSlash) {
  EXPECT_TRUE(IsPageAddress("http://site/a.html"));
  EXPECT_FALSE(IsPageAddress("http://site/a.shtml"));  // holds none of the extensions
  EXPECT_TRUE(IsPageAddress("http://site/a.aspx"));
  EXPECT_TRUE(IsPageAddress("http://site/a.php3"));
  EXPECT_TRUE(IsPageAddress("http://site/sub/"));
  EXPECT_FALSE(IsPageAddress("http://site/sub"));
  EXPECT_FALSE(IsPageAddress("http://site/get.php?f=a.pdf"));
  EXPECT_FALSE(IsPageAddress("http://site/x.php?s.CSS"));
  EXPECT_FALSE(IsPageAddress("http://site/x.htm?p.jpeg"));
  EXPECT_FALSE(IsPageAddress("http://site/x.htm?p.ping"));
  EXPECT_TRUE(IsPageAddress("http://site/x.png/"));  // a trailing "/" wins
}

TEST(AddToList, RelativeRootRelativeAndSubfolderLinks) {
  EXPECT_EQ(Added("http://site", "http://site/docs/page.htm", {"a.htm"}),
            Strings{"http://site/docs/a.htm"});
  EXPECT_EQ(Added("http://site", "http://site/docs/page.htm", {"/a.htm"}),
            Strings{"http://site/a.htm"});
  EXPECT_EQ(Added("http://site/docs", "http://site/docs/", {"/b.htm"}),
            Strings{"http://site/docs/b.htm"});
  EXPECT_EQ(Added("http://site", "http://site/", {"sub/", "sub", "/"}),
            Strings{"http://site/sub/"});
  EXPECT_EQ(Added("http://site", "http://site/x.htm", {""}), Strings{"http://site/"});
}

TEST(AddToList, SkippedEndingsQueriesAndDuplicates) {
  EXPECT_EQ(Added("http://site", "http://site/", {"get.php?f=a.pdf", "s.css", "p.jpeg"}),
            Strings{});
  EXPECT_EQ(Added("http://site", "http://site/",
                  {"get.php?f=1", "get.php?f=2", "get.php?f=1", "/get.php?f=2"}),
            (Strings{"http://site/get.php?f=1", "http://site/get.php?f=2"}));
  // The start page itself is entry 1 and is not appended again.
  EXPECT_EQ(Added("http://site", "http://site/a.htm", {"a.htm"}), Strings{});
}

TEST(AddToList, AbsoluteLinksMustBeginWithTheSiteRoot) {
  EXPECT_EQ(Added("http://site", "http://site/", {"http://other/a.htm", "http://site/b.htm"}),
            Strings{"http://site/b.htm"});
  // Scheme and host are compared without regard to case; the path keeps it.
  EXPECT_EQ(Added("http://site", "http://site/", {"HTTP://SITE/C.htm", "http://Site/b.htm"}),
            (Strings{"http://site/C.htm", "http://site/b.htm"}));
}

TEST(AddToList, HttpsSitesFollowTheSameRules) {
  EXPECT_EQ(SiteRootOf("https://site/docs/index.html"), "https://site/docs");
  EXPECT_EQ(PageDirectoryOf("https://site/docs/a.htm"), "https://site/docs/");
  EXPECT_EQ(
      Added("https://site/docs", "https://site/docs/a.htm",
            {"b.htm", "/c.htm", "https://site/docs/d.htm", "http://site/docs/e.htm",
             "https://site/other/f.htm", "https://other/docs/g.htm", "../up.htm"}),
      (Strings{"https://site/docs/b.htm", "https://site/docs/c.htm", "https://site/docs/d.htm"}));
}

TEST(AddToList, DropsFragmentsAndOtherSchemesKeepsCase) {
  EXPECT_EQ(Added("http://site", "http://site/",
                  {"#top", "a.htm#part", "'b.htm'", "Mixed.HTML", "file:x.htm", "ftp://site/y.htm",
                   "javascript:go('z.htm')", "tel:+1.htm", "mailto:me@site.htm", "MAILTO:x.htm"}),
            (Strings{"http://site/a.htm", "http://site/b.htm", "http://site/Mixed.HTML"}));
  // A ":" after the first "/" or "?" is no scheme.
  EXPECT_EQ(Added("http://site", "http://site/", {"a/b:c.htm", "x.htm?t=1:2"}),
            (Strings{"http://site/a/b:c.htm", "http://site/x.htm?t=1:2"}));
  // "http:" itself is a scheme of ours; the value still needs the root.
  EXPECT_EQ(Added("http://site", "http://site/", {"http:x.htm"}), Strings{});
}

TEST(AddToList, ResolvesDotSegmentsAndDropsClimbs) {
  EXPECT_EQ(Added("http://site", "http://site/a/b/page.htm",
                  {"../c.htm", "./d.htm", "../../e.htm", "../../../f.htm", "x/./../g.htm?q=../",
                   "/a/../a/b/c.htm", "sub/.."}),
            (Strings{"http://site/a/c.htm", "http://site/a/b/d.htm", "http://site/e.htm",
                     "http://site/a/b/g.htm?q=../", "http://site/a/b/c.htm", "http://site/a/b/"}));
  // Leaving the site root by ".." drops the link.
  EXPECT_EQ(Added("http://site/docs", "http://site/docs/", {"../other.htm", "x/../y.htm"}),
            Strings{"http://site/docs/y.htm"});
  EXPECT_EQ(Added("http://site", "http://site/", {"http://site/a/../b.htm"}),
            Strings{"http://site/b.htm"});
}

std::string Resolved(std::string address) {
  return RemoveDotSegments(&address) ? address : "(climbs above the root)";
}

TEST(RemoveDotSegments, FollowsTheRfcExamples) {
  EXPECT_EQ(Resolved("http://h/a/b/c/./../../g"), "http://h/a/g");
  EXPECT_EQ(Resolved("http://h/mid/content=5/../6"), "http://h/mid/6");
  EXPECT_EQ(Resolved("http://h/a//../b"), "http://h/a/b");
  EXPECT_EQ(Resolved("http://h/a/.."), "http://h/");
  EXPECT_EQ(Resolved("http://h/a/./"), "http://h/a/");
  EXPECT_EQ(Resolved("http://h/a/.../b"), "http://h/a/.../b");
  EXPECT_EQ(Resolved("http://h/a/b?x=/../y"), "http://h/a/b?x=/../y");
  EXPECT_EQ(Resolved("http://h/.."), "(climbs above the root)");
  EXPECT_EQ(Resolved("http://h/a/../../b"), "(climbs above the root)");
}

TEST(CrawlTable, GrowsKeepsOrderAndFindsEveryEntry) {
  CrawlTable table(5000);
  table.Reset("http://site/");
  for (int i = 0; i < 4000; ++i) EXPECT_TRUE(table.Append("http://site/p" + std::to_string(i)));
  EXPECT_FALSE(table.Append("http://site/p17"));
  EXPECT_FALSE(table.Append("http://site/"));
  EXPECT_EQ(table.count(), 4001u);
  EXPECT_EQ(table.address(1), "http://site/");
  EXPECT_EQ(table.address(4001), "http://site/p3999");
  EXPECT_TRUE(table.Contains("http://site/p0"));
  EXPECT_FALSE(table.Contains("http://site/p4000"));
  table.Reset("http://other/");
  EXPECT_EQ(table.count(), 1u);
  EXPECT_FALSE(table.Contains("http://site/p0"));
}

TEST(CrawlTable, FullTableDropsFurtherLinksSilently) {
  CrawlTable table(3);
  table.Reset("http://site/");
  const LinkContext ctx{"http://site/", "http://site"};
  for (const char* l : {"a.htm", "b.htm", "c.htm", "d.htm"}) AddToList(l, ctx, table);
  EXPECT_EQ(TableOf(table), (Strings{"http://site/", "http://site/a.htm", "http://site/b.htm"}));
  EXPECT_TRUE(table.full());
}

TEST(ScanLinks, QuotedValuesKeepCaseAndSpaces) {
  EXPECT_EQ(Values("<A HREF=\"Page One.HTM\">x</a><link href='x.css'/>"),
            (Strings{"Page One.HTM", "x.css"}));
}

TEST(ScanLinks, UnquotedValuesEndAtWhiteSpaceOrGreaterThan) {
  EXPECT_EQ(Values("<a href=a.htm>1</a><a href=b.htm class=x>2</a><a href=c.htm\td>"
                   "<a href=d.htm\ne><a href=e.htm\ff><a href=f.htm\rg>"),
            (Strings{"a.htm", "b.htm", "c.htm", "d.htm", "e.htm", "f.htm"}));
  // A quote closed only after the ">" is no quoted value.
  EXPECT_EQ(Values("<a href=\"a>b\">"), Strings{"\"a"});
  // "href=" with no ">" after it gives an empty value; the scan goes on.
  EXPECT_EQ(Values("href=x.htm href=y.htm"), (Strings{"", ""}));
}

TEST(ScanLinks, CutBoundsEveryRemainder) {
  // The text after "href=" and after each ">" keeps at most `cut` characters.
  EXPECT_EQ(Values("href=a>1234567href=b>", 16), (Strings{"a", "b"}));
  EXPECT_EQ(Values("href=a>12345678href=b>", 8), Strings{"a"});
  // The ">" itself must lie within the cut.
  EXPECT_EQ(Values("href=abcdef>", 4), Strings{""});
}

TEST(DiscoverLinks, SelfClosingTagsAndFragmentsOnARealisticPage) {
  const std::string page =
      "<html><head><link rel=\"stylesheet\" href=\"style.css\"/>"
      "<link href=\"Index.html\"/></head><body>"
      "<a href=\"#top\">t</a><a href=\"Intro.html#s1\">i</a><a href=\"intro.html\">i</a>"
      "<a href=\"../up.html\">u</a><a href=\"file:///etc/x.html\">f</a>"
      "<a href=\"sub/Deep.html\">d</a></body></html>";
  CrawlTable table;
  table.Reset("http://site/docs/");
  DiscoverLinks(page, LowerAscii(page), "http://site/docs/", "http://site/docs", kScanCutLength,
                table);
  EXPECT_EQ(TableOf(table), (Strings{"http://site/docs/", "http://site/docs/Index.html",
                                     "http://site/docs/Intro.html", "http://site/docs/intro.html",
                                     "http://site/docs/sub/Deep.html"}));
}

}  // namespace
}  // namespace duvra
