#include "http/http_client.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "database/db_files.h"
#include "http/http_text.h"
#include "http/request.h"

namespace duvra {
namespace {

FetchResult FromFailure(const Failure& f) {
  FetchResult r;
  r.ok = false;
  r.error = f.message;
  r.status_code = f.status_code;
  r.status_line = f.status_line;
  r.location = f.location;
  r.stopped = f.kind == FailureKind::kStopped;
  r.tls_failure = f.kind == FailureKind::kTls || f.kind == FailureKind::kCertificate ||
                  f.kind == FailureKind::kTrustStore;
  r.too_large = f.kind == FailureKind::kTooLarge && f.message == kBodyTooLargeText;
  return r;
}

}  // namespace

HttpClient::HttpClient() : user_agent_(kDefaultUserAgent), accept_(kDefaultAccept) {}

HttpClient::~HttpClient() = default;

FetchResult HttpClient::GetAtMost(const std::string& address, uint64_t max_bytes) {
  const uint64_t bound = max_body_bytes_;
  max_body_bytes_ = std::min(bound, max_bytes);
  FetchResult result = Get(address);
  max_body_bytes_ = bound;
  return result;
}

void HttpClient::Disconnect() {
  connection_.reset();
  connection_host_.clear();
  connection_port_ = 0;
  connection_tls_ = false;
}

void HttpClient::SetTrust(const TlsTrust& trust) {
  if (connection_tls_) Disconnect();
  tls_.reset();
  trust_ = trust;
}

Failure HttpClient::Connect(const Address& address) {
  const bool tls = IsHttps(address);
  if (connection_ != nullptr &&
      (!EqualsIgnoreCase(connection_host_, address.host) || connection_port_ != address.port ||
       connection_tls_ != tls || !connection_->IdleAndOpen())) {
    // Another server, or one that closed (or spoke) while we were idle.
    Disconnect();
  }
  if (connection_ != nullptr) return Failure{};
  Failure failure;
  if (tls && tls_ == nullptr) {
    tls_ = TlsContext::Create(trust_, &failure);
    if (tls_ == nullptr) return failure;
  }
  const int timeout = connect_timeout_ms_ > 0 ? connect_timeout_ms_ : read_timeout_ms_;
  std::unique_ptr<TcpConnection> tcp =
      ConnectTcp(address.host, address.port, timeout, stop_, &failure);
  if (tcp == nullptr) return failure;
  if (tls) {
    // The handshake belongs to connecting and has the same bound.
    connection_ = StartTls(std::move(tcp), address.host, address.port, timeout, *tls_, &failure);
    if (connection_ == nullptr) return failure;
  } else {
    connection_ = std::move(tcp);
  }
  connection_host_ = address.host;
  connection_port_ = address.port;
  connection_tls_ = tls;
  return Failure{};
}

FetchResult HttpClient::Get(const std::string& address_text) {
  if (stop_.requested()) return FromFailure(MakeFailure(FailureKind::kStopped, kStoppedText));
  const ParsedAddress parsed = ParseAddress(address_text);
  if (!parsed.ok()) return FromFailure(parsed.failure());
  const Address& address = parsed.address();
  Failure failure = Connect(address);
  if (failure.failed()) return FromFailure(failure);

  const std::time_t now = std::time(nullptr);
  cookies_.RemoveExpired(now);
  const std::string cookie_line =
      cookies_enabled_ ? cookies_.CookieLine(address.host, address.target, IsHttps(address))
                       : std::string();
  const std::string request =
      BuildRequest(address, user_agent_, accept_, cookie_line, fold_headers_);
  const IoResult w = connection_->Write(request, read_timeout_ms_);
  if (w.status != IoStatus::kOk) {
    Disconnect();
    return FromFailure(TransferFailure(w, FailureKind::kReadTimeout));
  }

  StreamReader reader(*connection_);
  // A server that drips bytes meets the total limit, not just the wait bound.
  if (read_timeout_ms_ > 0) {
    reader.set_deadline(std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(int64_t{read_timeout_ms_} * kTotalTimeFactor));
  }
  ResponseOptions options;
  options.read_timeout_ms = read_timeout_ms_;
  options.discard_timeout_ms = discard_timeout_ms_;
  options.max_body_bytes = max_body_bytes_;
  Response response = ReadResponse(reader, options);

  if (cookies_enabled_) {
    for (const Header& h : response.cookie_headers) cookies_.Store(h.value, address.host, now);
  }
  // Decided after every response, failed ones included.
  if (!response.reusable) Disconnect();

  if (!response.ok()) return FromFailure(response.failure);
  FetchResult result;
  result.ok = true;
  result.body = std::move(response.body);
  if (const std::string* type = response.head.Find("Content-Type")) result.content_type = *type;
  for (const Header& h : response.head.headers) {
    if (!EqualsIgnoreCase(h.name, "X-Robots-Tag")) continue;
    if (!result.robots_tag.empty()) result.robots_tag.append(", ");
    result.robots_tag.append(h.value);
  }
  return result;
}

}  // namespace duvra
