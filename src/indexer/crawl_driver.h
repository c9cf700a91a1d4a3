// The crawl driver: reads a site page after page through a PageFetcher,
// in crawl-table order, and keeps the page records for the merge. A crawl
// runs on a worker thread (CrawlThread) or on the calling one (Execute);
// it never touches the open database, whose settings it gets as a copy.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "base/seconds.h"
#include "base/status.h"
#include "base/whole_number.h"
#include "database/db_files.h"
#include "http/page_fetcher.h"
#include "indexer/folder_source.h"
#include "indexer/link_discovery.h"
#include "indexer/page_analysis.h"
#include "indexer/robots_txt.h"

namespace duvra {

inline constexpr std::string_view kConnecting = "Connecting ...";
inline constexpr std::string_view kInvalidAddress = "Invalid address or site unavailable.";
inline constexpr std::string_view kIndexStopped = "Index stopped.";
inline constexpr std::string_view kIndexComplete = "Index complete.";
// Closing line of a crawl that obeys robots rules, filled with the count.
inline constexpr std::string_view kLeftOutByRobots = "Pages left out by robots rules: %s";
// The reason line of a start page answered with an error status.
inline constexpr std::string_view kServerAnswered = "The server answered \"%s\".";
// Log line of a response that is not HTML, filled with the address.
inline constexpr std::string_view kNotHtml = "Not an HTML page: %s";
// Filled with the setting's name and its text.
inline constexpr std::string_view kNotWholeNumber =
    "The %s index \"%s\" in the database settings is not a whole number; "
    "choose a value in the Options dialog.";

// The page table holds this many pages; the crawl ends when it is full.
inline constexpr size_t kMaxCrawlPages = 65535;

// Read time-out of the timeout index 0-5 (10 to 60 seconds); indices
// outside the table take its nearest end.
int ReadTimeoutMs(int timeout_index);
// Request delay of the delay index 0-9 (0 to 60 seconds); another number is
// taken as milliseconds, a negative one as 0.
int RequestDelayMs(int delay_index);
// Why the start page could not be read, as one log line: the socket or TLS
// reason, the time-out, or the status the server answered; empty for a
// stopped read.
std::string StartFailureReason(const FetchResult& result);
// The site address as typed when it begins with a scheme ("http://",
// "https://" ...), else with "http://" put in front.
std::string StartAddressOf(std::string_view site_address);

// Everything a crawl reads of the open database, converted.
struct CrawlSettings {
  std::string start_address;
  std::string user_agent;
  int read_timeout_ms = kDefaultReadTimeoutMs;
  int delay_ms = 0;
  bool create_keywords = true;
  std::vector<std::string> excluded_words;
  std::vector<std::string> excluded_pages;
  // The extra settings of the header's third line; all off by default.
  bool robots = false;
  bool visible_text = false;
  bool opening_text = false;
  bool plain_links = false;
  size_t max_words = kMaxKeywordsPerPage;
  bool one_page = false;
  // When not empty, the site is read from this folder, which holds the
  // site root, instead of over HTTP.
  std::string folder;
  // The site's sitemaps add their pages to the crawl table at the start.
  bool sitemap = false;
};

// Copies the crawl's settings from the database. A timeout or delay index
// that is not a whole number fails with kNotWholeNumber's text.
Status MakeCrawlSettings(const Database& db, CrawlSettings* out);

// Sizes of a crawl; tests make them small.
struct CrawlLimits {
  size_t max_pages = kMaxCrawlPages;
  size_t table_capacity = kCrawlTableCapacity;
  size_t cut = kScanCutLength;
};

enum class CrawlOutcome {
  kComplete,     // no address left pending, or the page table is full
  kStopped,      // a stop request ended it; the pages read can be merged
  kFailedStart,  // the start address could not be read, or a stop came first
};

// Receives a crawl's reports, on the thread that runs the crawl.
class CrawlObserver {
 public:
  virtual ~CrawlObserver() = default;
  // One line of the progress log, as it happens.
  virtual void Line(const std::string& text) = 0;
  // After the start and after every page read.
  virtual void Progress(size_t /*pages_read*/, size_t /*addresses_found*/) {}
  // The last call of a crawl run by CrawlThread.
  virtual void Finished(CrawlOutcome /*outcome*/) {}
};

class Crawler {
 public:
  explicit Crawler(PageFetcher& fetcher, CrawlLimits limits = {});

