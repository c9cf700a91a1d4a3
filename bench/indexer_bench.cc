// The indexer: page analysis of a tag-dense 1 MB page against a memchr pass
// over the same bytes; link discovery filling the crawl table and the
// update merge at three sizes (linear) beside the literal algorithms
// (quadratic) at small sizes; and a whole crawl of Debian's PostgreSQL
// documentation served by nginx on loopback against wget --recursive over
// the same site; and Debian's Python and PostgreSQL documentation crawled
// with every extra setting on against plain wget --recursive --level=inf
// --no-parent, with what the records hold (pages wget reached without a
// record, pages recorded twice, keywords found only in scripts or styles,
// the share of records with a Text). Prints ratios measured in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../tests/http/nginx_server.h"
#include "../tests/indexer/reference_indexer.h"
#include "base/text_file.h"
#include "bench_process.h"
#include "bench_ratio.h"
#include "http/http_client.h"
#include "indexer/crawl_driver.h"
#include "indexer/link_discovery.h"
#include "indexer/merge.h"
#include "indexer/page_analysis.h"
#include "indexer/page_charset.h"

extern char** environ;

namespace {

using namespace duvra;
using duvra::testing::NginxServer;

constexpr size_t kPageBytes = 1 << 20;
constexpr size_t kLinksPerPage = 50;
constexpr const char* kDocsDir = "/usr/share/doc/postgresql-doc-15/html";
const std::string kRoot = "http://www.example.com";

// A page that is mostly markup: a tag every dozen bytes, links, entities,
// punctuation and line breaks, and keyword markers around the body.
std::string TagDensePage(size_t bytes) {
  std::string p =
      "<html><head><title>Dense page</title>"
      "<meta name=\"description\" content=\"A page of tags\">"
      "<meta name=\"keywords\" content=\"dense, tags, bench\"></head><body>\n"
      "<!-- duvra -->\n";
  for (size_t i = 0; p.size() < bytes; ++i) {
    p += "<div class=\"row\"><a href=\"section" + std::to_string(i % 997) + "/Page" +
         std::to_string(i) + ".html#top\">Item " + std::to_string(i) + "</a>, <span>word" +
         std::to_string(i % 300) + "</span> &amp; <b>more</b>.</div>\r\n";
  }
  p.resize(bytes);
  return p;
}

const std::string& DensePage() {
  static const std::string page = TagDensePage(kPageBytes);
  return page;
}

void BM_MemchrPass(benchmark::State& state) {
  const std::string& page = DensePage();
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memchr(page.data(), '\x01', page.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// What the crawl does with one page: search copy, links into the table,
// then the record with created keywords.
void BM_AnalyseDensePage(benchmark::State& state) {
  const std::string& page = DensePage();
  const KeywordSettings settings(true, {"the", "and", "more"});
  for (auto _ : state) {
    CrawlTable table;
    table.Reset(kRoot + "/");
    const std::string search = LowerAscii(page);
    DiscoverLinks(page, search, kRoot + "/docs/page.html", kRoot, kScanCutLength, table);
    PageRecord r = AnalysePage(page, search, kRoot + "/docs/page.html", settings, kScanCutLength);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_StripTags(benchmark::State& state) {
  const std::string region = DensePage().substr(0, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(StripTags(region));
}

void BM_StripTagsLiteral(benchmark::State& state) {
  const std::string region = DensePage().substr(0, static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(reference::StripTags(region));
}

// Pages of 50 links each, enough distinct links to fill `entries` table
// entries; each page's search copy is made beforehand, as the crawl makes
// it once for links and analysis together.
struct LinkPages {
  std::vector<std::string> pages, searches, addresses;
};

LinkPages MakeLinkPages(size_t entries) {
  LinkPages lp;
  for (size_t n = 0, page = 0; n < entries; ++page) {
    std::string p = "<html><body>";
    for (size_t k = 0; k < kLinksPerPage; ++k, ++n) {
      p += "<li><a href=\"../part" + std::to_string(n % 64) + "/Topic" + std::to_string(n) +
           ".html\">Topic " + std::to_string(n) + "</a></li>\n";
    }
    lp.pages.push_back(p + "</body></html>");
    lp.searches.push_back(LowerAscii(lp.pages.back()));
    lp.addresses.push_back(kRoot + "/docs/part" + std::to_string(page % 64) + "/Index.html");
  }
  return lp;
}

void BM_FillCrawlTable(benchmark::State& state) {
  const size_t entries = static_cast<size_t>(state.range(0));
  const LinkPages lp = MakeLinkPages(entries);
  for (auto _ : state) {
    CrawlTable table(entries + 1);
    table.Reset(kRoot + "/");
    for (size_t i = 0; i < lp.pages.size(); ++i) {
      DiscoverLinks(lp.pages[i], lp.searches[i], lp.addresses[i], kRoot, kScanCutLength, table);
    }
    if (table.count() != entries + 1) state.SkipWithError("table not filled");
  }
}

void BM_FillCrawlTableLiteral(benchmark::State& state) {
  const size_t entries = static_cast<size_t>(state.range(0));
  const LinkPages lp = MakeLinkPages(entries);
  for (auto _ : state) {
    reference::Table table;
    table.capacity = entries + 1;
    table.addresses = {kRoot + "/"};
    table.pending = {true};
    for (size_t i = 0; i < lp.pages.size(); ++i) {
      const std::string dir = PageDirectoryOf(lp.addresses[i]);
      for (const auto& v : reference::ScanLinks(lp.pages[i], kScanCutLength)) {
        reference::AddToList(v, dir, kRoot, table);
      }
    }
    if (table.addresses.size() != entries + 1) state.SkipWithError("table not filled");
  }
}

// n records with local addresses, and n crawled pages of the same site,
// every other one with a new title.
struct MergeInput {
  std::vector<std::string> records;
  std::vector<PageRecord> pages;
};

MergeInput MakeMergeInput(size_t n) {
  MergeInput in;
  for (size_t i = 0; i < n; ++i) {
    const std::string path = "/docs/page" + std::to_string(i) + ".html";
    in.records.push_back(std::to_string(i) + "^Title " + std::to_string(i) + "^" + path +
                         "^Text of the page^keywords of the page^0");
    in.pages.push_back({(i % 2 ? "New title " : "Title ") + std::to_string(i), kRoot + path,
                        "Text of the page", "keywords of the page"});
  }
  return in;
}

void BM_UpdateMerge(benchmark::State& state) {
  const MergeInput in = MakeMergeInput(static_cast<size_t>(state.range(0)));
  Database db;
  for (auto _ : state) {
    state.PauseTiming();
    db.records.Assign(in.records);
    state.ResumeTiming();
    MergeResult r = MergePages(db, in.pages, kRoot, MergeMode::kUpdate);
    if (r.updated != in.pages.size() / 2 || r.added != 0) state.SkipWithError("wrong merge");
  }
}

// Baseline for the merge: read the address field of every record once, the
// least a merge must do. Beyond the caches each row costs more, for the
// merge and the baseline alike.
void BM_TouchRecords(benchmark::State& state) {
  const MergeInput in = MakeMergeInput(static_cast<size_t>(state.range(0)));
  Database db;
  db.records.Assign(in.records);
  for (auto _ : state) {
    size_t sum = 0;
    for (const std::string& line : db.records.lines()) sum += line.find('^', line.find('^') + 1);
    benchmark::DoNotOptimize(sum);
  }
}

void BM_UpdateMergeLiteral(benchmark::State& state) {
  const MergeInput in = MakeMergeInput(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> list = in.records;
    state.ResumeTiming();
    reference::Merge(list, in.pages, kRoot, MergeMode::kUpdate);
    benchmark::DoNotOptimize(list);
  }
}

// The documentation site on nginx, shared by the two crawls below.
NginxServer* docs_server = nullptr;
std::string docs_start;
std::set<std::string> our_pages, wget_pages;  // file names below the folder

struct NoLines : CrawlObserver {
  void Line(const std::string&) override {}
};

void BM_CrawlDocs(benchmark::State& state) {
  if (docs_server == nullptr) return state.SkipWithError("no documentation site");
  size_t pages = 0;
  for (auto _ : state) {
    HttpClient client;
    Crawler crawler(client);
    CrawlSettings s;
    s.start_address = docs_start;
    s.excluded_words = {"the", "and", "of"};
    NoLines none;
    if (crawler.Execute(s, none) != CrawlOutcome::kComplete) state.SkipWithError("crawl failed");
    pages = crawler.pages().size();
    our_pages.clear();
    for (const PageRecord& p : crawler.pages()) {
      std::string name = p.address.substr(docs_start.size());
      our_pages.insert(name.empty() ? "index.html" : name);
    }
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// wget exits 8 when some link gave a 404, which a crawl of a real site meets.
bool RunQuietly(const std::vector<std::string>& argv) {
  int code = -1;
  return bench::RunQuietly(argv, &code);
}

void BM_WgetDocs(benchmark::State& state) {
  if (docs_server == nullptr) return state.SkipWithError("no documentation site");
  const std::string dir = (std::filesystem::temp_directory_path() / "duvra-wget-bench").string();
  size_t pages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
    if (!RunQuietly({"wget", "--recursive", "--level=inf", "--no-parent", "--accept", "html", "-e",
                     "robots=off", "-q", "-P", dir, docs_start})) {
      state.SkipWithError("wget did not run");
    }
    state.PauseTiming();
    wget_pages.clear();
    const std::string host = docs_start.substr(7, docs_start.find('/', 7) - 7);
    const std::filesystem::path base = std::filesystem::path(dir) / host / "pg";
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(base, ec)) {
      if (e.is_regular_file()) wget_pages.insert(e.path().lexically_relative(base).string());
    }
    pages = wget_pages.size();
    state.ResumeTiming();
  }
  std::filesystem::remove_all(dir);
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// Two documentation sites crawled as a new database crawls them (every
// extra setting on, no delay) against wget as the issue of record runs it,
// in the same run: speed, and what the records hold.
struct DocsSite {
  const char* name;
  const char* dir;    // the HTML folder on disk
  std::string start;  // its address on the shared nginx
  std::vector<PageRecord> records;
  std::set<std::string> wget_html;  // file names below the folder
};
std::vector<DocsSite> docs_sites = {
    {"python", "/usr/share/doc/python3.11/html", "", {}, {}},
    {"postgresql", "/usr/share/doc/postgresql-doc-15/html", "", {}, {}},
};

void CrawlAllOn(benchmark::State& state, DocsSite* site) {
  for (auto _ : state) {
    HttpClient client;
    Crawler crawler(client);
    CrawlSettings s;
    s.start_address = site->start;
    s.excluded_words = {"the", "and", "of"};
    s.robots = s.visible_text = s.opening_text = s.plain_links = s.one_page = true;
    s.max_words = 1000;
    NoLines none;
    if (crawler.Execute(s, none) != CrawlOutcome::kComplete) state.SkipWithError("crawl failed");
    site->records = crawler.pages();
  }
  state.counters["pages"] = static_cast<double>(site->records.size());
}

void WgetPlain(benchmark::State& state, DocsSite* site) {
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("duvra-wget-" + std::string(site->name))).string();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
    if (!RunQuietly({"wget", "--recursive", "--level=inf", "--no-parent", "-e", "robots=off", "-q",
                     "-P", dir, site->start})) {
      state.SkipWithError("wget did not run");
    }
    state.PauseTiming();
    site->wget_html.clear();
    const std::string host = site->start.substr(7, site->start.find('/', 7) - 7);
    const std::filesystem::path base = std::filesystem::path(dir) / host / site->name;
    std::error_code ec;
    for (auto& e : std::filesystem::recursive_directory_iterator(base, ec)) {
      if (e.is_regular_file() && e.path().extension() == ".html") {
        site->wget_html.insert(e.path().lexically_relative(base).string());
      }
    }
    state.ResumeTiming();
  }
  std::filesystem::remove_all(dir);
  state.counters["pages"] = static_cast<double>(site->wget_html.size());
}

// Words as keyword creation splits them: ",.;:" deleted, blanks between.
std::set<std::string> WordsOf(const std::string& text) {
  std::set<std::string> words;
  std::string w;
  for (char c : DeletePunctuation(text) + " ") {
    if (static_cast<unsigned char>(c) <= ' ') {
      if (w.size() >= 2) words.insert(w);
      w.clear();
    } else {
      w.push_back(c);
    }
  }
  return words;
}

// The text of every script and style element of a page.
std::string ScriptAndStyleText(const std::string& page) {
  const std::string lower = LowerAscii(page);
  std::string out;
  for (const char* name : {"script", "style"}) {
    const std::string open = std::string("<") + name, close = std::string("</") + name;
    for (size_t at = lower.find(open); at != std::string::npos; at = lower.find(open, at + 1)) {
      const size_t gt = lower.find('>', at);
      const size_t end = lower.find(close, at);
      if (gt == std::string::npos || end == std::string::npos || end < gt) continue;
      out += " " + page.substr(gt + 1, end - gt - 1);
    }
  }
  return out;
}

void ReportDocs(const DocsSite& site, const bench::RatioReporter& reporter) {
  const std::string n = site.name;
  const double ours = reporter.Time("BM_DocsAllOn/" + n + "/iterations:3/real_time");
  const double wget = reporter.Time("BM_DocsWget/" + n + "/iterations:3/real_time");
  if (ours <= 0 || wget <= 0) return;
  // File names of the records; a folder address is its index.html.
  std::map<std::string, int> names;
  size_t with_text = 0, leaks = 0;
  std::string leak_example;
  for (const PageRecord& r : site.records) {
    std::string name = r.address.substr(site.start.size());
    if (name.empty() || name.ends_with('/')) name += "index.html";
    ++names[name];
    if (!r.text.empty()) ++with_text;
    std::string page;
    int err = 0;
    if (!ReadWholeFile(std::string(site.dir) + "/" + name, &page, &err)) continue;
    page = DecodePage("", page);
    // A script or style word is a leak when the page shows it nowhere else.
    std::set<std::string> shown = WordsOf(VisibleText(page));
    for (const std::string& w : WordsOf(DeletePunctuation(ExtractMetaContent(
             page, LowerAscii(page), "name=\"keywords\" content=\"", kScanCutLength)))) {
      shown.insert(w);
    }
    const std::set<std::string> hidden = WordsOf(ScriptAndStyleText(page));
    for (const std::string& k : WordsOf(r.keywords)) {
      if (hidden.count(k) && !shown.count(k)) {
        ++leaks;
        if (leak_example.empty()) leak_example = name + ": " + k;
      }
    }
  }
  size_t twice = 0, missing = 0;
  std::string missing_example;
  for (const auto& [name, count] : names) twice += count > 1 ? 1 : 0;
  for (const std::string& w : site.wget_html) {
    if (!names.count(w)) {
      ++missing;
      if (missing_example.empty()) missing_example = w;
    }
  }
  const double our_rate = static_cast<double>(site.records.size()) / (ours / 1e3);
  const double wget_rate = static_cast<double>(site.wget_html.size()) / (wget / 1e3);
  std::printf("\n%s documentation, every extra setting on, delay 0:\n", site.name);
  std::printf("  %-56s %zu\n", "records", site.records.size());
  std::printf("  %-56s %zu\n", "HTML pages wget reached", site.wget_html.size());
  std::printf("  %-56s %zu %s\n", "wget pages without a record", missing, missing_example.c_str());
  std::printf("  %-56s %zu\n", "pages with more than one record", twice);
  std::printf("  %-56s %zu %s\n", "keywords only in a script or style", leaks,
              leak_example.c_str());
  std::printf("  %-56s %.1f %%\n", "records with a non-empty Text",
              100.0 * static_cast<double>(with_text) / static_cast<double>(site.records.size()));
  std::printf("  %-56s %8.0f pages/s\n", "our crawl", our_rate);
  std::printf("  %-56s %8.0f pages/s\n", "wget --recursive --level=inf --no-parent", wget_rate);
  std::printf("  %-56s %6.2fx\n", "pages per second, ours / wget", our_rate / wget_rate);
}

BENCHMARK(BM_MemchrPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalyseDensePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripTags)->Arg(16 << 10)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StripTagsLiteral)->Arg(16 << 10)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillCrawlTable)->Arg(16383)->Arg(32767)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillCrawlTableLiteral)->Arg(2047)->Arg(8191)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateMerge)->Arg(16383)->Arg(32767)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TouchRecords)->Arg(16383)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateMergeLiteral)->Arg(511)->Arg(2047)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrawlDocs)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WgetDocs)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void PrintSetDifference(const char* label, const std::set<std::string>& a,
                        const std::set<std::string>& b) {
  std::vector<std::string> only;
  for (const auto& x : a) {
    if (!b.count(x)) only.push_back(x);
  }
  std::printf("%s: %zu", label, only.size());
  for (size_t i = 0; i < only.size() && i < 5; ++i)
    std::printf("%s %s", i ? "," : "", only[i].c_str());
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::unique_ptr<NginxServer> nginx;
  if (std::filesystem::exists(std::string(kDocsDir) + "/index.html")) {
    std::string locations = std::string("location /pg/ { alias ") + kDocsDir + "/; }";
    for (const DocsSite& site : docs_sites) {
      locations += std::string("\n location /") + site.name + "/ { alias " + site.dir + "/; }";
    }
    nginx = std::make_unique<NginxServer>(locations);
    if (nginx->ok()) {
      docs_server = nginx.get();
      docs_start = nginx->Url("/pg/");
    } else {
      std::fprintf(stderr, "indexer_bench: %s\n", nginx->error().c_str());
    }
  } else {
    std::fprintf(stderr,
                 "indexer_bench: %s missing (scripts/setup.sh installs postgresql-doc-15)\n",
                 kDocsDir);
  }
  if (nginx != nullptr && nginx->ok()) {
    for (DocsSite& site : docs_sites) {
      if (!std::filesystem::exists(std::string(site.dir) + "/index.html")) {
        std::fprintf(stderr, "indexer_bench: %s missing (scripts/setup.sh installs it)\n",
                     site.dir);
        continue;
      }
      site.start = nginx->Url("/" + std::string(site.name) + "/");
      benchmark::RegisterBenchmark(("BM_DocsAllOn/" + std::string(site.name)).c_str(), CrawlAllOn,
                                   &site)
          ->Iterations(3)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("BM_DocsWget/" + std::string(site.name)).c_str(), WgetPlain,
                                   &site)
          ->Iterations(3)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nRatios (same run):\n");
  const double mb = static_cast<double>(kPageBytes) / 1e6;
  if (double t = reporter.Time("BM_AnalyseDensePage"), m = reporter.Time("BM_MemchrPass");
      t > 0 && m > 0) {
    // Times are in the benchmarks' units: milliseconds and microseconds.
    std::printf("%-58s %8.1f MB/s\n", "Page analysis of a tag-dense 1 MB page", mb / (t / 1e3));
    std::printf("%-58s %8.1f MB/s\n", "memchr pass over the same bytes", mb / (m / 1e6));
    std::printf("%-58s %6.2fx\n", "Page analysis time / memchr pass time", (t * 1e3) / m);
  }
  reporter.PrintRatio("Strip tags, literal / linear, 16 KB", "BM_StripTagsLiteral/16384",
                      "BM_StripTags/16384");
  reporter.PrintRatio("Strip tags, literal / linear, 64 KB", "BM_StripTagsLiteral/65536",
                      "BM_StripTags/65536");
  reporter.PrintRatio("Strip tags, linear: 64 KB / 16 KB", "BM_StripTags/65536",
                      "BM_StripTags/16384");
  reporter.PrintRatio("Strip tags, literal: 64 KB / 16 KB", "BM_StripTagsLiteral/65536",
                      "BM_StripTagsLiteral/16384");
  reporter.PrintRatio("Crawl table, 65,535 / 16,383 entries", "BM_FillCrawlTable/65535",
                      "BM_FillCrawlTable/16383");
  reporter.PrintRatio("Crawl table, literal: 8,191 / 2,047 entries",
                      "BM_FillCrawlTableLiteral/8191", "BM_FillCrawlTableLiteral/2047");
  reporter.PrintRatio("Crawl table 8,191 entries, literal / ours (at 16,383 / 2)",
                      "BM_FillCrawlTableLiteral/8191", "BM_FillCrawlTable/16383");
  reporter.PrintRatio("Update merge, 65,535 / 16,383 pages into as many records",
                      "BM_UpdateMerge/65535", "BM_UpdateMerge/16383");
  reporter.PrintRatio("Touching every record, 65,535 / 16,383", "BM_TouchRecords/65535",
                      "BM_TouchRecords/16383");
  reporter.PrintRatio("Update merge / touching every record, 16,383", "BM_UpdateMerge/16383",
                      "BM_TouchRecords/16383");
  reporter.PrintRatio("Update merge / touching every record, 65,535", "BM_UpdateMerge/65535",
                      "BM_TouchRecords/65535");
  reporter.PrintRatio("Update merge 2,047, literal / ours (at 16,383 / 8)",
                      "BM_UpdateMergeLiteral/2047", "BM_UpdateMerge/16383");
  reporter.PrintRatio("Update merge, literal: 2,047 / 511", "BM_UpdateMergeLiteral/2047",
                      "BM_UpdateMergeLiteral/511");
  for (const auto& [label, name] :
       {std::pair<const char*, const char*>{"Crawl table of 65,535 entries",
                                            "BM_FillCrawlTable/65535"},
        {"Update merge of 65,535 pages into 65,535 records", "BM_UpdateMerge/65535"}}) {
    if (double t = reporter.Time(name); t > 0) std::printf("%-58s %8.1f ms\n", label, t);
  }
  if (double ours = reporter.Time("BM_CrawlDocs/iterations:3/real_time"),
      wget = reporter.Time("BM_WgetDocs/iterations:3/real_time");
      ours > 0 && wget > 0) {
    const double our_rate = static_cast<double>(our_pages.size()) / (ours / 1e3);
    const double wget_rate = static_cast<double>(wget_pages.size()) / (wget / 1e3);
    std::printf("%-58s %8.0f pages/s (%zu pages)\n", "Crawl of the PostgreSQL documentation",
                our_rate, our_pages.size());
    std::printf("%-58s %8.0f pages/s (%zu pages)\n", "wget --recursive --level=inf, same site",
                wget_rate, wget_pages.size());
    std::printf("%-58s %6.2fx\n", "Pages per second, ours / wget", our_rate / wget_rate);
    PrintSetDifference("HTML pages only our crawl read", our_pages, wget_pages);
    PrintSetDifference("HTML pages only wget read", wget_pages, our_pages);
  }
  for (const DocsSite& site : docs_sites) ReportDocs(site, reporter);
  return 0;
}
