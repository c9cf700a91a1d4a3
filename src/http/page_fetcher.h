// The fetcher the crawl drives: one GET per page. The real one is the HTTP
// page fetcher (http_client.h); tests of the crawl use fakes.
#pragma once

#include <string>

namespace duvra {

struct FetchResult {
  bool ok = false;
  std::string body;          // the body bytes, when ok
  std::string content_type;  // the Content-Type header, when ok (empty: none sent)
  std::string robots_tag;    // the X-Robots-Tag headers joined by ", ", when ok
  std::string error;         // the failure text, when not ok
  int status_code = 0;       // for failures judged on the status line
  std::string status_line;   // idem
  std::string location;      // the Location header of a failed response, if any
  bool stopped = false;      // the call ended because a stop was requested
  // The TLS handshake or the server's certificate failed; error says why.
  bool tls_failure = false;
};

class PageFetcher {
 public:
  virtual ~PageFetcher() = default;

  // Fetches one address ("http://host[:port]/path" or "https://...").
  virtual FetchResult Get(const std::string& address) = 0;
  virtual void SetUserAgent(const std::string& user_agent) = 0;
  virtual void SetReadTimeout(int milliseconds) = 0;

  // Stop requests may come from any thread: they end a running Get and any
  // SleepUnlessStopped within 100 ms. ClearStop re-arms the fetcher.
  virtual void RequestStop() = 0;
  virtual void ClearStop() = 0;
  // The crawl's request delay; returns false when it ended by a stop request.
  virtual bool SleepUnlessStopped(int milliseconds) = 0;
};

}  // namespace duvra
