#include "http/tls_connection.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "http/address.h"
#include "http/http_text.h"
#include "http/stream_reader.h"

namespace duvra {
namespace {

using Clock = std::chrono::steady_clock;

// How often IdleAndOpen lets OpenSSL take in housekeeping records before it
// gives up on a connection that keeps talking.
constexpr int kIdleChecks = 8;
// The wait for bytes that the socket already said are there.
constexpr int kAlreadyThereMs = 1;

bool IsIpLiteral(const std::string& host) {
  unsigned char buffer[16];
  const std::string bare = ResolverHost(host);
  return inet_pton(AF_INET, bare.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, bare.c_str(), buffer) == 1;
}

// OpenSSL's reason for the oldest queued error, or fallback.
std::string OpenSslReason(std::string_view fallback) {
  const unsigned long code = ERR_peek_error();
  const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
  ERR_clear_error();
  return reason != nullptr ? std::string(reason) : std::string(fallback);
}

// Moves what OpenSSL has written into wbio out over tcp.
IoResult Flush(BIO* wbio, TcpConnection& tcp, int timeout_ms) {
  char* data = nullptr;
  const long length = BIO_get_mem_data(wbio, &data);
  if (length <= 0) return IoResult{};
  const IoResult r = tcp.Write(std::string_view(data, static_cast<size_t>(length)), timeout_ms);
  // What went out is gone; after a failed write the connection is dropped.
  (void)BIO_reset(wbio);
  return r;
}

// Reads once from tcp into rbio; a clean close becomes the end of rbio.
IoResult Fill(BIO* rbio, TcpConnection& tcp, char* buffer, size_t capacity, int timeout_ms) {
  const IoResult r = tcp.Read(buffer, capacity, timeout_ms);
  if (r.status == IoStatus::kOk) {
    if (BIO_write(rbio, buffer, static_cast<int>(r.bytes)) != static_cast<int>(r.bytes)) {
      return IoResult{IoStatus::kError, 0, ENOMEM};
    }
  } else if (r.status == IoStatus::kClosed) {
    BIO_set_mem_eof_return(rbio, 0);
  }
  return r;
}

}  // namespace

std::unique_ptr<TlsContext> TlsContext::Create(const TlsTrust& trust, Failure* failure) {
  ERR_clear_error();
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (ctx == nullptr) {
    *failure = MakeFailure(FailureKind::kTls,
                           std::string(kTlsHandshakeText) + OpenSslReason("no TLS library"));
    return nullptr;
  }
  std::unique_ptr<TlsContext> context(new TlsContext(ctx));
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  // A server that ends a body-until-close response by closing the socket
  // without a close_notify is as common over TLS as over TCP.
  SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);

  if (trust.ca_file.empty() && trust.ca_dir.empty()) {
    if (SSL_CTX_set_default_verify_paths(ctx) != 1) {
      *failure = MakeFailure(FailureKind::kTrustStore,
                             std::string(kTrustStoreText) + OpenSslReason("system store"));
      return nullptr;
    }
    return context;
  }
  if (!trust.ca_dir.empty() && access(trust.ca_dir.c_str(), R_OK | X_OK) != 0) {
    *failure = MakeFailure(FailureKind::kTrustStore, std::string(kTrustStoreText) + trust.ca_dir);
    return nullptr;
  }
  const char* file = trust.ca_file.empty() ? nullptr : trust.ca_file.c_str();
  const char* dir = trust.ca_dir.empty() ? nullptr : trust.ca_dir.c_str();
  if (SSL_CTX_load_verify_locations(ctx, file, dir) != 1) {
    ERR_clear_error();
    *failure = MakeFailure(FailureKind::kTrustStore,
                           std::string(kTrustStoreText) + (file ? trust.ca_file : trust.ca_dir));
    return nullptr;
  }
  return context;
}

TlsContext::~TlsContext() {
  if (session_ != nullptr) SSL_SESSION_free(session_);
  SSL_CTX_free(ctx_);
}

ssl_session_st* TlsContext::SessionFor(const std::string& host, int port) const {
  if (session_ == nullptr || port != session_port_ || !EqualsIgnoreCase(host, session_host_)) {
    return nullptr;
  }
  return session_;
}

void TlsContext::KeepSession(const std::string& host, int port, ssl_session_st* session) {
  if (session == nullptr || SSL_SESSION_up_ref(session) != 1) return;
  if (session_ != nullptr) SSL_SESSION_free(session_);
  session_ = session;
  session_host_ = host;
  session_port_ = port;
}

