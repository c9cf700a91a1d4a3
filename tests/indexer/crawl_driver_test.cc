#include "indexer/crawl_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "fake_fetcher.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;
using testing::FakeFetcher;

class RecordingObserver : public CrawlObserver {
 public:
  void Line(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu);
    lines.push_back(text);
  }
  void Progress(size_t read, size_t found) override {
    std::lock_guard<std::mutex> lock(mu);
    progress.emplace_back(read, found);
  }
  void Finished(CrawlOutcome o) override {
    std::lock_guard<std::mutex> lock(mu);
    finished.push_back(o);
  }
  std::mutex mu;
  Strings lines;
  std::vector<std::pair<size_t, size_t>> progress;
  std::vector<CrawlOutcome> finished;
};

CrawlSettings SettingsFor(const std::string& site_address) {
  CrawlSettings s;
  s.start_address = StartAddressOf(site_address);
  s.user_agent = "TestAgent";
  s.read_timeout_ms = 20000;
  s.create_keywords = false;
  return s;
}

std::string Page(const std::string& title, const Strings& links) {
  std::string p = "<title>" + title + "</title>";
  for (const auto& l : links) p += "<a href=\"" + l + "\">x</a>";
  return p;
}

Strings Titles(const Crawler& c) {
  Strings out;
  for (const auto& p : c.pages()) out.push_back(p.title);
  return out;
}

Strings TableOf(const Crawler& c) {
  Strings out;
  for (size_t n = 1; n <= c.table().count(); ++n) out.emplace_back(c.table().address(n));
  return out;
}

TEST(CrawlSettings, TablesOfTimeoutAndDelay) {
  EXPECT_EQ(ReadTimeoutMs(0), 10000);
  EXPECT_EQ(ReadTimeoutMs(2), 30000);
  EXPECT_EQ(ReadTimeoutMs(5), 60000);
  EXPECT_EQ(ReadTimeoutMs(9), 60000);
  EXPECT_EQ(ReadTimeoutMs(-4), 10000);
  EXPECT_EQ(RequestDelayMs(0), 0);
  EXPECT_EQ(RequestDelayMs(5), 5000);
  EXPECT_EQ(RequestDelayMs(6), 10000);
  EXPECT_EQ(RequestDelayMs(9), 60000);
  EXPECT_EQ(RequestDelayMs(250), 250);  // another number is milliseconds
  EXPECT_EQ(RequestDelayMs(-5), 0);     // never an endless wait
}

TEST(CrawlSettings, WholeNumbersOnly) {
  int v = 0;
  EXPECT_TRUE(ParseWholeNumber("7", &v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(ParseWholeNumber("-3", &v));
  EXPECT_EQ(v, -3);
  EXPECT_TRUE(ParseWholeNumber("+4", &v));
  EXPECT_EQ(v, 4);
  for (const char* bad : {"", "x", "1.5", " 2", "2 ", "+-1", "99999999999", "+"}) {
    EXPECT_FALSE(ParseWholeNumber(bad, &v)) << bad;
  }
}

TEST(CrawlSettings, FromTheDatabase) {
  Database db;
  db.settings.site_address = "site/docs/";
  db.settings.timeout_index = "1";
  db.settings.delay_index = "3";
  db.settings.create_keywords = "0";
  db.excluded_pages = {"/x.htm"};
  CrawlSettings s;
  ASSERT_TRUE(MakeCrawlSettings(db, &s).ok());
  EXPECT_EQ(s.start_address, "http://site/docs/");
  EXPECT_EQ(s.read_timeout_ms, 20000);
  EXPECT_EQ(s.delay_ms, 3000);
  EXPECT_FALSE(s.create_keywords);
  EXPECT_EQ(s.excluded_pages, Strings{"/x.htm"});

  db.settings.delay_index = "2.5";
  Status st = MakeCrawlSettings(db, &s);
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.message(),
            "The delay index \"2.5\" in the database settings is not a whole number; choose a "
            "value in the Options dialog.");
  db.settings.delay_index = "0";
  db.settings.timeout_index = "";
  EXPECT_FALSE(MakeCrawlSettings(db, &s).ok());
}

TEST(CrawlSettings, StartAddress) {
  EXPECT_EQ(StartAddressOf("site/docs/"), "http://site/docs/");
  EXPECT_EQ(StartAddressOf("http://site"), "http://site");
  // An address with a scheme is used as typed; the fetcher reads schemes in
  // any letter case.
  EXPECT_EQ(StartAddressOf("HTTP://site"), "HTTP://site");
  EXPECT_EQ(StartAddressOf("https://site/docs/"), "https://site/docs/");
  EXPECT_EQ(StartAddressOf("site/?from=http://x"), "http://site/?from=http://x");
}

TEST(Crawler, ReadsBreadthFirstAndReportsEachLine) {
  FakeFetcher f;
  f.site = {{"http://site/", Page("Home", {"a.htm", "b.htm", "http://other/x.htm"})},
            {"http://site/a.htm", Page("A", {"c.htm", "b.htm", "/"})},
            {"http://site/b.htm", Page("B", {"a.htm", "d.htm"})},
            {"http://site/c.htm", Page("C", {})},
            {"http://site/d.htm", Page("D", {"index.htm"})}};
  Crawler crawler(f);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(SettingsFor("site/"), obs), CrawlOutcome::kComplete);
  // index.htm fails to load: no record, no line.
  EXPECT_EQ(Titles(crawler), (Strings{"Home", "A", "B", "C", "D"}));
  EXPECT_EQ(TableOf(crawler),
            (Strings{"http://site/", "http://site/a.htm", "http://site/b.htm", "http://site/c.htm",
                     "http://site/d.htm", "http://site/index.htm"}));
  EXPECT_EQ(obs.lines,
            (Strings{"Connecting ...", "Reading http://site/", "Reading http://site/a.htm",
                     "Reading http://site/b.htm", "Reading http://site/c.htm",
                     "Reading http://site/d.htm", "", "Index complete.", ""}));
  // The test read of the start page, then the start page again.
  EXPECT_EQ(f.gets[0], "http://site/");
  EXPECT_EQ(f.gets[1], "http://site/");
  EXPECT_EQ(f.user_agent, "TestAgent");
  EXPECT_EQ(f.read_timeout_ms, 20000);
  EXPECT_EQ(crawler.site_root(), "http://site");
  EXPECT_EQ(obs.progress.front(), (std::pair<size_t, size_t>(0, 1)));
  EXPECT_EQ(obs.progress.back(), (std::pair<size_t, size_t>(5, 6)));
}

