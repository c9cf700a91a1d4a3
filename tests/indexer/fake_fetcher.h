// A PageFetcher over an in-memory site, for crawl tests: addresses missing
// from the site fail, listed ones may block until a stop request, and every
// call is logged.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "http/page_fetcher.h"

namespace duvra::testing {

class FakeFetcher : public PageFetcher {
 public:
  std::map<std::string, std::string> site;         // address -> body
  std::map<std::string, std::string> redirects;    // address -> Location of a 301 answer
  std::set<std::string> blocking;                  // Get of these waits for a stop request
  std::function<void(const std::string&)> on_get;  // called at the start of each Get

  // Logs, read after the crawl.
  std::vector<std::string> gets;
  std::vector<int> sleeps;
  std::string user_agent;
  int read_timeout_ms = -1;
  std::atomic<int> sleep_calls{0};  // readable while a crawl runs

  FetchResult Get(const std::string& address) override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      gets.push_back(address);
    }
    if (on_get) on_get(address);
    FetchResult r;
    if (blocking.count(address) != 0) {
      if (WaitForStop(std::chrono::hours(1))) r.stopped = true;
      return r;
    }
    if (stop_.load()) {
      r.stopped = true;
      return r;
    }
    if (auto moved = redirects.find(address); moved != redirects.end()) {
      r.error = r.status_line = "HTTP/1.1 301 Moved Permanently";
      r.status_code = 301;
      r.location = moved->second;
      return r;
    }
    auto it = site.find(address);
    if (it == site.end()) {
      r.error = "404";
      r.status_code = 404;
      return r;
    }
    r.ok = true;
    r.body = it->second;
    return r;
  }
  void SetUserAgent(const std::string& ua) override { user_agent = ua; }
  void SetReadTimeout(int ms) override { read_timeout_ms = ms; }
  void RequestStop() override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      stop_.store(true);
    }
    cv_.notify_all();
  }
  void ClearStop() override { stop_.store(false); }
  bool SleepUnlessStopped(int ms) override {
    sleeps.push_back(ms);
    ++sleep_calls;
    return !WaitForStop(std::chrono::milliseconds(ms));
  }

  // How many Get calls have started; safe while a crawl runs.
  size_t get_count() {
    std::lock_guard<std::mutex> lock(mu_);
    return gets.size();
  }

 private:
  // True when a stop request came within the wait.
  template <class Duration>
  bool WaitForStop(Duration d) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, d, [&] { return stop_.load(); });
  }

  std::mutex mu_;
  std::condition_variable cv_;
  std::atomic<bool> stop_{false};
};

}  // namespace duvra::testing
