// The ways a page fetch can fail, with the texts the caller sees.
#pragma once

#include <string>
#include <string_view>

#include "http/byte_stream.h"

namespace duvra {

enum class FailureKind {
  kNone,
  kSocket,           // a socket call or name resolution failed
  kConnectTimeout,   // the connection attempt ran out of time
  kReadTimeout,      // a wait for data ran out of time
  kClosed,           // the server closed before a complete status line or mid-chunk
  kLineTooLong,      // a status, header or chunk-size line over the line limit
  kTooLarge,         // a header or body cap was reached
  kBadFraming,       // a chunk size or chunk end that cannot be read
  kUnknownProtocol,  // a scheme other than http/https without a port
  kTls,              // the TLS handshake failed for a reason other than the certificate
  kCertificate,      // the server's certificate did not pass verification
  kTrustStore,       // the trusted certificates could not be loaded
  kBadAddress,       // a port that is not a number in range
  kStatus,           // judged on the status line: redirect or not 2xx
  kStopped,          // a stop request ended the call
};

inline constexpr std::string_view kSocketErrorText = "Socket Error # %d\r\n%s";
inline constexpr std::string_view kHostNotFoundText = "Host not found.";
inline constexpr std::string_view kConnectTimeoutText = "Connect timed out.";
inline constexpr std::string_view kReadTimeoutText = "Read Timeout";
inline constexpr std::string_view kClosedText = "Connection Closed Gracefully.";
inline constexpr std::string_view kLineTooLongText = "Max line length exceeded.";
inline constexpr std::string_view kTlsHandshakeText = "TLS handshake failed: ";
inline constexpr std::string_view kCertificateText = "Certificate verification failed: ";
inline constexpr std::string_view kCertificateHostText = "the certificate is not valid for ";
inline constexpr std::string_view kCertificateExpiredText = "the certificate has expired.";
inline constexpr std::string_view kCertificateNotYetValidText = "the certificate is not yet valid.";
inline constexpr std::string_view kCertificateUntrustedText =
    "the certificate is not signed by a trusted authority.";
inline constexpr std::string_view kTrustStoreText = "Trusted certificates could not be loaded: ";
inline constexpr std::string_view kUnknownProtocolText = "Unknown Protocol";
inline constexpr std::string_view kBadPortText = "Invalid port number";
inline constexpr std::string_view kHeaderTooLargeText = "Response header too large.";
inline constexpr std::string_view kTooManyInterimText = "Too many interim responses.";
inline constexpr std::string_view kBodyTooLargeText = "Response body too large.";
inline constexpr std::string_view kBadChunkSizeText = "Invalid chunk size.";
inline constexpr std::string_view kBadChunkEndText = "Invalid chunk end.";
inline constexpr std::string_view kStoppedText = "Stopped.";

struct Failure {
  FailureKind kind = FailureKind::kNone;
  std::string message;
  // Filled for kStatus only.
  int status_code = 0;
  std::string status_line;
  std::string location;

  bool failed() const { return kind != FailureKind::kNone; }
};

// A failure of the given kind with its fixed text (kSocket and kStatus have
// none: use SocketFailure and StatusFailure).
Failure MakeFailure(FailureKind kind, std::string_view message);

// The failure of a socket or TLS transfer that did not complete: a time-out
// is `timeout_kind` (kReadTimeout or kConnectTimeout) with its text, a
// closed connection kClosed, a stop kStopped, anything else the socket
// error of result.error_code.
Failure TransferFailure(const IoResult& result, FailureKind timeout_kind);

// "Socket Error # <code>\r\n<reason>".
Failure SocketFailure(int code, std::string_view reason);

// A failure judged on the status line; its text is the status line.
Failure StatusFailure(int code, std::string_view status_line, std::string_view location);

}  // namespace duvra
