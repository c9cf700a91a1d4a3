// The fast indexer against the literal reference, on generated and random
// pages, sites and record lists. Small cut lengths make the 1,000,000-
// character bound of the scans show on small pages.
#include <gtest/gtest.h>

#include <random>

#include "fake_fetcher.h"
#include "indexer/crawl_driver.h"
#include "indexer/link_discovery.h"
#include "indexer/merge.h"
#include "indexer/page_analysis.h"
#include "reference_indexer.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  template <class T>
  const T& Pick(const std::vector<T>& v) {
    return v[Below(v.size())];
  }

  std::string Target() {
    static const Strings kTargets = {"a.htm",
                                     "B.html",
                                     "/c.htm",
                                     "sub/",
                                     "sub",
                                     "",
                                     "#top",
                                     "d.htm#x",
                                     "../e.htm",
                                     "./f.php?q=1",
                                     "x/../g.htm",
                                     "../../h.htm",
                                     "file:i.htm",
                                     "mailto:j",
                                     "http://site/k.htm",
                                     "http://other/l.htm",
                                     "m.pdf",
                                     "n.php?f=o.css",
                                     "p q.htm",
                                     "/",
                                     "r.asp",
                                     "S.JSP",
                                     "t.jpeg",
                                     "HTTP://site/u.htm",
                                     "https://site/k.htm",
                                     "HTTPS://site/u.htm",
                                     "v.htm?a:b",
                                     "tel:1",
                                     "w.cgi/",
                                     "x.pl",
                                     "http.htm",
                                     "mailtools.htm",
                                     "o'brien.htm",
                                     "//site/w.htm",
                                     "//other/w.htm",
                                     "HTTP://SITE/y.htm",
                                     "http://site-old/z.htm",
                                     "http://site?q=1.htm"};
    return Pick(kTargets);
  }

  std::string Word() {
    static const Strings kWords = {"alpha",   "Beta", "beta",    "the", "x",   "Gamma", "delta",
                                   "a&amp;b", "e.g.", "one,two", "ok;", "A:B", "z"};
    return Pick(kWords);
  }

  // A page of random pieces: tags, links in every quoting, markers, meta
  // tags, words, white space and stray brackets.
  std::string Page(size_t pieces) {
    std::string p;
    for (size_t i = 0; i < pieces; ++i) {
      switch (Below(22)) {
        case 0:
          p += "<a href=\"" + Target() + "\">";
          break;
        case 1:
          p += "<a href='" + Target() + "'>";
          break;
        case 2:
          p += "<a HREF=" + Target() + (Below(2) ? " class=y>" : ">");
          break;
        case 3:
          p += "<link href=\"" + Target() + "\"/>";
          break;
        case 4:
          p += "href=";
          break;
        case 5:
          p += "<";
          break;
        case 6:
          p += ">";
          break;
        case 7:
          p += Below(2) ? "<title>" : "<TITLE>";
          break;
        case 8:
          p += "</title>";
          break;
        case 9:
          p += "<!-- duvra -->";
          break;
        case 10:
          p += "<!-- /duvra -->";
          break;
        case 11:
          p += "<meta name=\"description\" content=\"" + Word() + " " + Word();
          break;
        case 12:
          p += "<meta name=\"keywords\" content=\"" + Word() + ", " + Word();
          break;
        case 13:
          p += "\"";
          break;
        case 14:
          p += Pick(Strings{" ", "\t", "\r\n", "\n", "\r", "\f", "  "});
          break;
        case 15:
          p += Pick(Strings{",", ".", ";", ":", "^", "#", "'"});
          break;
        case 16:
          p += "<p class=x>";
          break;
        case 17:
          p += "<!-- c > d -->";
          break;
        default:
          p += Word() + " ";
          break;
      }
    }
    return p;
  }

  size_t Cut() { return Below(4) == 0 ? kScanCutLength : 1 + Below(60); }

 private:
  std::mt19937 rng_;
};

