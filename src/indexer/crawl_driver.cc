#include "indexer/crawl_driver.h"

#include <algorithm>
#include <iterator>

#include "database/address_conversion.h"
#include "indexer/page_charset.h"
#include "indexer/page_directives.h"
#include "indexer/redirects.h"
#include "indexer/sitemap.h"

namespace duvra {
int ReadTimeoutMs(int timeout_index) {
  const int last = static_cast<int>(std::size(kTimeoutChoices)) - 1;
  return kTimeoutChoices[std::clamp(timeout_index, 0, last)] * kMillisecondsPerSecond;
}

int RequestDelayMs(int delay_index) {
  if (delay_index >= 0 && delay_index < static_cast<int>(std::size(kDelayChoices))) {
    return kDelayChoices[delay_index] * kMillisecondsPerSecond;
  }
  return std::max(delay_index, 0);
}

std::string StartFailureReason(const FetchResult& result) {
  if (result.ok || result.stopped) return {};
  if (result.status_code > 0) {
    return FormatMessage(kServerAnswered,
                         {result.status_line.empty() ? result.error : result.status_line});
  }
  // "Socket Error # 111\r\nConnection refused" reads as one line with the
  // reason first.
  const std::string_view prefix = "Socket Error # ";
  const size_t br = result.error.find("\r\n");
  if (result.error.starts_with(prefix) && br != std::string::npos) {
    std::string reason = result.error.substr(br + 2);
    if (reason.ends_with('.')) reason.pop_back();
    return reason + " (socket error " + result.error.substr(prefix.size(), br - prefix.size()) +
           ")";
  }
  std::string line = result.error;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

std::string StartAddressOf(std::string_view site_address) { return ConversionBase(site_address); }

Status MakeCrawlSettings(const Database& db, CrawlSettings* out) {
  int timeout_index = 0, delay_index = 0;
  if (!ParseWholeNumber(db.settings.timeout_index, &timeout_index)) {
    return Status::Error(FormatMessage(kNotWholeNumber, {"timeout", db.settings.timeout_index}));
  }
  if (!ParseWholeNumber(db.settings.delay_index, &delay_index)) {
    return Status::Error(FormatMessage(kNotWholeNumber, {"delay", db.settings.delay_index}));
  }
  out->start_address = StartAddressOf(db.settings.site_address);
  out->user_agent = db.settings.user_agent;
  out->read_timeout_ms = ReadTimeoutMs(timeout_index);
  out->delay_ms = RequestDelayMs(delay_index);
  out->create_keywords = db.settings.create_keywords == "1";
  out->excluded_words = db.excluded_words;
  out->excluded_pages = db.excluded_pages;
  out->robots = db.extra.Flag("robots");
  out->visible_text = db.extra.Flag("visibletext");
  out->opening_text = db.extra.Flag("openingtext");
  out->plain_links = db.extra.Flag("plainlinks");
  out->max_words = static_cast<size_t>(db.extra.Number("maxwords", kMaxKeywordsPerPage));
  out->one_page = db.extra.Flag("onepage");
  out->sitemap = db.extra.Flag("sitemap");
  // A folder named relative to the database's own folder moves with it.
  out->folder = db.extra.Get("folder");
  if (!out->folder.empty() && out->folder.front() != kPathSeparator) {
    out->folder = db.folder + out->folder;
  }
  return Status::Ok();
}

Crawler::Crawler(PageFetcher& fetcher, CrawlLimits limits)
    : fetcher_(fetcher), limits_(limits), table_(limits.table_capacity) {}

void Crawler::RequestStop() {
  external_stop_requested_.store(true);
  fetcher_.RequestStop();
  folder_.RequestStop();
}

void Crawler::ClearStop() {
  external_stop_requested_.store(false);
  fetcher_.ClearStop();
  folder_.ClearStop();
}

bool Crawler::Init(const CrawlSettings& settings, CrawlObserver& observer) {
  observer.Line(std::string(kConnecting));
  settings_ = settings;
  source().SetUserAgent(settings.user_agent);
  source().SetReadTimeout(settings.read_timeout_ms);
  keyword_settings_ = KeywordSettings(settings.create_keywords, settings.excluded_words);
  keyword_settings_.set_visible_text(settings.visible_text);
  keyword_settings_.set_opening_text(settings.opening_text);
  keyword_settings_.set_max_words(settings.max_words);
  robots_ = RobotsRules();
  robots_sitemaps_.clear();
  left_out_by_robots_ = 0;
  crawl_finished_ = false;
  pages_.clear();
  first_pending_ = 1;
  site_root_.clear();
  excluded_addresses_.clear();
  start_failure_.clear();

  if (!settings.folder.empty()) {
    // The folder holds the site root; a redirect of the start address
    // (a folder named without its "/") keeps that root.
    const Status open =
        folder_.Open(settings.folder, SiteRootOf(settings.start_address), settings.plain_links);
    if (!open.ok()) {
      observer.Line(open.message());
      crawl_finished_ = true;
      return false;
    }
  }
  // The body of this test read is not analysed; the first pass reads the
  // start page again, at the address its redirects ended at.
  const StartRead test = ReadStartAddress(source(), settings.start_address);
  for (const std::string& line : test.lines) observer.Line(line);
  if (!test.result.ok || test.result.stopped || stop_requested()) {
    // A redirect that could not be followed has said why already.
    if (test.lines.empty() && !stop_requested()) start_failure_ = StartFailureReason(test.result);
    crawl_finished_ = true;
    return false;
  }
  // Scheme and host are compared without regard to case from here on.
  settings_.start_address = NormalizeSchemeHost(test.final_address);
  site_root_ = SiteRootOf(settings_.start_address);
  if (settings_.robots) ReadRobotsTxt();
  for (const std::string& page : settings.excluded_pages) {
    excluded_addresses_.insert(site_root_ + page);
  }
  table_.set_one_page(settings_.one_page);
  table_.Reset(settings_.start_address);
  if (settings_.sitemap && !AddSitemapPages(observer)) {
    crawl_finished_ = true;
    return true;  // the crawl was started; the stop ends it with nothing read
  }
  observer.Progress(0, table_.count());
  return true;
}

bool Crawler::AddSitemapPages(CrawlObserver& observer) {
  const std::string origin = OriginOf(site_root_);
  std::vector<std::string> sitemaps = {origin + std::string(kSitemapPath)};
  // Those robots.txt names, on the site's own origin only.
  for (const std::string& named : robots_sitemaps_) {
    if (LoweredOrigin(named) == LoweredOrigin(origin)) sitemaps.push_back(named);
  }
  SitemapReadOptions options;
  options.delay_ms = settings_.delay_ms;
  // A <loc> goes through the tests of a link found on the sitemap.
  return ReadSitemaps(
      source(), sitemaps, origin, options,
      [&](const std::string& sitemap, const std::string& loc) {
        AddToList(loc,
                  LinkContext{PageDirectoryOf(sitemap), site_root_, settings_.plain_links, sitemap},
                  table_);
        return !table_.full();
      },
      [&](const std::string& line) { observer.Line(line); });
}

void Crawler::FollowRedirect(const std::string& address, const FetchResult& result,
                             CrawlObserver& observer) {
  const std::string target = ResolveLocation(address, result.location);
  if (target.empty()) return;
  // Through the link rules: only an address inside the site root that is
  // new to the table is appended.
  if (AddToList(target,
                LinkContext{PageDirectoryOf(address), site_root_, settings_.plain_links, address},
                table_)) {
    observer.Progress(pages_.size(), table_.count());
  }
}

bool Crawler::Excluded(const std::string& address) const {
  return excluded_addresses_.count(address) != 0;
}

void Crawler::ReadRobotsTxt() {
  // Read once per crawl; a missing or failing file allows everything.
  const FetchResult r = source().Get(OriginOf(settings_.start_address) + "/robots.txt");
  if (r.ok) {
    robots_ = RobotsRules::Parse(r.body, ProductToken(settings_.user_agent));
    robots_sitemaps_ = RobotsTxtSitemaps(r.body);
  }
}

void Crawler::ReadPage(const std::string& address, const FetchResult& result,
                       CrawlObserver& observer) {
  if (!IsHtmlResponse(result.content_type, result.body)) {
    observer.Line(FormatMessage(kNotHtml, {address}));
    return;
  }
  // Every position below is in the decoded text, so the search copy, the
  // link scan and the fields agree.
  const std::string page = DecodePage(result.content_type, result.body);
  const std::string search_copy = LowerAscii(page);
  RobotsDirectives directives;
  if (settings_.robots) {
    directives = MetaRobots(page, search_copy);
    directives.Add(ParseRobotsDirectives(result.robots_tag));
  }
  if (!directives.nofollow) {
    LinkContext context{PageDirectoryOf(address), site_root_, settings_.plain_links, address};
    if (settings_.plain_links) {
      if (std::string base = BaseHref(page, search_copy); !base.empty()) {
        if (std::string resolved = ResolveLocation(address, base); !resolved.empty()) {
          context.base = std::move(resolved);
        }
      }
    }
    std::function<bool(size_t)> follow;
    if (settings_.robots) {
      follow = [&](size_t at) { return !LinkIsNofollow(page, search_copy, at); };
    }
    DiscoverLinks(page, search_copy, context, limits_.cut, table_, follow);
  }
  if (directives.noindex) {
    ++left_out_by_robots_;
    return;
  }
  if (settings_.one_page) {
    // A page that names another address of the crawl as the real one is
    // that page again.
    const std::string canonical = LinkRelHref(page, search_copy, "canonical");
    if (!canonical.empty()) {
      const std::string target = NormalizeSchemeHost(ResolveLocation(address, canonical));
      if (!target.empty() && target != address && PageKey(target) != PageKey(address) &&
          InsideSiteRoot(target, site_root_) && table_.ContainsPage(target)) {
        return;
      }
    }
  }
  observer.Line(std::string(kReadingPrefix) + address);
  pages_.push_back(AnalysePage(page, search_copy, address, keyword_settings_, limits_.cut));
}

void Crawler::GetHTML(CrawlObserver& observer) {
  bool fetched = false;
  const size_t count = table_.count();
  for (size_t n = first_pending_; n <= count; ++n) {
    if (!table_.pending(n)) continue;
    if (stop_requested()) {
      crawl_finished_ = true;
      return;
    }
    // A pass that ends early is followed by a fresh one; entries handled
    // by now are no longer pending, so the next one starts after them.
    const std::string address(table_.address(n));
    if (Excluded(address)) {
      table_.ClearPending(n);
      first_pending_ = n + 1;
      return;
    }
    if (settings_.robots && !robots_.Allowed(PathAndQueryOf(address))) {
      table_.ClearPending(n);
      first_pending_ = n + 1;
      ++left_out_by_robots_;
      return;
    }
    if (settings_.delay_ms > 0 && !source().SleepUnlessStopped(settings_.delay_ms)) {
      crawl_finished_ = true;
      return;
    }
    fetched = true;
    FetchResult result = source().Get(address);
    if (result.stopped || stop_requested()) {
      crawl_finished_ = true;
      return;
    }
    table_.ClearPending(n);
    first_pending_ = n + 1;
    if (!result.ok) {
      // No record either way; a redirect inside the site root adds the
      // page it points to.
      if (IsRedirect(result)) FollowRedirect(address, result, observer);
      return;
    }
    ReadPage(address, result, observer);
    observer.Progress(pages_.size(), table_.count());
    if (pages_.size() >= limits_.max_pages) {
      crawl_finished_ = true;
      return;
    }
  }
  if (!fetched) crawl_finished_ = true;
}

CrawlOutcome Crawler::Execute(const CrawlSettings& settings, CrawlObserver& observer) {
  if (!Init(settings, observer)) {
    if (!stop_requested()) observer.Line(std::string(kInvalidAddress));
    if (!start_failure_.empty()) observer.Line(start_failure_);
    observer.Line("");
    observer.Line(std::string(kIndexStopped));
    return CrawlOutcome::kFailedStart;
  }
  while (!crawl_finished_) GetHTML(observer);
  const bool stopped = stop_requested();
  if (settings_.robots) {
    observer.Line(FormatMessage(kLeftOutByRobots, {std::to_string(left_out_by_robots_)}));
  }
  observer.Line("");
  observer.Line(std::string(stopped ? kIndexStopped : kIndexComplete));
  observer.Line("");
  return stopped ? CrawlOutcome::kStopped : CrawlOutcome::kComplete;
}

CrawlThread::~CrawlThread() {
  if (worker_.joinable()) {
    crawler_.RequestStop();
    worker_.join();
  }
}

void CrawlThread::Start(CrawlSettings settings, CrawlObserver& observer) {
  if (worker_.joinable()) worker_.join();
  crawler_.ClearStop();
  running_.store(true);
  worker_ = std::thread([this, settings = std::move(settings), &observer] {
    outcome_ = crawler_.Execute(settings, observer);
    running_.store(false);
    observer.Finished(outcome_);
  });
}

CrawlOutcome CrawlThread::Join() {
  if (worker_.joinable()) worker_.join();
  return outcome_;
}

}  // namespace duvra