TEST(Crawler, FailedStartAddress) {
  FakeFetcher f;
  f.site = {{"http://site/", "x"}};
  for (const char* address : {"HTTP://site/", "https://site/", "nowhere/"}) {
    Crawler crawler(f);
    RecordingObserver obs;
    EXPECT_EQ(crawler.Execute(SettingsFor(address), obs), CrawlOutcome::kFailedStart);
    EXPECT_EQ(obs.lines, (Strings{"Connecting ...", "Invalid address or site unavailable.",
                                  "The server answered \"404\".", "", "Index stopped."}))
        << address;
    EXPECT_TRUE(crawler.pages().empty());
  }
}

TEST(Crawler, StartAddressFollowsRedirectsOnItsHostAndCrawlsFromTheEnd) {
  FakeFetcher f;
  f.redirects = {{"http://site/", "https://site/"}, {"https://site/", "docs/"}};
  f.site = {{"https://site/docs/", Page("Docs", {"a.htm", "skip.htm", "http://site/docs/b.htm"})},
            {"https://site/docs/a.htm", Page("A", {"/c.htm"})},
            {"https://site/docs/skip.htm", Page("Skip", {})},
            {"https://site/docs/c.htm", Page("C", {})}};
  CrawlSettings s = SettingsFor("site/");
  s.excluded_pages = {"/skip.htm"};  // under the root the redirects ended at
  Crawler crawler(f);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(s, obs), CrawlOutcome::kComplete);
  EXPECT_EQ(crawler.start_address(), "https://site/docs/");
  EXPECT_EQ(crawler.site_root(), "https://site/docs");
  EXPECT_EQ(Titles(crawler), (Strings{"Docs", "A", "C"}));
  EXPECT_EQ(obs.lines, (Strings{"Connecting ...", "Redirected to https://site/docs/",
                                "Put this address into the site address to start there directly.",
                                "Reading https://site/docs/", "Reading https://site/docs/a.htm",
                                "Reading https://site/docs/c.htm", "", "Index complete.", ""}));
  EXPECT_EQ(f.gets,
            (Strings{"http://site/", "https://site/", "https://site/docs/", "https://site/docs/",
                     "https://site/docs/a.htm", "https://site/docs/c.htm"}));
}