TlsConnection::TlsConnection(std::unique_ptr<TcpConnection> tcp, ssl_st* ssl, TlsContext& context,
                             std::string host, int port)
    : tcp_(std::move(tcp)),
      ssl_(ssl),
      context_(context),
      host_(std::move(host)),
      port_(port),
      buffer_(new char[kSocketReadSize]) {}

TlsConnection::~TlsConnection() {
  if (SSL_is_init_finished(ssl_) == 1 && !fatal_) {
    SSL_SESSION* session = SSL_get0_session(ssl_);
    if (session != nullptr && SSL_SESSION_is_resumable(session) == 1) {
      context_.KeepSession(host_, port_, session);
    }
    // A polite close_notify, if the socket takes it at once; the server
    // closes its side either way.
    ERR_clear_error();
    if (SSL_shutdown(ssl_) >= 0) (void)Flush(SSL_get_wbio(ssl_), *tcp_, kAlreadyThereMs);
  }
  ERR_clear_error();
  SSL_free(ssl_);
}

IoResult TlsConnection::Fatal(IoStatus status, int error_code) {
  fatal_ = true;
  ERR_clear_error();
  return IoResult{status, 0, error_code};
}

IoResult TlsConnection::Read(char* buffer, size_t capacity, int timeout_ms) {
  const bool bounded = timeout_ms > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  BIO* rbio = SSL_get_rbio(ssl_);
  BIO* wbio = SSL_get_wbio(ssl_);
  for (;;) {
    if (tcp_->stop().requested()) return IoResult{IoStatus::kStopped, 0, 0};
    ERR_clear_error();
    size_t n = 0;
    const int rc = SSL_read_ex(ssl_, buffer, capacity, &n);
    const int error = rc == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl_, rc);
    // Reading may have produced records of its own (a key update answer).
    const int left = MillisecondsLeft(bounded, deadline);
    if (BIO_ctrl_pending(wbio) > 0) {
      const IoResult w = Flush(wbio, *tcp_, left < 0 ? kAlreadyThereMs : left);
      if (w.status != IoStatus::kOk) return w;
    }
    switch (error) {
      case SSL_ERROR_NONE:
        return IoResult{IoStatus::kOk, n, 0};
      case SSL_ERROR_ZERO_RETURN:
        return IoResult{IoStatus::kClosed, 0, 0};
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        break;
      case SSL_ERROR_SYSCALL:
        // Over memory buffers this is only the end of the stream.
        return Fatal(IoStatus::kClosed, 0);
      default:
        return Fatal(IoStatus::kError, EPROTO);
    }
    if (left < 0) return IoResult{IoStatus::kTimeout, 0, 0};
    const IoResult r = Fill(rbio, *tcp_, buffer_.get(), kSocketReadSize, left);
    if (r.status != IoStatus::kOk && r.status != IoStatus::kClosed) return r;
  }
}

IoResult TlsConnection::Write(std::string_view data, int timeout_ms) {
  if (tcp_->stop().requested()) return IoResult{IoStatus::kStopped, 0, 0};
  ERR_clear_error();
  size_t written = 0;
  // The memory buffer under the session takes everything at once.
  if (!data.empty() && SSL_write_ex(ssl_, data.data(), data.size(), &written) != 1) {
    return Fatal(IoStatus::kError, EPROTO);
  }
  const IoResult w = Flush(SSL_get_wbio(ssl_), *tcp_, timeout_ms);
  if (w.status != IoStatus::kOk) return IoResult{w.status, 0, w.error_code};
  return IoResult{IoStatus::kOk, data.size(), 0};
}

bool TlsConnection::IdleAndOpen() {
  BIO* rbio = SSL_get_rbio(ssl_);
  for (int i = 0; i < kIdleChecks; ++i) {
    const bool quiet = tcp_->IdleAndOpen();
    if (quiet && BIO_ctrl_pending(rbio) == 0 && SSL_has_pending(ssl_) == 0) return true;
    if (!quiet) {
      const IoResult r = Fill(rbio, *tcp_, buffer_.get(), kSocketReadSize, kAlreadyThereMs);
      if (r.status != IoStatus::kOk) return false;
    }
    // Session tickets are taken in here and leave nothing to read; anything
    // else means the connection is not idle.
    ERR_clear_error();
    char byte;
    size_t n = 0;
    const int rc = SSL_read_ex(ssl_, &byte, 1, &n);
    if (rc == 1) return false;
    const int error = SSL_get_error(ssl_, rc);
    if (error != SSL_ERROR_WANT_READ) {
      if (error != SSL_ERROR_ZERO_RETURN) Fatal(IoStatus::kError, EPROTO);
      return false;
    }
  }
  return false;
}

