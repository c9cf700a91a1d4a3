// A whole crawl of Debian's PostgreSQL documentation read from its folder,
// against the same crawl over HTTP from nginx serving that folder on
// loopback, and against `cat` reading every page's bytes that the crawl
// read (the least any reading of the pages costs). Prints ratios measured
// in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../tests/http/nginx_server.h"
#include "bench_process.h"
#include "bench_ratio.h"
#include "http/http_client.h"
#include "indexer/crawl_driver.h"

namespace {

using namespace duvra;
using duvra::testing::NginxServer;

constexpr const char* kDocsDir = "/usr/share/doc/postgresql-doc-15/html";

NginxServer* docs_server = nullptr;
std::vector<std::string> page_files;  // the files the folder crawl read
size_t folder_pages = 0, http_pages = 0;

struct NoLines : CrawlObserver {
  void Line(const std::string&) override {}
};

CrawlSettings DocsSettings() {
  CrawlSettings s;
  s.start_address = docs_server->Url("/");
  s.excluded_words = {"the", "and", "of"};
  s.sitemap = true;
  return s;
}

size_t RunCrawl(benchmark::State& state, PageFetcher& fetcher, const CrawlSettings& s) {
  Crawler crawler(fetcher);
  NoLines none;
  if (crawler.Execute(s, none) != CrawlOutcome::kComplete) state.SkipWithError("crawl failed");
  return crawler.pages().size();
}

void BM_CrawlDocsFromFolder(benchmark::State& state) {
  if (docs_server == nullptr) return state.SkipWithError("no documentation site");
  CrawlSettings s = DocsSettings();
  s.folder = kDocsDir;
  for (auto _ : state) {
    HttpClient unused;
    Crawler crawler(unused);
    NoLines none;
    if (crawler.Execute(s, none) != CrawlOutcome::kComplete) state.SkipWithError("crawl failed");
    folder_pages = crawler.pages().size();
    state.PauseTiming();
    page_files.clear();
    const std::string base = docs_server->Url("/");
    for (const PageRecord& p : crawler.pages()) {
      const std::string name = p.address.substr(base.size());
      page_files.push_back(std::string(kDocsDir) + "/" + (name.empty() ? "index.html" : name));
    }
    state.ResumeTiming();
  }
  state.counters["pages"] = static_cast<double>(folder_pages);
}

void BM_CrawlDocsOverHttp(benchmark::State& state) {
  if (docs_server == nullptr) return state.SkipWithError("no documentation site");
  const CrawlSettings s = DocsSettings();
  for (auto _ : state) {
    HttpClient client;
    http_pages = RunCrawl(state, client, s);
  }
  state.counters["pages"] = static_cast<double>(http_pages);
}

// One cat over every page file the folder crawl read, output thrown away.
void BM_CatDocPages(benchmark::State& state) {
  if (page_files.empty()) return state.SkipWithError("the folder crawl did not run first");
  std::vector<std::string> argv = {"cat"};
  argv.insert(argv.end(), page_files.begin(), page_files.end());
  for (auto _ : state) {
    if (!bench::RunQuietlyOk(argv)) state.SkipWithError("cat failed");
  }
  state.counters["files"] = static_cast<double>(page_files.size());
}

BENCHMARK(BM_CrawlDocsFromFolder)
    ->Repetitions(5)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrawlDocsOverHttp)
    ->Repetitions(5)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatDocPages)
    ->Repetitions(5)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::unique_ptr<NginxServer> nginx;
  if (std::filesystem::exists(std::string(kDocsDir) + "/index.html")) {
    nginx = std::make_unique<NginxServer>(std::string("location / { root ") + kDocsDir + "; }");
    if (nginx->ok()) {
      docs_server = nginx.get();
    } else {
      std::fprintf(stderr, "folder_bench: %s\n", nginx->error().c_str());
    }
  } else {
    std::fprintf(stderr, "folder_bench: %s missing (scripts/setup.sh installs postgresql-doc-15)\n",
                 kDocsDir);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double folder = reporter.Time("BM_CrawlDocsFromFolder");
  const double http = reporter.Time("BM_CrawlDocsOverHttp");
  const double cat = reporter.Time("BM_CatDocPages");
  std::printf("\nRatios (same run, medians of 5):\n");
  if (folder > 0 && http > 0) {
    std::printf("%-58s %8.0f pages/s (%zu pages)\n", "Crawl of the PostgreSQL docs from the folder",
                static_cast<double>(folder_pages) / (folder / 1e3), folder_pages);
    std::printf("%-58s %8.0f pages/s (%zu pages)\n", "Same crawl over HTTP from nginx on loopback",
                static_cast<double>(http_pages) / (http / 1e3), http_pages);
    std::printf("%-58s %6.2fx\n", "Time over HTTP / time from the folder", http / folder);
  }
  if (folder > 0 && cat > 0) {
    std::printf("%-58s %6.2fx\n", "Time from the folder / cat of every page read", folder / cat);
  }
  if (http > 0 && cat > 0) {
    std::printf("%-58s %6.2fx\n", "Time over HTTP / cat of every page read", http / cat);
  }
  return 0;
}
