// A stop request that any thread may raise and that every network wait and
// the crawl's request delay watch: waits poll its file descriptor, so they
// end as soon as it is raised.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>

namespace duvra {

// The timeout for a WaitFor that must end by deadline: 0 (no limit) when
// the wait is not bounded, -1 when the bound has already run out.
int MillisecondsLeft(bool bounded, std::chrono::steady_clock::time_point deadline);

class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  // Raises the signal; it stays raised until Clear. Safe from any thread.
  void Request();
  void Clear();
  bool requested() const { return requested_.load(std::memory_order_acquire); }

  // Readable while the signal is raised; for poll() beside a socket.
  int wait_fd() const { return fds_[0]; }

  // Sleeps milliseconds or until the signal is raised; false when raised.
  bool Sleep(int milliseconds) const;

  enum class Wait { kReady, kTimeout, kStopped, kError };
  // Waits until fd (when >= 0) reports one of events, the signal is raised,
  // or timeout_ms passes (0: no limit). kError leaves errno set.
  Wait WaitFor(int fd, short events, int timeout_ms) const;

 private:
  std::atomic<bool> requested_{false};
  std::mutex mutex_;  // orders Request and Clear against the pipe's content
  int fds_[2] = {-1, -1};
};

}  // namespace duvra
