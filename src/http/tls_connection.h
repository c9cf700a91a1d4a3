// TLS over the socket layer, with OpenSSL: a TlsContext holds the trusted
// certificates and the sessions kept for resumption; a TlsConnection wraps a
// TcpConnection behind the same Connection interface, so the response reader
// and the client's keep-alive rules see no difference.
#pragma once

#include <memory>
#include <string>

#include "http/fetch_failure.h"
#include "http/socket_stream.h"
#include "http/stop_signal.h"

struct ssl_st;
struct ssl_ctx_st;
struct ssl_session_st;

namespace duvra {

// Where the trusted certificates come from. Both empty: the system's store
// (OpenSSL's default paths, which SSL_CERT_FILE and SSL_CERT_DIR override).
struct TlsTrust {
  std::string ca_file;  // a PEM file of one or more certificates
  std::string ca_dir;   // a folder of hashed certificate links (c_rehash)
};

class TlsContext {
 public:
  // Loads the trust; nullptr with a kTrustStore failure when a named file or
  // folder cannot be used.
  static std::unique_ptr<TlsContext> Create(const TlsTrust& trust, Failure* failure);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  ssl_ctx_st* native() const { return ctx_; }

  // The session last kept for host and port (owned by the context), or
  // nullptr.
  ssl_session_st* SessionFor(const std::string& host, int port) const;
  // Keeps session (taking one reference) for the next connection to host and
  // port; one host is remembered, as the client keeps one connection.
  void KeepSession(const std::string& host, int port, ssl_session_st* session);

 private:
  explicit TlsContext(ssl_ctx_st* ctx) : ctx_(ctx) {}

  ssl_ctx_st* ctx_;
  std::string session_host_;
  int session_port_ = 0;
  ssl_session_st* session_ = nullptr;
};

class TlsConnection : public Connection {
 public:
  ~TlsConnection() override;
  TlsConnection(const TlsConnection&) = delete;
  TlsConnection& operator=(const TlsConnection&) = delete;

  // As over TCP: a clean end of the TLS stream (close_notify, or the peer
  // closing the socket without one) is kClosed; a reset is kError with its
  // errno; a broken TLS record is kError with EPROTO.
  IoResult Read(char* buffer, size_t capacity, int timeout_ms) override;
  IoResult Write(std::string_view data, int timeout_ms) override;
  // Idle and open also when the server sent only TLS housekeeping (session
  // tickets) since the last response; any application data, alert or close
  // means no.
  bool IdleAndOpen() override;

 private:
  friend std::unique_ptr<TlsConnection> StartTls(std::unique_ptr<TcpConnection>, const std::string&,
                                                 int, int, TlsContext&, Failure*);
  TlsConnection(std::unique_ptr<TcpConnection> tcp, ssl_st* ssl, TlsContext& context,
                std::string host, int port);

  // Marks the session unusable after a fatal TLS error (no close_notify).
  IoResult Fatal(IoStatus status, int error_code);

  std::unique_ptr<TcpConnection> tcp_;
  ssl_st* ssl_;          // reads from and writes to memory buffers that tcp_ fills and drains
  TlsContext& context_;  // outlives the connection (the client owns both)
  std::string host_;
  int port_;
  std::unique_ptr<char[]> buffer_;  // kSocketReadSize bytes for reads from tcp_
  bool fatal_ = false;
};

// Runs the client handshake over tcp for host and port: SNI (names only, not
// IP literals), the server's certificate chain checked against the context's
// trust and its names against host. The handshake is bounded by timeout_ms
// (0: no limit) and ends early on the stop signal of tcp. Returns nullptr and
// sets *failure on failure: kCertificate ("Certificate verification failed:
// " + the reason), kTls (any other handshake failure), kConnectTimeout,
// kStopped or kSocket.
std::unique_ptr<TlsConnection> StartTls(std::unique_ptr<TcpConnection> tcp, const std::string& host,
                                        int port, int timeout_ms, TlsContext& context,
                                        Failure* failure);

// The failure text for an X509 verification result of a certificate
// presented for host.
std::string CertificateFailureText(long verify_result, const std::string& host);

}  // namespace duvra
