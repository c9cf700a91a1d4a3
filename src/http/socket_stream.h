// The one layer over the platform's TCP sockets and name resolution (POSIX).
// Everything above it sees a Connection; a TLS session (tls_connection.h)
// wraps a TcpConnection behind the same interface.
#pragma once

#include <memory>
#include <string>

#include "http/byte_stream.h"
#include "http/fetch_failure.h"
#include "http/stop_signal.h"

namespace duvra {

class Connection : public ByteStream {
 public:
  // Whether the connection can carry another request now: the peer has not
  // closed or reset it and has sent nothing unasked.
  virtual bool IdleAndOpen() = 0;
};

class TcpConnection : public Connection {
 public:
  // Takes ownership of a connected non-blocking socket; stop must outlive it.
  TcpConnection(int fd, const StopSignal& stop) : fd_(fd), stop_(stop) {}
  ~TcpConnection() override;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  IoResult Read(char* buffer, size_t capacity, int timeout_ms) override;
  IoResult Write(std::string_view data, int timeout_ms) override;
  bool IdleAndOpen() override;

  // The socket, for a layer that runs its own protocol over it; it stays
  // owned by this object.
  int fd() const { return fd_; }
  const StopSignal& stop() const { return stop_; }

 private:
  int fd_;
  const StopSignal& stop_;
};

// Resolves host and connects to port. Resolution and connection together are
// bounded by timeout_ms (0: no limit) and end early when stop is raised.
// Returns nullptr and sets *failure on failure: kSocket ("Host not found."
// for a name that does not resolve, the system's text otherwise),
// kConnectTimeout or kStopped.
std::unique_ptr<TcpConnection> ConnectTcp(const std::string& host, int port, int timeout_ms,
                                          const StopSignal& stop, Failure* failure);

}  // namespace duvra
