// Sitemaps: the parser against documents written from known addresses
// (round trip over every way XML can spell a character), the reading of
// indexes with its bounds, and the crawl that adds the listed pages.
#include <gtest/gtest.h>

#include <random>

#include "fake_fetcher.h"
#include "indexer/crawl_driver.h"
#include "indexer/sitemap.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;
using testing::FakeFetcher;

// One character of a <loc> as XML may write it.
std::string Spell(char c, std::mt19937& rng) {
  const int way = static_cast<int>(rng() % 4);
  if (c == '&') {
    const char* forms[] = {"&amp;", "&#38;", "&#x26;", "&#X26;"};
    return forms[way];
  }
  if (c == '<') return way % 2 ? "&lt;" : "&#60;";
  if (c == '>') return way % 2 ? "&gt;" : ">";
  if (c == '\'') return way % 2 ? "&apos;" : "'";
  if (c == '"') return way % 2 ? "&quot;" : "\"";
  if (way == 0) return "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
  return std::string(1, c);
}

std::string RandomAddress(std::mt19937& rng) {
  const std::string alphabet = "abcXYZ019/-._~?=&;#%<>'\" ";
  std::string a = "http://site.example/";
  const size_t n = rng() % 30;
  for (size_t i = 0; i < n; ++i) a.push_back(alphabet[rng() % alphabet.size()]);
  while (a.back() == ' ') a.pop_back();  // trimmed by the reader
  return a;
}

TEST(SitemapParseTest, AddressesWrittenAnyWayComeBackInOrder) {
  std::mt19937 rng(19);
  for (int round = 0; round < 300; ++round) {
    const bool index = round % 3 == 0;
    Strings addresses;
    std::string xml = round % 2 ? "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" : "";
    xml += round % 5 == 0 ? "<!DOCTYPE urlset [ <!ENTITY x \"y\"> ]>\n" : "";
    xml += index ? "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
                 : "<sm:urlset xmlns:sm=\"http://www.sitemaps.org/schemas/sitemap/0.9\" "
                   "xmlns:image=\"http://www.google.com/schemas/sitemap-image/1.1\">";
    const char* item = index ? "sitemap" : "sm:url";
    const char* loc = index ? "loc" : "sm:loc";
    const size_t count = rng() % 12;
    for (size_t i = 0; i < count; ++i) {
      const std::string a = RandomAddress(rng);
      addresses.push_back(a);
      std::string spelled;
      if (rng() % 4 == 0 && a.find("]]>") == std::string::npos) {
        spelled = "<![CDATA[" + a + "]]>";
      } else {
        for (char c : a) spelled += Spell(c, rng);
      }
      xml += std::string("<") + item + ">\n  <!-- page " + std::to_string(i) + " -->";
      xml += std::string("<lastmod>2026-01-0") + std::to_string(i % 9 + 1) + "</lastmod>";
      xml += std::string("<") + loc + ">\n\t " + spelled + " \r\n</" + loc + ">";
      // An image's <loc> lies deeper and names no page.
      if (!index && rng() % 2)
        xml += "<image:image><image:loc>http://x/a.png</image:loc></image:image>";
      xml += std::string("</") + item + ">\n";
    }
    xml += index ? "</sitemapindex>" : "</sm:urlset>";
    const SitemapDocument doc = ParseSitemap(xml);
    EXPECT_EQ(doc.kind, index ? SitemapDocument::kIndex : SitemapDocument::kUrlSet);
    ASSERT_EQ(doc.locations, addresses) << xml;
  }
}

TEST(SitemapParseTest, WhatIsNotASitemapListsNothing) {
  EXPECT_EQ(ParseSitemap("<html><body><url><loc>http://a/b.html</loc></url></body></html>").kind,
            SitemapDocument::kNone);
  EXPECT_TRUE(ParseSitemap("").locations.empty());
  EXPECT_TRUE(ParseSitemap("\0\x89PNG garbage <<<").locations.empty());
  // A <loc> outside a <url> and an unfinished one are not pages.
  EXPECT_EQ(ParseSitemap("<urlset><loc>http://a/x.html</loc><url><loc>http://a/y.html</loc></url>"
                         "<url><loc>http://a/z.html")
                .locations,
            (Strings{"http://a/y.html"}));
  // References that are not references stay as written.
  EXPECT_EQ(DecodeXmlText("a&b &bogus; &#0; &#xD800; &#x110000; &#12345678901; &amp"),
            "a&b &bogus; &#0; &#xD800; &#x110000; &#12345678901; &amp");
  EXPECT_EQ(DecodeXmlText("caf&#233;&#x1F600;"), "caf\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(SitemapParseTest, RobotsTxtNamesSitemapsOutsideItsGroups) {
  EXPECT_EQ(RobotsTxtSitemaps("User-agent: *\r\nDisallow: /x\r\nSITEMAP:http://s/a.xml\n"
                              "# Sitemap: http://s/commented.xml\n"
                              "  sitemap :  http://s/b.xml?x=1  # the second\rSitemap:\n"
                              "Sitemaps: http://s/not-the-field.xml"),
            (Strings{"http://s/a.xml", "http://s/b.xml?x=1"}));
}

std::string UrlSet(const Strings& locs) {
  std::string xml = "<urlset>";
  for (const auto& l : locs) xml += "<url><loc>" + l + "</loc></url>";
  return xml + "</urlset>";
}

std::string Index(const Strings& locs) {
  std::string xml = "<sitemapindex>";
  for (const auto& l : locs) xml += "<sitemap><loc>" + l + "</loc></sitemap>";
  return xml + "</sitemapindex>";
}

struct Reading {
  bool finished = false;
  Strings pages, lines;
};

Reading Read(FakeFetcher& f, const Strings& addresses, SitemapReadOptions options = {},
             size_t room = 1000) {
  Reading r;
  r.finished = ReadSitemaps(
      f, addresses, "http://s", options,
      [&](const std::string&, const std::string& loc) {
        r.pages.push_back(loc);
        return r.pages.size() < room;
      },
      [&](const std::string& line) { r.lines.push_back(line); });
  return r;
}

TEST(SitemapReadTest, AnIndexIsFollowedOneLevelDownOnTheSiteOnly) {
  FakeFetcher f;
  f.site["http://s/sitemap.xml"] =
      Index({"http://s/a.xml", "http://other/b.xml", "http://S/nested.xml", "http://s/missing.xml",
             "http://s/a.xml", "http://s/page.html"});
  f.site["http://s/a.xml"] = UrlSet({"http://s/1.html", "http://s/2.html"});
  f.site["http://other/b.xml"] = UrlSet({"http://other/x.html"});
  f.site["http://S/nested.xml"] = Index({"http://s/deep.xml"});
  f.site["http://s/deep.xml"] = UrlSet({"http://s/deep.html"});
  f.site["http://s/page.html"] = "<html>not a sitemap</html>";
  const Reading r = Read(f, {"http://s/sitemap.xml", "http://s/a.xml"});
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.pages, (Strings{"http://s/1.html", "http://s/2.html"}));
  // Each sitemap once; the other host and the index below an index never.
  EXPECT_EQ(f.gets, (Strings{"http://s/sitemap.xml", "http://s/a.xml", "http://S/nested.xml",
                             "http://s/missing.xml", "http://s/page.html"}));
  EXPECT_EQ(r.lines, (Strings{"Sitemap index http://s/sitemap.xml names 6 sitemaps.",
                              "Sitemap http://s/a.xml lists 2 addresses.",
                              "http://s/page.html is not a sitemap."}));
}

