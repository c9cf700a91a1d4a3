// 2,000 sequential GETs of a 20 KB page from nginx on loopback over one
// kept-alive connection: the page fetcher against wget -i and curl fetching
// the same address list in the same run. Prints time ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "../tests/http/nginx_server.h"
#include "bench_process.h"
#include "bench_ratio.h"
#include "fetch_bench.h"
#include "http/http_client.h"

extern char** environ;

namespace {

using duvra::testing::NginxServer;

constexpr int kRequests = 2000;
constexpr size_t kPageBytes = 20 * 1024;

NginxServer* server = nullptr;
std::vector<std::string> addresses;
std::string list_file, curl_config;

bool Run(const std::vector<std::string>& argv) { return duvra::bench::RunQuietlyOk(argv); }

bool FetchAllOurs() {
  duvra::HttpClient client;
  for (const std::string& address : addresses) {
    const duvra::FetchResult r = client.Get(address);
    if (!r.ok || r.body.size() != kPageBytes) return false;
  }
  return true;
}

bool FetchAllWget() { return Run({"wget", "-q", "-O", "/dev/null", "-i", list_file}); }
bool FetchAllCurl() { return Run({"curl", "-s", "-K", curl_config}); }

void Fetch(benchmark::State& state, bool (*fetch_all)()) {
  duvra::bench::TimeFetches(state, fetch_all, kRequests);
}

void BM_Duvra(benchmark::State& state) { Fetch(state, FetchAllOurs); }
void BM_Wget(benchmark::State& state) { Fetch(state, FetchAllWget); }
void BM_Curl(benchmark::State& state) { Fetch(state, FetchAllCurl); }

bool Verify(const char* name, bool (*fetch_all)()) {
  return duvra::bench::VerifyFetches(*server, name, fetch_all, kRequests);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  NginxServer nginx;
  if (!nginx.ok()) {
    std::fprintf(stderr, "http_bench: %s\n", nginx.error().c_str());
    return 1;
  }
  server = &nginx;
  std::string page;
  while (page.size() < kPageBytes)
    page += "<p>Twenty kilobytes of page text for the crawler.</p>\n";
  page.resize(kPageBytes);
  nginx.WritePage("/page.html", page);

  char dir[] = "/tmp/duvra-http-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  list_file = std::string(dir) + "/addresses.txt";
  curl_config = std::string(dir) + "/curl.cfg";
  std::ofstream list(list_file), config(curl_config);
  for (int i = 0; i < kRequests; ++i) {
    addresses.push_back(nginx.Url("/page.html?n=" + std::to_string(i)));
    list << addresses.back() << "\n";
    config << "url = \"" << addresses.back() << "\"\noutput = \"/dev/null\"\n";
  }
  list.close();
  config.close();

  const bool have_wget = Run({"wget", "--version"});
  const bool have_curl = Run({"curl", "--version"});
  Verify("duvra", FetchAllOurs);
  if (have_wget) Verify("wget", FetchAllWget);
  if (have_curl) Verify("curl", FetchAllCurl);

  auto configure = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
    b->ReportAggregatesOnly(true);
  };
  configure(benchmark::RegisterBenchmark("BM_Duvra", BM_Duvra));
  if (have_wget) configure(benchmark::RegisterBenchmark("BM_Wget", BM_Wget));
  if (have_curl) configure(benchmark::RegisterBenchmark("BM_Curl", BM_Curl));
  duvra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double ours = reporter.Time("BM_Duvra");
  std::printf("\n%d GETs of %zu bytes, median of 5 runs:\n", kRequests, kPageBytes);
  for (const char* other : {"BM_Wget", "BM_Curl"}) {
    if (ours > 0 && reporter.Time(other) > 0) {
      // Above 1: ours is faster.
      std::printf("  %s time / our time = %.2f\n", other + 3, reporter.Time(other) / ours);
    }
  }
  std::remove(list_file.c_str());
  std::remove(curl_config.c_str());
  rmdir(dir);
  benchmark::Shutdown();
  return 0;
}
