// A loopback HTTP server for tests that plays scripted byte sequences: it
// records the request bytes it receives and can stall, trickle, close
// mid-way or reset, so that every kind of server the client may meet can be
// staged. With a certificate it speaks TLS on every connection.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct ssl_ctx_st;

namespace duvra::testing {

struct Step {
  enum Kind {
    kReadRequest,
    kSend,
    kTrickle,
    kPause,
    kClose,
    kCloseSocket,
    kReset,
    kHold,
    kSendForever,
    kTicket
  };
  Kind kind;
  std::string data;
  int ms = 0;
};

// Reads up to the end of one request head and records it.
inline Step ReadRequest() { return Step{Step::kReadRequest, "", 0}; }
inline Step Send(std::string bytes) { return Step{Step::kSend, std::move(bytes), 0}; }
// Sends the bytes one at a time with a pause after each.
inline Step Trickle(std::string bytes, int pause_ms) {
  return Step{Step::kTrickle, std::move(bytes), pause_ms};
}
inline Step Pause(int ms) { return Step{Step::kPause, "", ms}; }
// Closes cleanly (a TLS close_notify, then FIN).
inline Step Close() { return Step{Step::kClose, "", 0}; }
// Closes the socket (FIN) without a TLS close_notify; over TCP as Close.
inline Step CloseSocket() { return Step{Step::kCloseSocket, "", 0}; }
// Closes with a reset (RST).
inline Step Reset() { return Step{Step::kReset, "", 0}; }
// Keeps the connection open until the client closes it or the server stops;
// anything the client sends meanwhile is recorded as a request. A script
// that ends without Close or Reset holds.
inline Step Hold() { return Step{Step::kHold, "", 0}; }
// Over TLS 1.3: sends a new session ticket, a record that carries no data.
inline Step Ticket() { return Step{Step::kTicket, "", 0}; }
// Sends the bytes over and over until the client goes away.
inline Step SendForever(std::string bytes) { return Step{Step::kSendForever, std::move(bytes), 0}; }

using Script = std::vector<Step>;

// A request and response pair, for the common "answer each request" case.
Script Answer(std::string response);
// An HTTP/1.1 200 response with Content-Length.
std::string Ok(std::string_view body, std::string_view extra_headers = "");

// The certificate (with its chain) and key a TLS server presents.
struct ServerCertificate {
  std::string cert_file;
  std::string key_file;
};

class ScriptedServer {
 public:
  // The i-th accepted connection plays scripts[i]; connections beyond the
  // list are closed at once.
  explicit ScriptedServer(std::vector<Script> scripts);
  // The same over TLS: each connection first completes a handshake with
  // certificate (one that fails counts in failed_handshakes and plays
  // nothing).
  ScriptedServer(std::vector<Script> scripts, const ServerCertificate& certificate);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path ("https://..." over TLS).
  std::string Url(std::string_view path) const;
  int connections() const { return accepted_.load(); }
  int failed_handshakes() const { return failed_handshakes_.load(); }
  // Handshakes that resumed an earlier session.
  int resumed_sessions() const { return resumed_.load(); }
  // Every request head received, in order, over all connections.
  std::vector<std::string> requests() const;

 private:
  void Listen();
  void AcceptLoop();
  void Play(int fd, const Script& script);
  // Sleeps ms unless the server stops; false when it stops.
  bool Wait(int ms) const;
  void Record(std::string request);

  std::vector<Script> scripts_;
  int listen_fd_ = -1;
  int wake_fds_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::atomic<int> failed_handshakes_{0};
  std::atomic<int> resumed_{0};
  ssl_ctx_st* tls_ = nullptr;  // set for a TLS server
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace duvra::testing
