#include "http/stop_signal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace duvra {

int MillisecondsLeft(bool bounded, std::chrono::steady_clock::time_point deadline) {
  if (!bounded) return 0;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  return left <= 0 ? -1 : static_cast<int>(left);
}

StopSignal::StopSignal() {
  // Without a pipe the signal still works through the flag; waits then see
  // it only when they wake.
  if (pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
}

StopSignal::~StopSignal() {
  if (fds_[0] >= 0) close(fds_[0]);
  if (fds_[1] >= 0) close(fds_[1]);
}

void StopSignal::Request() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (requested_.load()) return;
  requested_.store(true, std::memory_order_release);
  if (fds_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(fds_[1], &byte, 1);
  }
}

void StopSignal::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!requested_.load()) return;
  char buffer[16];
  while (fds_[0] >= 0 && read(fds_[0], buffer, sizeof buffer) > 0) {
  }
  requested_.store(false, std::memory_order_release);
}

bool StopSignal::Sleep(int milliseconds) const {
  if (milliseconds <= 0) return !requested();
  return WaitFor(-1, 0, milliseconds) != Wait::kStopped;
}

StopSignal::Wait StopSignal::WaitFor(int fd, short events, int timeout_ms) const {
  using Clock = std::chrono::steady_clock;
  // Without the pipe the flag is checked at least this often.
  constexpr long long kFallbackSliceMs = 20;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (requested()) return Wait::kStopped;
    long long left = -1;
    if (timeout_ms > 0) {
      left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return Wait::kTimeout;
    }
    if (fds_[0] < 0 && (left < 0 || left > kFallbackSliceMs)) left = kFallbackSliceMs;
    pollfd p[2];
    nfds_t n = 0;
    if (fd >= 0) p[n++] = pollfd{fd, events, 0};
    if (fds_[0] >= 0) p[n++] = pollfd{fds_[0], POLLIN, 0};
    const int rc = poll(p, n, static_cast<int>(left));
    if (rc < 0) {
      if (errno == EINTR) continue;
      return Wait::kError;
    }
    if (requested()) return Wait::kStopped;
    if (rc > 0 && fd >= 0 && p[0].revents != 0) return Wait::kReady;
  }
}

}  // namespace duvra