TEST(Differential, LinkScanAndAddToList) {
  Generator g(1);
  for (int round = 0; round < 3000; ++round) {
    const std::string page = g.Page(1 + g.Below(40));
    const size_t cut = g.Cut();
    Strings fast;
    ScanLinks(page, LowerAscii(page), cut, [&](std::string_view v) { fast.emplace_back(v); });
    const Strings ref = reference::ScanLinks(page, cut);
    ASSERT_EQ(fast, ref) << "page: " << page << " cut " << cut;

    const std::string address =
        g.Pick(Strings{"http://site/", "http://site/a/b/p.htm", "http://site/dir", "http://site.pl",
                       "https://site/a/b/p.htm"});
    const std::string root = g.Pick(Strings{"http://site", "http://site/a", "https://site"});
    const size_t capacity = 2 + g.Below(12);
    CrawlTable table(capacity);
    table.Reset(address);
    DiscoverLinks(page, LowerAscii(page), address, root, cut, table);
    reference::Table rt;
    rt.capacity = capacity;
    rt.addresses = {address};
    rt.pending = {true};
    for (const auto& v : ref) reference::AddToList(v, PageDirectoryOf(address), root, rt);
    Strings fast_table;
    for (size_t n = 1; n <= table.count(); ++n) fast_table.emplace_back(table.address(n));
    ASSERT_EQ(fast_table, rt.addresses) << "page: " << page;
  }
}

TEST(Differential, TagStripping) {
  Generator g(2);
  const Strings pieces = {"<", ">", "a", " ", "<b>", "x>y", "<<", ">>", "<!--", "-->"};
  for (int round = 0; round < 20000; ++round) {
    std::string region;
    for (size_t i = g.Below(16); i > 0; --i) region += g.Pick(pieces);
    ASSERT_EQ(StripTags(region), reference::StripTags(region)) << region;
  }
}

TEST(Differential, PageAnalysis) {
  Generator g(3);
  for (int round = 0; round < 3000; ++round) {
    const std::string page = g.Page(1 + g.Below(60));
    const size_t cut = g.Cut();
    const bool create = g.Below(4) != 0;
    Strings excluded;
    if (g.Below(2)) excluded = {"the", "beta", "Gamma"};
    PageRecord fast = AnalysePage(page, LowerAscii(page), "http://site/x^y.htm",
                                  KeywordSettings(create, excluded), cut);
    PageRecord ref = reference::AnalysePage(page, "http://site/x^y.htm", create, excluded, cut);
    ASSERT_EQ(fast, ref) << "page: " << page << " cut " << cut;
  }
}

TEST(Differential, ManyDistinctWordsReachTheWordLimit) {
  Generator g(4);
  for (int round = 0; round < 50; ++round) {
    std::string page;
    for (size_t i = 0, n = 200 + g.Below(200); i < n; ++i) {
      page += "w" + std::to_string(g.Below(400)) + (g.Below(10) ? " " : ",<i> ");
    }
    const size_t cut = g.Below(2) ? kScanCutLength : 100 + g.Below(2000);
    PageRecord fast = AnalysePage(page, LowerAscii(page), "a", KeywordSettings(true, {"w7"}), cut);
    ASSERT_EQ(fast, reference::AnalysePage(page, "a", true, {"w7"}, cut));
  }
}

// A site of numbered pages whose links point at each other, at pages that
// do not exist and at excluded pages, with cycles everywhere.
std::map<std::string, std::string> RandomSite(Generator& g, size_t pages) {
  std::map<std::string, std::string> site;
  for (size_t i = 0; i < pages; ++i) {
    std::string body = "<title>P" + std::to_string(i) + "</title><!-- duvra -->";
    for (size_t k = g.Below(6); k > 0; --k) {
      body += "<a href=\"p" + std::to_string(g.Below(pages + pages / 4)) + ".htm\">" + g.Word() +
              "</a> ";
      if (g.Below(5) == 0) body += g.Page(3);
    }
    body += "<!-- /duvra -->";
    site["http://site/d/p" + std::to_string(i) + ".htm"] = body;
  }
  site["http://site/d/"] = "<a href=\"p0.htm\">start</a> <a href=p1.htm>x</a> ";
  return site;
}