TEST(Crawler, StartRedirectsAreFollowedFiveTimesAtMost) {
  FakeFetcher f;
  for (int i = 0; i < 6; ++i) {
    f.redirects["http://site/" + std::to_string(i) + ".htm"] = std::to_string(i + 1) + ".htm";
  }
  f.site = {{"http://site/6.htm", Page("Six", {})}};
  Crawler crawler(f);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(SettingsFor("site/1.htm"), obs), CrawlOutcome::kComplete);
  EXPECT_EQ(crawler.start_address(), "http://site/6.htm");
  EXPECT_EQ(Titles(crawler), Strings{"Six"});

  struct Case {
    std::map<std::string, std::string> redirects;
    std::string line;
  } cases[] = {
      {f.redirects, "More than 5 redirects."},
      {{{"http://site/0.htm", "/a/"}, {"http://site/a/", "../0.htm"}},
       "Redirect loop at http://site/0.htm"},
      {{{"http://site/0.htm", "http://www.site/0.htm"}},
       "Redirected to another host: http://www.site/0.htm"},
  };
  for (const Case& c : cases) {
    FakeFetcher g;
    g.redirects = c.redirects;
    g.site = f.site;
    Crawler failed(g);
    RecordingObserver lines;
    EXPECT_EQ(failed.Execute(SettingsFor("site/0.htm"), lines), CrawlOutcome::kFailedStart);
    EXPECT_EQ(lines.lines, (Strings{"Connecting ...", c.line,
                                    "Invalid address or site unavailable.", "", "Index stopped."}));
    EXPECT_LE(g.gets.size(), 6u);
  }
}

TEST(Crawler, PagesThatRedirectInsideTheSiteRootAreTakenAsLinks) {
  FakeFetcher f;
  f.site = {{"http://site/d/",
             Page("Home", {"old.htm", "away.htm", "back.htm", "up.htm", "secure.htm", "new.htm"})},
            {"http://site/d/new.htm", Page("New", {})},
            {"http://site/d/moved/page.htm", Page("Moved", {})}};
  f.redirects = {{"http://site/d/old.htm", "moved/page.htm"},
                 {"http://site/d/away.htm", "http://other/x.htm"},
                 {"http://site/d/back.htm", "/d/"},
                 {"http://site/d/up.htm", "../e.htm"},
                 {"http://site/d/secure.htm", "https://site/d/new.htm"}};
  Crawler crawler(f);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(SettingsFor("site/d/"), obs), CrawlOutcome::kComplete);
  // No record of its own; the page it points to is read in table order.
  EXPECT_EQ(Titles(crawler), (Strings{"Home", "New", "Moved"}));
  EXPECT_EQ(TableOf(crawler),
            (Strings{"http://site/d/", "http://site/d/old.htm", "http://site/d/away.htm",
                     "http://site/d/back.htm", "http://site/d/up.htm", "http://site/d/secure.htm",
                     "http://site/d/new.htm", "http://site/d/moved/page.htm"}));
  EXPECT_EQ(std::count(f.gets.begin(), f.gets.end(), "http://other/x.htm"), 0);
  EXPECT_EQ(std::count(f.gets.begin(), f.gets.end(), "http://site/e.htm"), 0);
  EXPECT_EQ(obs.progress.back(), (std::pair<size_t, size_t>(3, 8)));
}

TEST(Crawler, ExcludedAndFailedPagesAreSkippedSilentlyAndNotFollowed) {
  FakeFetcher f;
  f.site = {{"http://site/", Page("Home", {"gone.htm", "skip.htm", "a.htm"})},
            {"http://site/skip.htm", Page("Skip", {"hidden1.htm"})},
            {"http://site/a.htm", Page("A", {"b.htm"})},
            {"http://site/b.htm", Page("B", {})}};
  CrawlSettings s = SettingsFor("site/");
  s.excluded_pages = {"/skip.htm", "/nothing.htm"};
  Crawler crawler(f);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(s, obs), CrawlOutcome::kComplete);
  EXPECT_EQ(Titles(crawler), (Strings{"Home", "A", "B"}));
  EXPECT_EQ(std::count(f.gets.begin(), f.gets.end(), "http://site/skip.htm"), 0);
  EXPECT_EQ(std::count(f.gets.begin(), f.gets.end(), "http://site/gone.htm"), 1);
  EXPECT_EQ(obs.lines.size(), 1u + 3u + 3u);
}

TEST(Crawler, StartPageExcludedOrFailingAtItsSecondReadGivesNoPages) {
  FakeFetcher f;
  f.site = {{"http://site/a.htm", Page("A", {})}};
  CrawlSettings s = SettingsFor("site/a.htm");
  s.excluded_pages = {"/a.htm"};
  Crawler crawler(f);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(s, obs), CrawlOutcome::kComplete);
  EXPECT_TRUE(crawler.pages().empty());
  EXPECT_EQ(obs.lines, (Strings{"Connecting ...", "", "Index complete.", ""}));

  int reads = 0;
  f.on_get = [&](const std::string&) {
    if (++reads == 2) f.site.clear();
  };
  Crawler second(f);
  RecordingObserver obs2;
  EXPECT_EQ(second.Execute(SettingsFor("site/a.htm"), obs2), CrawlOutcome::kComplete);
  EXPECT_TRUE(second.pages().empty());
}

