// The HTTP response reader fed from a buffer, as a server's bytes reach it.
// The first byte chooses how the bytes arrive (slice size), how the stream
// ends (clean close or a wait that runs out) and the body cap; the rest is
// what the server sends, possibly several responses on one connection.
// Properties: the reader never holds more than its caps (line, header and
// body limits, its read buffer, its stream reads); a response is judged the
// same however its bytes are sliced; a success is a 2xx without "Location";
// a reusable stream has nothing left over; the cookies it hands on stay
// within the store's caps.
#include <algorithm>
#include <array>
#include <string>

#include "fuzz_support.h"
#include "http/byte_stream.h"
#include "http/cookie_store.h"
#include "http/http_text.h"
#include "http/response_reader.h"
#include "http/stream_reader.h"

namespace duvra {
namespace {

constexpr std::array<size_t, 4> kSlices = {1, 3, 64, 1 << 20};
constexpr uint64_t kSmallBodyCap = 100;
// Keep-alive responses read from one input, as the client would in a row.
constexpr int kMaxResponses = 8;
constexpr std::string_view kHost = "www.site.example";
constexpr std::time_t kNow = 1700000000;

// Passes reads through and remembers the largest read asked for.
class WatchedStream : public ByteStream {
 public:
  WatchedStream(std::string input, size_t slice, IoStatus end)
      : inner_(std::move(input), slice, end) {}
  IoResult Read(char* buffer, size_t capacity, int timeout_ms) override {
    largest_read_ = std::max(largest_read_, capacity);
    return inner_.Read(buffer, capacity, timeout_ms);
  }
  IoResult Write(std::string_view data, int timeout_ms) override {
    return inner_.Write(data, timeout_ms);
  }
  size_t largest_read() const { return largest_read_; }

 private:
  MemoryStream inner_;
  size_t largest_read_ = 0;
};

void CheckHeadCaps(const ResponseHead& head) {
  FUZZ_CHECK(head.status_line.size() <= kMaxLineLength);
  FUZZ_CHECK(head.status_code == ParseStatusCode(head.status_line));
  FUZZ_CHECK(head.headers.size() <= kMaxHeaderLines);
  size_t bytes = 0;
  for (const Header& h : head.headers) {
    FUZZ_CHECK(h.name.size() <= kMaxLineLength);
    // Lines end at LF; a CR inside a line is the server's text and stays.
    FUZZ_CHECK(h.name.find('\n') == std::string::npos);
    FUZZ_CHECK(h.value.find('\n') == std::string::npos);
    bytes += h.name.size() + h.value.size();
  }
  // Folded lines join with one space each.
  FUZZ_CHECK(bytes <= kMaxHeaderBytes + kMaxHeaderLines);
}

void CheckResponse(const Response& r, const StreamReader& reader, const ResponseOptions& options) {
  CheckHeadCaps(r.head);
  const int code = r.head.status_code;
  if (r.ok()) {
    FUZZ_CHECK(code >= 200 && code < 300);
    FUZZ_CHECK(r.head.Find("Location") == nullptr);
    FUZZ_CHECK(r.body.size() <= options.max_body_bytes);
    uint64_t length = 0;
    const std::string* cl = r.head.Find("Content-Length");
    if (cl != nullptr && ParseContentLength(*cl, &length) && length > 0) {
      FUZZ_CHECK(r.body.size() <= length);
    }
    if (code == 204) FUZZ_CHECK(r.body.empty());
  } else {
    FUZZ_CHECK(r.body.empty());
    if (r.failure.kind == FailureKind::kStatus) {
      FUZZ_CHECK(r.failure.status_code == code);
      FUZZ_CHECK(r.failure.status_line == r.head.status_line);
    }
  }
  // A line up to the limit (and its CR) waits in the buffer while one more
  // socket read is appended.
  FUZZ_CHECK(reader.buffered() <= kMaxLineLength + 1 + kSocketReadSize);
  if (r.reusable) FUZZ_CHECK(reader.buffered() == 0 && !reader.at_end());
  FUZZ_CHECK(reader.timeout() == options.read_timeout_ms);
}

void CheckCookies(const Response& r, CookieStore& store) {
  for (const Header& h : r.cookie_headers) {
    FUZZ_CHECK(EqualsIgnoreCase(h.name, "Set-Cookie") || EqualsIgnoreCase(h.name, "Set-Cookie2"));
    store.Store(h.value, kHost, kNow);
  }
  FUZZ_CHECK(store.size() <= kMaxCookies);
  for (const Cookie& c : store.cookies()) {
    FUZZ_CHECK(!c.name.empty() && c.name.size() + c.value.size() <= kMaxCookieBytes);
    FUZZ_CHECK(DomainFitsHost(c.domain, kHost));
  }
  const std::string line = store.CookieLine(kHost, "/a/b.htm");
  FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
}

bool SameJudgement(const Response& a, const Response& b) {
  if (a.failure.kind != b.failure.kind || a.failure.message != b.failure.message) return false;
  if (a.body != b.body || a.head.status_line != b.head.status_line) return false;
  if (a.head.headers.size() != b.head.headers.size()) return false;
  for (size_t i = 0; i < a.head.headers.size(); ++i) {
    if (a.head.headers[i].name != b.head.headers[i].name ||
        a.head.headers[i].value != b.head.headers[i].value) {
      return false;
    }
  }
  return a.cookie_headers.size() == b.cookie_headers.size();
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const uint8_t config = in.Byte();
  const size_t slice = kSlices[config & 3];
  const IoStatus end = (config & 4) ? IoStatus::kTimeout : IoStatus::kClosed;
  ResponseOptions options;
  options.read_timeout_ms = 1000;
  options.discard_timeout_ms = 10;
  if (config & 8) options.max_body_bytes = kSmallBodyCap;
  const std::string input(in.Rest());

  WatchedStream stream(input, slice, end);
  StreamReader reader(stream);
  CookieStore store;
  Response first;
  for (int n = 0; n < kMaxResponses; ++n) {
    Response r = ReadResponse(reader, options);
    CheckResponse(r, reader, options);
    CheckCookies(r, store);
    FUZZ_CHECK(stream.largest_read() <= kSocketReadSize);
    const bool again = r.reusable;
    if (n == 0) first = std::move(r);
    if (!again) break;
  }

  // The same bytes in one piece are judged the same.
  MemoryStream whole(input, kSlices.back(), end);
  StreamReader whole_reader(whole);
  FUZZ_CHECK(SameJudgement(first, ReadResponse(whole_reader, options)));
  return 0;
}