  // A whole crawl: Init, then passes of GetHTML until the crawl is
  // finished, then the closing lines. The pages read are kept for the merge.
  CrawlOutcome Execute(const CrawlSettings& settings, CrawlObserver& observer);

  // Prepares a crawl and reads the start address once, following up to five
  // redirects on its host (the crawl then starts from where they end);
  // false when it cannot be read (the crawl is then finished).
  bool Init(const CrawlSettings& settings, CrawlObserver& observer);
  // One crawl pass over the entries pending at its start.
  void GetHTML(CrawlObserver& observer);

  // From any thread: ends the crawl after the page being read; a running
  // fetch or request delay is cut short and its page dropped.
  void RequestStop();
  // Re-arms after a stop request; not while a crawl runs.
  void ClearStop();
  bool stop_requested() const { return external_stop_requested_.load(); }
  bool crawl_finished() const { return crawl_finished_; }

  const std::vector<PageRecord>& pages() const { return pages_; }
  const std::string& site_root() const { return site_root_; }
  // Where the crawl started: the start address after its redirects.
  const std::string& start_address() const { return settings_.start_address; }
  const CrawlTable& table() const { return table_; }
  // After a failed start: the line that says why (empty when a stop, a
  // redirect line or the folder's message already said it).
  const std::string& start_failure() const { return start_failure_; }
  // Pages left out by robots.txt, noindex or a canonical address met before.
  size_t left_out_by_robots() const { return left_out_by_robots_; }

 private:
  // The folder when the settings name one, else the fetcher.
  PageFetcher& source() { return settings_.folder.empty() ? fetcher_ : folder_; }
  // Puts the pages the site's sitemaps list into the crawl table, after
  // the start page; false when a stop request ended it.
  bool AddSitemapPages(CrawlObserver& observer);
  bool Excluded(const std::string& address) const;
  void ReadPage(const std::string& address, const FetchResult& result, CrawlObserver& observer);
  void ReadRobotsTxt();
  // A page that redirects: where it points is taken as a link of it.
  void FollowRedirect(const std::string& address, const FetchResult& result,
                      CrawlObserver& observer);

  PageFetcher& fetcher_;
  FolderSource folder_;
  CrawlLimits limits_;
  // Set by RequestStop from any thread (the Stop button, a closing window,
  // an interrupt); cleared only by ClearStop.
  std::atomic<bool> external_stop_requested_{false};
  // Set by the crawl itself when no further pass is to run: a failed start,
  // nothing left pending, a full page table, or a stop request it has seen.
  bool crawl_finished_ = false;
  CrawlSettings settings_;
  KeywordSettings keyword_settings_{true, {}};
  std::unordered_set<std::string> excluded_addresses_;  // site root + each excluded page
  std::string site_root_;
  CrawlTable table_;
  size_t first_pending_ = 1;  // every entry before it has been handled
  std::vector<PageRecord> pages_;
  RobotsRules robots_;
  std::vector<std::string> robots_sitemaps_;  // the sitemaps robots.txt names
  size_t left_out_by_robots_ = 0;
  std::string start_failure_;
};

// Runs Crawler::Execute on a worker thread. The observer is called on that
// thread, Finished last; the pages may be read once Join has returned.
class CrawlThread {
 public:
  explicit CrawlThread(Crawler& crawler) : crawler_(crawler) {}
  ~CrawlThread();  // stops and joins a crawl still running
  CrawlThread(const CrawlThread&) = delete;
  CrawlThread& operator=(const CrawlThread&) = delete;

  // Starts a crawl; one at a time (a previous one is joined first).
  void Start(CrawlSettings settings, CrawlObserver& observer);
  void RequestStop() { crawler_.RequestStop(); }
  // Waits for the crawl to end; returns its outcome.
  CrawlOutcome Join();
  bool running() const { return running_.load(); }

 private:
  Crawler& crawler_;
  std::thread worker_;
  std::atomic<bool> running_{false};
  CrawlOutcome outcome_ = CrawlOutcome::kComplete;
};

}  // namespace duvra
