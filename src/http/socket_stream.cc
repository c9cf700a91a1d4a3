#include "http/socket_stream.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "http/address.h"

namespace duvra {
namespace {

using Clock = std::chrono::steady_clock;

// One name lookup on a worker thread, so that the caller's wait can be
// bounded and stopped; the worker owns the state jointly with the caller
// and the last one out frees it.
struct Lookup {
  std::string host, service;
  int done_fds[2] = {-1, -1};
  std::mutex mutex;  // guards rc and result between the worker and the caller
  int rc = 0;
  addrinfo* result = nullptr;
  ~Lookup() {
    if (result != nullptr) freeaddrinfo(result);
    if (done_fds[0] >= 0) close(done_fds[0]);
    if (done_fds[1] >= 0) close(done_fds[1]);
  }
};

Failure ResolveFailure(int rc) {
  if (rc == EAI_NONAME || rc == EAI_NODATA || rc == EAI_FAIL || rc == EAI_AGAIN) {
    return SocketFailure(rc, kHostNotFoundText);
  }
  return SocketFailure(rc, gai_strerror(rc));
}

// Resolves host; on success *out owns the list (freeaddrinfo).
bool Resolve(const std::string& host, int port, bool bounded, Clock::time_point deadline,
             const StopSignal& stop, std::shared_ptr<Lookup>* out, Failure* failure) {
  auto lookup = std::make_shared<Lookup>();
  lookup->host = ResolverHost(host);
  lookup->service = std::to_string(port);
  if (lookup->host.empty()) {
    *failure = ResolveFailure(EAI_NONAME);
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  // Literal addresses need no lookup.
  if (getaddrinfo(lookup->host.c_str(), lookup->service.c_str(), &hints, &lookup->result) == 0) {
    *out = std::move(lookup);
    return true;
  }
  lookup->result = nullptr;
  if (pipe2(lookup->done_fds, O_CLOEXEC) != 0) {
    *failure = SocketFailure(errno, std::strerror(errno));
    return false;
  }
  std::thread([lookup] {
    addrinfo h{};
    h.ai_family = AF_UNSPEC;
    h.ai_socktype = SOCK_STREAM;
    h.ai_flags = AI_NUMERICSERV;
    addrinfo* result = nullptr;
    const int rc = getaddrinfo(lookup->host.c_str(), lookup->service.c_str(), &h, &result);
    {
      std::lock_guard<std::mutex> lock(lookup->mutex);
      lookup->rc = rc;
      lookup->result = rc == 0 ? result : nullptr;
    }
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(lookup->done_fds[1], &byte, 1);
  }).detach();

  const int left = MillisecondsLeft(bounded, deadline);
  StopSignal::Wait w =
      left < 0 ? StopSignal::Wait::kTimeout : stop.WaitFor(lookup->done_fds[0], POLLIN, left);
  if (w == StopSignal::Wait::kStopped) {
    *failure = MakeFailure(FailureKind::kStopped, kStoppedText);
    return false;
  }
  if (w == StopSignal::Wait::kTimeout) {
    *failure = MakeFailure(FailureKind::kConnectTimeout, kConnectTimeoutText);
    return false;
  }
  if (w == StopSignal::Wait::kError) {
    *failure = SocketFailure(errno, std::strerror(errno));
    return false;
  }
  int rc;
  {
    std::lock_guard<std::mutex> lock(lookup->mutex);
    rc = lookup->rc;
  }
  if (rc != 0) {
    *failure = ResolveFailure(rc);
    return false;
  }
  *out = std::move(lookup);
  return true;
}

}  // namespace

TcpConnection::~TcpConnection() { close(fd_); }

IoResult TcpConnection::Read(char* buffer, size_t capacity, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (stop_.requested()) return IoResult{IoStatus::kStopped, 0, 0};
    const ssize_t n = recv(fd_, buffer, capacity, 0);
    if (n > 0) return IoResult{IoStatus::kOk, static_cast<size_t>(n), 0};
    if (n == 0) return IoResult{IoStatus::kClosed, 0, 0};
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return IoResult{IoStatus::kError, 0, errno};
    const int left = MillisecondsLeft(timeout_ms > 0, deadline);
    if (left < 0) return IoResult{IoStatus::kTimeout, 0, 0};
    switch (stop_.WaitFor(fd_, POLLIN, left)) {
      case StopSignal::Wait::kReady:
        break;
      case StopSignal::Wait::kTimeout:
        return IoResult{IoStatus::kTimeout, 0, 0};
      case StopSignal::Wait::kStopped:
        return IoResult{IoStatus::kStopped, 0, 0};
      case StopSignal::Wait::kError:
        return IoResult{IoStatus::kError, 0, errno};
    }
  }
}

IoResult TcpConnection::Write(std::string_view data, int timeout_ms) {
  size_t sent = 0;
  while (sent < data.size()) {
    if (stop_.requested()) return IoResult{IoStatus::kStopped, sent, 0};
    const ssize_t n = send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      return IoResult{IoStatus::kError, sent, errno};
    }
    switch (stop_.WaitFor(fd_, POLLOUT, timeout_ms)) {
      case StopSignal::Wait::kReady:
        break;
      case StopSignal::Wait::kTimeout:
        return IoResult{IoStatus::kTimeout, sent, 0};
      case StopSignal::Wait::kStopped:
        return IoResult{IoStatus::kStopped, sent, 0};
      case StopSignal::Wait::kError:
        return IoResult{IoStatus::kError, sent, errno};
    }
  }
  return IoResult{IoStatus::kOk, sent, 0};
}

bool TcpConnection::IdleAndOpen() {
  char byte;
  const ssize_t n = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  // Nothing to read is the only good answer: 0 is a close, data is unasked.
  return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

std::unique_ptr<TcpConnection> ConnectTcp(const std::string& host, int port, int timeout_ms,
                                          const StopSignal& stop, Failure* failure) {
  const bool bounded = timeout_ms > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  if (stop.requested()) {
    *failure = MakeFailure(FailureKind::kStopped, kStoppedText);
    return nullptr;
  }
  std::shared_ptr<Lookup> lookup;
  if (!Resolve(host, port, bounded, deadline, stop, &lookup, failure)) return nullptr;

  int last_error = ECONNREFUSED;
  for (addrinfo* ai = lookup->result; ai != nullptr; ai = ai->ai_next) {
    const int fd =
        socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) {
      last_error = errno;
      continue;
    }
    int rc = connect(fd, ai->ai_addr, ai->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      const int left = MillisecondsLeft(bounded, deadline);
      const StopSignal::Wait w =
          left < 0 ? StopSignal::Wait::kTimeout : stop.WaitFor(fd, POLLOUT, left);
      if (w != StopSignal::Wait::kReady) {
        const int wait_error = errno;
        close(fd);
        if (w == StopSignal::Wait::kTimeout) {
          *failure = MakeFailure(FailureKind::kConnectTimeout, kConnectTimeoutText);
        } else if (w == StopSignal::Wait::kStopped) {
          *failure = MakeFailure(FailureKind::kStopped, kStoppedText);
        } else {
          *failure = SocketFailure(wait_error, std::strerror(wait_error));
        }
        return nullptr;
      }
      int error = 0;
      socklen_t length = sizeof error;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      rc = error == 0 ? 0 : -1;
      errno = error;
    }
    if (rc != 0) {
      last_error = errno;
      close(fd);
      continue;
    }
    // Requests go out as one block; no reason to hold back the last piece.
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return std::make_unique<TcpConnection>(fd, stop);
  }
  *failure = SocketFailure(last_error, std::strerror(last_error));
  return nullptr;
}

}  // namespace duvra