TEST(Crawler, RequestDelayPrecedesEveryFetchButTheTestRead) {
  FakeFetcher f;
  f.site = {{"http://site/", Page("Home", {"a.htm", "b.htm"})},
            {"http://site/a.htm", Page("A", {})}};
  CrawlSettings s = SettingsFor("site/");
  s.delay_ms = 7;
  Crawler crawler(f);
  RecordingObserver obs;
  crawler.Execute(s, obs);
  EXPECT_EQ(f.gets.size(), 4u);  // test read, home, a, b (fails)
  EXPECT_EQ(f.sleeps, (std::vector<int>{7, 7, 7}));
}

TEST(Crawler, FullPageTableEndsTheCrawl) {
  FakeFetcher f;
  f.site = {{"http://site/", Page("Home", {"a.htm", "b.htm", "c.htm"})},
            {"http://site/a.htm", Page("A", {})},
            {"http://site/b.htm", Page("B", {})}};
  CrawlLimits limits;
  limits.max_pages = 2;
  Crawler crawler(f, limits);
  RecordingObserver obs;
  EXPECT_EQ(crawler.Execute(SettingsFor("site/"), obs), CrawlOutcome::kComplete);
  EXPECT_EQ(Titles(crawler), (Strings{"Home", "A"}));
  EXPECT_EQ(obs.lines.back(), "");
  EXPECT_EQ(obs.lines[obs.lines.size() - 2], "Index complete.");
}

TEST(Crawler, KeywordsAndExcludedWordsComeFromTheSettings) {
  FakeFetcher f;
  f.site = {{"http://site/", "<!-- duvra -->the cat sat <!-- /duvra -->"}};
  CrawlSettings s = SettingsFor("site/");
  s.create_keywords = true;
  s.excluded_words = {"the"};
  Crawler crawler(f);
  RecordingObserver obs;
  crawler.Execute(s, obs);
  ASSERT_EQ(crawler.pages().size(), 1u);
  EXPECT_EQ(crawler.pages()[0].keywords, "cat sat");
}

TEST(CrawlThread, StopEndsARunningFetchAndKeepsThePagesRead) {
  FakeFetcher f;
  f.site = {{"http://site/", Page("Home", {"a.htm", "slow.htm", "b.htm"})},
            {"http://site/a.htm", Page("A", {})},
            {"http://site/b.htm", Page("B", {})}};
  f.blocking = {"http://site/slow.htm"};
  Crawler crawler(f);
  RecordingObserver obs;
  CrawlThread thread(crawler);
  thread.Start(SettingsFor("site/"), obs);
  while (f.get_count() < 4) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(thread.running());
  thread.RequestStop();
  EXPECT_EQ(thread.Join(), CrawlOutcome::kStopped);
  EXPECT_FALSE(thread.running());
  EXPECT_EQ(Titles(crawler), (Strings{"Home", "A"}));
  EXPECT_EQ(obs.lines.back(), "");
  EXPECT_EQ(obs.lines[obs.lines.size() - 2], "Index stopped.");
  EXPECT_EQ(obs.finished, std::vector<CrawlOutcome>{CrawlOutcome::kStopped});

  // The same crawler runs again after a stop.
  f.blocking.clear();
  RecordingObserver again;
  thread.Start(SettingsFor("site/"), again);
  EXPECT_EQ(thread.Join(), CrawlOutcome::kComplete);
  EXPECT_EQ(Titles(crawler), (Strings{"Home", "A", "B"}));
}

TEST(CrawlThread, StopDuringTheRequestDelayAndDuringTheTestRead) {
  FakeFetcher f;
  f.site = {{"http://site/", Page("Home", {"a.htm"})}, {"http://site/a.htm", Page("A", {})}};
  CrawlSettings s = SettingsFor("site/");
  s.delay_ms = 3600 * 1000;
  Crawler crawler(f);
  RecordingObserver obs;
  {
    CrawlThread thread(crawler);
    thread.Start(s, obs);
    while (f.sleep_calls.load() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    thread.RequestStop();
    EXPECT_EQ(thread.Join(), CrawlOutcome::kStopped);
    EXPECT_TRUE(crawler.pages().empty());
  }
  f.blocking = {"http://site/"};
  RecordingObserver obs2;
  CrawlThread thread(crawler);
  thread.Start(SettingsFor("site/"), obs2);
  while (f.get_count() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  thread.RequestStop();
  EXPECT_EQ(thread.Join(), CrawlOutcome::kFailedStart);
  EXPECT_EQ(obs2.lines, (Strings{"Connecting ...", "", "Index stopped."}));
}

TEST(CrawlThread, DestructorStopsACrawlStillRunning) {
  FakeFetcher f;
  f.site = {{"http://site/", "x"}};
  f.blocking = {"http://site/"};
  Crawler crawler(f);
  RecordingObserver obs;
  {
    CrawlThread thread(crawler);
    thread.Start(SettingsFor("site/"), obs);
  }
  EXPECT_EQ(obs.finished.size(), 1u);
}

}  // namespace
}  // namespace duvra
