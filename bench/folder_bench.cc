// A whole crawl of Debian's PostgreSQL documentation read from its folder,
// against the same crawl over HTTP from nginx serving that folder on
// loopback, and against `cat` reading every page's bytes that the crawl
// read (the least any reading of the pages costs). Prints ratios measured
// in the same run. The machine may be shared, so besides the wall-clock
// time each reports the processor time of every process it used: the
// crawl, nginx, cat.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
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
// Processor milliseconds of the last run of each.
double folder_cpu_ms = 0, http_cpu_ms = 0, cat_cpu_ms = 0;

double ProcessCpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ChildrenCpuMs() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  auto ms = [](const timeval& tv) {
    return static_cast<double>(tv.tv_sec) * 1e3 + static_cast<double>(tv.tv_usec) / 1e3;
  };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

// The processor time of this process's running nginx children (still
// running, so not in RUSAGE_CHILDREN), from /proc.
double NginxCpuMs() {
  double total = 0;
  const pid_t self = getpid();
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return 0;
  while (dirent* e = readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos || line.find("(nginx)") == std::string::npos) continue;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    std::vector<std::string> f;
    while (fields >> field) f.push_back(field);
    // After the name: state, ppid, ... utime is field 14, stime 15 of the
    // whole line, so 12 and 13 here.
    if (f.size() < 14 || std::stol(f[1]) != self) continue;
    total += static_cast<double>(std::stol(f[11]) + std::stol(f[12])) * 1e3 /
             static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  closedir(proc);
  return total;
}

struct NoLines : CrawlObserver {
  void Line(const std::string&) override {}
};

CrawlSettings DocsSettings() {
  CrawlSettings s;
  s.start_address = docs_server->Url("/");
  s.excluded_words = {"the", "and", "of"};
  // The settings of a new database.
  s.sitemap = true;
  s.robots = true;
  s.visible_text = true;
  s.opening_text = true;
  s.plain_links = true;
  s.max_words = 1000;
  s.one_page = true;
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
    const double cpu = ProcessCpuMs();
    if (crawler.Execute(s, none) != CrawlOutcome::kComplete) state.SkipWithError("crawl failed");
    folder_cpu_ms = ProcessCpuMs() - cpu;
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
    const double cpu = ProcessCpuMs() + NginxCpuMs();
    http_pages = RunCrawl(state, client, s);
    http_cpu_ms = ProcessCpuMs() + NginxCpuMs() - cpu;
  }
  state.counters["pages"] = static_cast<double>(http_pages);
}

// One cat over every page file the folder crawl read, output thrown away.
void BM_CatDocPages(benchmark::State& state) {
  if (page_files.empty()) return state.SkipWithError("the folder crawl did not run first");
  std::vector<std::string> argv = {"cat"};
  argv.insert(argv.end(), page_files.begin(), page_files.end());
  for (auto _ : state) {
    const double cpu = ChildrenCpuMs();
    if (!bench::RunQuietlyOk(argv)) state.SkipWithError("cat failed");
    cat_cpu_ms = ChildrenCpuMs() - cpu;
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
    // As a static server is usually set up for a generated site.
    nginx = std::make_unique<NginxServer>(std::string("location / { root ") + kDocsDir +
                                          "; try_files $uri $uri.html $uri/index.html =404; }");
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
  if (folder_cpu_ms > 0 && http_cpu_ms > 0 && cat_cpu_ms > 0) {
    std::printf("%-58s %8.1f ms\n", "Processor time, folder crawl", folder_cpu_ms);
    std::printf("%-58s %8.1f ms\n", "Processor time, HTTP crawl (crawler + nginx)", http_cpu_ms);
    std::printf("%-58s %8.1f ms\n", "Processor time, cat of every page read", cat_cpu_ms);
    std::printf("%-58s %6.2fx\n", "Processor time, HTTP / folder", http_cpu_ms / folder_cpu_ms);
    std::printf("%-58s %6.2fx\n", "Processor time, folder / cat", folder_cpu_ms / cat_cpu_ms);
  }
  return 0;
}
