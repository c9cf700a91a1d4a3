// Reads one HTTP response from a stream and judges it: the status line and
// headers (repeated while the code is 100), then the body framed by
// Content-Length, chunked coding, the end of the stream or nothing. Works on
// any ByteStream, so tests and fuzzers feed it buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/seconds.h"
#include "http/fetch_failure.h"
#include "http/stream_reader.h"

namespace duvra {

// The longest status, header or chunk-size line.
inline constexpr size_t kMaxLineLength = 16384;
// Caps that keep memory bounded whatever a server sends.
inline constexpr size_t kMaxHeaderLines = 1000;         // per response head
inline constexpr size_t kMaxHeaderBytes = 1024 * 1024;  // per response head
inline constexpr int kMaxInterimResponses = 100;        // "100 Continue" heads before the real one
inline constexpr uint64_t kMaxBodyBytes = 64ull * 1024 * 1024;
// The wait bound while the body of a failed response is read and discarded.
inline constexpr int kDiscardTimeoutMs = 2000;

struct Header {
  std::string name;
  std::string value;
};

struct ResponseHead {
  std::string status_line;
  int status_code = -1;
  std::vector<Header> headers;

  // The value of the first header of that name (compared without regard to
  // case), or nullptr.
  const std::string* Find(std::string_view name) const;
};

struct ResponseOptions {
  int read_timeout_ms = kDefaultReadTimeoutMs;
  int discard_timeout_ms = kDiscardTimeoutMs;
  uint64_t max_body_bytes = kMaxBodyBytes;
};

struct Response {
  Failure failure;    // kNone on success
  std::string body;   // the raw body bytes, on success only
  ResponseHead head;  // the last head read
  // "Set-Cookie" and "Set-Cookie2" headers of every head read, in order.
  std::vector<Header> cookie_headers;
  // The stream may carry the next request: the response was read completely
  // and cleanly, nothing unasked follows it, and the server allows it.
  bool reusable = false;

  bool ok() const { return !failure.failed(); }
};

// Reads and judges one response. Success is a 2xx code without "Location";
// every other response fails with its status after its body is discarded
// (with the wait bound lowered to options.discard_timeout_ms).
Response ReadResponse(StreamReader& reader, const ResponseOptions& options);

// The second space-separated word of a status line as a decimal number; -1
// when it is missing or not a number.
int ParseStatusCode(std::string_view status_line);

// A Content-Length value: decimal digits only (blanks around allowed).
// Values beyond what 64 bits hold give UINT64_MAX.
bool ParseContentLength(std::string_view value, uint64_t* length);

// A chunk-size line: hexadecimal digits, optionally followed by ";"
// extensions. False for junk or a size that does not fit 64 bits.
bool ParseChunkSize(std::string_view line, uint64_t* size);

// Whether the server lets the connection carry another request: no
// "Connection"/"Proxy-Connection" token "close", and for HTTP/1.0 an explicit
// "keep-alive".
bool AllowsKeepAlive(const ResponseHead& head);

}  // namespace duvra
