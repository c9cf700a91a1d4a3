// What the plain and the TLS fetch benchmarks share: timing one pass of a
// fetcher over the address list, and a checked pass that counts, from
// nginx's log, the requests answered and the connections they used.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "../tests/http/nginx_server.h"

namespace duvra::bench {

// Times fetch_all, which fetches `requests` addresses per call.
inline void TimeFetches(benchmark::State& state, bool (*fetch_all)(), int requests) {
  for (auto _ : state) {
    if (!fetch_all()) {
      state.SkipWithError("a fetch failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * requests);
}

// One checked pass; prints what the server saw and returns whether the
// fetcher reported success.
inline bool VerifyFetches(duvra::testing::NginxServer& server, const char* name,
                          bool (*fetch_all)(), int requests) {
  using duvra::testing::NginxServer;
  const size_t before = server.AccessLog().size();
  const bool ok = fetch_all();
  const std::vector<NginxServer::LogEntry> log =
      server.AccessLog(before + static_cast<size_t>(requests));
  const std::vector<NginxServer::LogEntry> mine(log.begin() + static_cast<long>(before), log.end());
  std::printf("%-6s %s: %zu requests over %zu connection(s)\n", name, ok ? "ok" : "FAILED",
              mine.size(), NginxServer::Connections(mine));
  return ok;
}

}  // namespace duvra::bench
