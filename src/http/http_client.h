// The crawler's page fetcher: HTTP/1.1 GET over plain TCP ("http") or TLS
// ("https"), one request at a time, one kept-alive connection, cookies in
// memory, redirects never followed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "http/address.h"
#include "http/cookie_store.h"
#include "http/page_fetcher.h"
#include "http/response_reader.h"
#include "http/socket_stream.h"
#include "http/stop_signal.h"
#include "http/tls_connection.h"

namespace duvra {

// A whole response must arrive within this many read time-outs.
inline constexpr int kTotalTimeFactor = 4;

class HttpClient : public PageFetcher {
 public:
  HttpClient();
  ~HttpClient() override;

  // Fetches address and returns its body, or a failure with its text (and,
  // for a redirect or a status other than 2xx, the status code, status line
  // and any "Location"). Nothing is retried. A connection is reused while the
  // server keeps it alive and every response on it was read cleanly.
  FetchResult Get(const std::string& address) override;
  // Get with the body bound lowered to max_bytes for this call.
  FetchResult GetAtMost(const std::string& address, uint64_t max_bytes) override;

  // An empty user agent sends no "User-Agent" line.
  void SetUserAgent(const std::string& user_agent) override { user_agent_ = user_agent; }
  // The bound of each wait for data and of the connection attempt; 0 is no
  // limit (negative values count as 0). Reading one response is also bounded
  // as a whole, by kTotalTimeFactor times this.
  void SetReadTimeout(int milliseconds) override { read_timeout_ms_ = std::max(milliseconds, 0); }

  void RequestStop() override { stop_.Request(); }
  void ClearStop() override { stop_.Clear(); }
  bool SleepUnlessStopped(int milliseconds) override { return stop_.Sleep(milliseconds); }

  // An empty Accept value sends no "Accept" line.
  void SetAccept(const std::string& accept) { accept_ = accept; }
  // When off, cookies are neither stored nor sent.
  void SetCookiesEnabled(bool enabled) { cookies_enabled_ = enabled; }
  // The bound of the connection attempt; 0 (the default) uses the read
  // time-out.
  void SetConnectTimeout(int milliseconds) { connect_timeout_ms_ = std::max(milliseconds, 0); }
  // The wait bound while a failed response's body is discarded.
  void SetDiscardTimeout(int milliseconds) { discard_timeout_ms_ = std::max(milliseconds, 0); }
  // Whether header lines over 78 characters are folded (off by default:
  // current servers refuse folded requests).
  void SetFoldLongHeaders(bool fold) { fold_headers_ = fold; }
  // The largest body accepted (and discarded); a larger one fails the call.
  void SetMaxBodyBytes(uint64_t bytes) { max_body_bytes_ = bytes; }
  // The certificates "https" servers are checked against (default: the
  // system's). Closes a TLS connection made under the old trust.
  void SetTrust(const TlsTrust& trust);

  const std::string& user_agent() const { return user_agent_; }
  int read_timeout() const { return read_timeout_ms_; }
  const CookieStore& cookies() const { return cookies_; }
  // Whether a connection is being kept for the next request.
  bool connected() const { return connection_ != nullptr; }

 private:
  // Gets a usable connection for address into connection_ (see Get).
  Failure Connect(const Address& address);
  void Disconnect();

  std::string user_agent_;
  std::string accept_;
  int read_timeout_ms_ = kDefaultReadTimeoutMs;
  int connect_timeout_ms_ = 0;
  int discard_timeout_ms_ = kDiscardTimeoutMs;
  uint64_t max_body_bytes_ = kMaxBodyBytes;
  bool cookies_enabled_ = true;
  bool fold_headers_ = false;

  StopSignal stop_;
  CookieStore cookies_;
  TlsTrust trust_;
  // Made at the first "https" fetch; declared before connection_, which
  // refers to it and so must go first.
  std::unique_ptr<TlsContext> tls_;
  // The open connection, if any, with the host, port and transport it was
  // opened to; only kept while the last response on it allowed keep-alive.
  std::unique_ptr<Connection> connection_;
  std::string connection_host_;
  int connection_port_ = 0;
  bool connection_tls_ = false;
};

}  // namespace duvra
