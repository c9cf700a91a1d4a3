// 2,000 sequential HTTPS GETs of a 20 KB page from nginx with TLS on
// loopback over one kept-alive connection: the page fetcher against curl
// (and wget) fetching the same address list in the same run, all trusting
// the same test authority made for the run. Prints time ratios.
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
#include "../tests/http/test_ca.h"
#include "bench_process.h"
#include "bench_ratio.h"
#include "fetch_bench.h"
#include "http/http_client.h"

extern char** environ;

namespace {

using duvra::testing::NginxServer;
using duvra::testing::NginxTls;
using duvra::testing::TestCa;

constexpr int kRequests = 2000;
constexpr size_t kPageBytes = 20 * 1024;

NginxServer* server = nullptr;
std::vector<std::string> addresses;
std::string list_file, curl_config, ca_file;

bool Run(const std::vector<std::string>& argv) { return duvra::bench::RunQuietlyOk(argv); }

bool FetchAllOurs() {
  duvra::HttpClient client;
  client.SetTrust(duvra::TlsTrust{ca_file, ""});
  for (const std::string& address : addresses) {
    const duvra::FetchResult r = client.Get(address);
    if (!r.ok || r.body.size() != kPageBytes) return false;
  }
  return true;
}

bool FetchAllCurl() { return Run({"curl", "-s", "--cacert", ca_file, "-K", curl_config}); }
bool FetchAllWget() {
  return Run({"wget", "-q", "--ca-certificate=" + ca_file, "-O", "/dev/null", "-i", list_file});
}

void Fetch(benchmark::State& state, bool (*fetch_all)()) {
  duvra::bench::TimeFetches(state, fetch_all, kRequests);
}

void BM_Duvra(benchmark::State& state) { Fetch(state, FetchAllOurs); }
void BM_Curl(benchmark::State& state) { Fetch(state, FetchAllCurl); }
void BM_Wget(benchmark::State& state) { Fetch(state, FetchAllWget); }

bool Verify(const char* name, bool (*fetch_all)()) {
  return duvra::bench::VerifyFetches(*server, name, fetch_all, kRequests);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TestCa ca;
  ca_file = ca.ca_file();
  const TestCa::Issued issued = ca.Issue("nginx", "DNS:localhost,IP:127.0.0.1");
  NginxServer nginx("", NginxTls{issued.cert_file, issued.key_file});
  if (!nginx.ok()) {
    std::fprintf(stderr, "tls_bench: %s\n", nginx.error().c_str());
    return 1;
  }
  server = &nginx;
  std::string page;
  while (page.size() < kPageBytes)
    page += "<p>Twenty kilobytes of page text for the crawler.</p>\n";
  page.resize(kPageBytes);
  nginx.WritePage("/page.html", page);

  list_file = ca.dir() + "/addresses.txt";
  curl_config = ca.dir() + "/curl.cfg";
  std::ofstream list(list_file), config(curl_config);
  for (int i = 0; i < kRequests; ++i) {
    addresses.push_back(nginx.Url("/page.html?n=" + std::to_string(i)));
    list << addresses.back() << "\n";
    config << "url = \"" << addresses.back() << "\"\noutput = \"/dev/null\"\n";
  }
  list.close();
  config.close();

  // Only fetchers that get every page over TLS take part.
  const bool have_curl = Run({"curl", "--version"}) && Verify("curl", FetchAllCurl);
  const bool have_wget = Run({"wget", "--version"}) && Verify("wget", FetchAllWget);
  if (!Verify("duvra", FetchAllOurs)) return 1;

  auto configure = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
    b->ReportAggregatesOnly(true);
  };
  configure(benchmark::RegisterBenchmark("BM_Duvra", BM_Duvra));
  if (have_curl) configure(benchmark::RegisterBenchmark("BM_Curl", BM_Curl));
  if (have_wget) configure(benchmark::RegisterBenchmark("BM_Wget", BM_Wget));
  duvra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double ours = reporter.Time("BM_Duvra");
  std::printf("\n%d HTTPS GETs of %zu bytes, median of 5 runs:\n", kRequests, kPageBytes);
  for (const char* other : {"BM_Curl", "BM_Wget"}) {
    if (ours > 0 && reporter.Time(other) > 0) {
      // Above 1: ours is faster.
      std::printf("  %s time / our time = %.2f\n", other + 3, reporter.Time(other) / ours);
    }
  }
  benchmark::Shutdown();
  return 0;
}