std::string CertificateFailureText(long verify_result, const std::string& host) {
  std::string reason;
  switch (verify_result) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      reason = std::string(kCertificateHostText) + host + ".";
      break;
    case X509_V_ERR_CERT_HAS_EXPIRED:
      reason = kCertificateExpiredText;
      break;
    case X509_V_ERR_CERT_NOT_YET_VALID:
      reason = kCertificateNotYetValidText;
      break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      reason = kCertificateUntrustedText;
      break;
    default:
      reason = std::string(X509_verify_cert_error_string(verify_result)) + ".";
      break;
  }
  return std::string(kCertificateText) + reason;
}

std::unique_ptr<TlsConnection> StartTls(std::unique_ptr<TcpConnection> tcp, const std::string& host,
                                        int port, int timeout_ms, TlsContext& context,
                                        Failure* failure) {
  const bool bounded = timeout_ms > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  ERR_clear_error();
  SSL* ssl = SSL_new(context.native());
  BIO* rbio = BIO_new(BIO_s_mem());
  BIO* wbio = BIO_new(BIO_s_mem());
  if (ssl == nullptr || rbio == nullptr || wbio == nullptr) {
    if (ssl != nullptr) SSL_free(ssl);
    if (rbio != nullptr) BIO_free(rbio);
    if (wbio != nullptr) BIO_free(wbio);
    *failure = MakeFailure(FailureKind::kTls,
                           std::string(kTlsHandshakeText) + OpenSslReason("out of memory"));
    return nullptr;
  }
  // Until more arrives, an empty input buffer means "try again later".
  BIO_set_mem_eof_return(rbio, -1);
  SSL_set_bio(ssl, rbio, wbio);  // ssl owns both from here
  std::unique_ptr<TlsConnection> connection(
      new TlsConnection(std::move(tcp), ssl, context, host, port));
  SSL_set_connect_state(ssl);

  // A trailing dot names the same host but is no part of a certificate name.
  std::string name = host;
  if (!name.empty() && name.back() == '.') name.pop_back();
  if (IsIpLiteral(name)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), ResolverHost(name).c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, name.c_str());
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(ssl, name.c_str());
  }
  if (SSL_SESSION* session = context.SessionFor(host, port)) SSL_set_session(ssl, session);

  TcpConnection& socket = *connection->tcp_;
  for (;;) {
    ERR_clear_error();
    const int rc = SSL_connect(ssl);
    const int error = rc == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl, rc);
    const int left = MillisecondsLeft(bounded, deadline);
    // Our next flight, or the alert that tells the server why we give up.
    const IoResult w = Flush(wbio, socket, left < 0 ? kAlreadyThereMs : left);
    if (error == SSL_ERROR_NONE) {
      if (w.status != IoStatus::kOk) {
        *failure = TransferFailure(w, FailureKind::kConnectTimeout);
        return nullptr;
      }
      return connection;
    }
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
      const long verify = SSL_get_verify_result(ssl);
      if (verify != X509_V_OK) {
        ERR_clear_error();
        *failure = MakeFailure(FailureKind::kCertificate, CertificateFailureText(verify, host));
      } else {
        *failure = MakeFailure(FailureKind::kTls,
                               std::string(kTlsHandshakeText) +
                                   OpenSslReason("the server closed the connection") + ".");
      }
      return nullptr;
    }
    if (w.status != IoStatus::kOk) {
      *failure = TransferFailure(w, FailureKind::kConnectTimeout);
      return nullptr;
    }
    if (left < 0) {
      *failure = MakeFailure(FailureKind::kConnectTimeout, kConnectTimeoutText);
      return nullptr;
    }
    const IoResult r = Fill(rbio, socket, connection->buffer_.get(), kSocketReadSize, left);
    if (r.status != IoStatus::kOk && r.status != IoStatus::kClosed) {
      *failure = TransferFailure(r, FailureKind::kConnectTimeout);
      return nullptr;
    }
  }
}

}  // namespace duvra