TEST(Differential, WholeCrawls) {
  Generator g(5);
  for (int round = 0; round < 40; ++round) {
    const size_t n = 5 + g.Below(120);
    testing::FakeFetcher f;
    f.site = RandomSite(g, n);
    Strings excluded_pages;
    for (size_t k = g.Below(4); k > 0; --k)
      excluded_pages.push_back("/p" + std::to_string(g.Below(n)) + ".htm");
    CrawlLimits limits;
    limits.max_pages = g.Below(3) == 0 ? 1 + g.Below(n) : kMaxCrawlPages;
    limits.table_capacity = g.Below(3) == 0 ? 1 + g.Below(n) : kCrawlTableCapacity;
    limits.cut = g.Cut();
    CrawlSettings s;
    s.start_address = "http://site/d/";
    s.create_keywords = g.Below(2);
    s.excluded_words = {"the"};
    s.excluded_pages = excluded_pages;

    struct Lines : CrawlObserver {
      Strings lines;
      void Line(const std::string& t) override { lines.push_back(t); }
    } obs;
    Crawler crawler(f, limits);
    crawler.Execute(s, obs);
    reference::CrawlResult ref =
        reference::Crawl(f.site, "site/d/", s.create_keywords, s.excluded_words, excluded_pages,
                         limits.max_pages, limits.table_capacity, limits.cut);
    ASSERT_EQ(obs.lines, ref.lines);
    ASSERT_EQ(crawler.pages(), ref.pages);
    ASSERT_EQ(f.gets, ref.fetched);
    Strings table;
    for (size_t k = 1; k <= crawler.table().count(); ++k)
      table.emplace_back(crawler.table().address(k));
    ASSERT_EQ(table, ref.table);
  }
}

TEST(Differential, MergeModes) {
  Generator g(6);
  const Strings addresses = {"http://site/a.htm",
                             "/a.htm",
                             "a.htm",
                             "http://site/b.htm",
                             "/b.htm",
                             "http://other/c.htm",
                             "",
                             "/d.htm?u=http://site",
                             "http://site/d.htm?u=http://site",
                             "c.htm"};
  const Strings titles = {"T", "U", ""};
  for (int round = 0; round < 3000; ++round) {
    Strings list;
    for (size_t i = g.Below(10); i > 0; --i) {
      switch (g.Below(6)) {
        case 0:
          list.push_back("plain line");
          break;
        case 1:
          list.push_back("3^" + g.Pick(titles) + "^" + g.Pick(addresses));
          break;
        default:
          list.push_back(std::to_string(i) + "^" + g.Pick(titles) + "^" + g.Pick(addresses) + "^" +
                         g.Pick(titles) + "^k^" + g.Pick(Strings{"0", "1", "", "1^x"}));
      }
    }
    std::vector<PageRecord> pages;
    for (size_t i = g.Below(8); i > 0; --i) {
      pages.push_back({g.Pick(titles), g.Pick(addresses), g.Pick(titles), g.Below(2) ? "k" : ""});
    }
    const MergeMode mode = static_cast<MergeMode>(g.Below(3));
    Database db;
    db.records.Assign(list);
    MergeResult r = MergePages(db, pages, "http://site", mode);
    reference::Merge(list, pages, "http://site", mode);
    ASSERT_EQ(db.records.lines(), list) << "mode " << static_cast<int>(mode);
    ASSERT_EQ(r.reselect_index, static_cast<long long>(list.size()) - 1);
  }
}

}  // namespace
}  // namespace duvra