TEST(SitemapReadTest, SitemapDataIsBoundedForTheWholeCrawl) {
  FakeFetcher f;
  f.site["http://s/sitemap.xml"] = Index({"http://s/a.xml", "http://s/b.xml", "http://s/c.xml"});
  f.site["http://s/a.xml"] = UrlSet({"http://s/1.html"});
  f.site["http://s/b.xml"] = UrlSet({"http://s/2.html", "http://s/3.html"});
  f.site["http://s/c.xml"] = UrlSet({"http://s/4.html"});
  SitemapReadOptions options;
  options.max_bytes = f.site["http://s/sitemap.xml"].size() + f.site["http://s/a.xml"].size() + 10;
  const Reading r = Read(f, {"http://s/sitemap.xml"}, options);
  EXPECT_EQ(r.pages, (Strings{"http://s/1.html"}));
  EXPECT_EQ(r.lines.back(),
            "Sitemap http://s/c.xml was not read: the sitemaps of a crawl are read up to 50 MB.");
  // Once the bound is reached nothing more is asked for.
  EXPECT_EQ(f.gets.size(), 3u);

  // A full crawl table ends the reading; the request delay comes before
  // every read, and a stop during it ends the reading too.
  options = {};
  options.delay_ms = 5;
  const Reading full = Read(f, {"http://s/sitemap.xml"}, options, 2);
  EXPECT_EQ(full.pages, (Strings{"http://s/1.html", "http://s/2.html"}));
  EXPECT_EQ(f.sleeps, (std::vector<int>{5, 5, 5}));
  f.RequestStop();
  EXPECT_FALSE(Read(f, {"http://s/sitemap.xml"}, options).finished);
}

struct LineLog : CrawlObserver {
  Strings lines;
  void Line(const std::string& t) override { lines.push_back(t); }
};

TEST(SitemapCrawlTest, ListedPagesInsideTheRootFollowTheStartPageThroughTheLinkRules) {
  FakeFetcher f;
  const std::string page = "<html><title>T</title><a href=\"linked.html\">x</a></html>";
  f.site["http://s/docs/"] = page;
  f.site["http://s/docs/linked.html"] = page;
  f.site["http://s/docs/only-in-map.html"] = "<title>Only in the map</title>";
  f.site["http://s/sitemap.xml"] = UrlSet({
      "http://s/docs/only-in-map.html",  // found through the map alone
      "http://s/other/outside.html",     // outside the site root
      "http://elsewhere/docs/x.html",    // another host
      "http://s/docs/picture.png",       // not a page
      "http://s/docs/",                  // the start page again
  });
  CrawlSettings s;
  s.start_address = "http://s/docs/";
  s.sitemap = true;
  s.excluded_pages = {"/only-in-map.html"};
  Crawler crawler(f);
  LineLog log;
  ASSERT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);
  EXPECT_EQ(crawler.table().count(), 3u);
  EXPECT_EQ(crawler.table().address(2), "http://s/docs/only-in-map.html");
  // Excluded pages hold for listed pages as for linked ones.
  ASSERT_EQ(crawler.pages().size(), 2u);
  EXPECT_EQ(crawler.pages()[1].address, "http://s/docs/linked.html");

  s.excluded_pages.clear();
  ASSERT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);
  ASSERT_EQ(crawler.pages().size(), 3u);
  EXPECT_EQ(crawler.pages()[1].title, "Only in the map");

  // With the setting off the sitemap is not even asked for.
  f.gets.clear();
  s.sitemap = false;
  ASSERT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);
  EXPECT_EQ(crawler.pages().size(), 2u);
  EXPECT_EQ(std::count(f.gets.begin(), f.gets.end(), "http://s/sitemap.xml"), 0);
}

}  // namespace
}  // namespace duvra
