#include "http/response_reader.h"

#include <cstring>
#include <limits>

#include "base/ascii.h"
#include "http/http_text.h"

namespace duvra {
namespace {

using http_text::Trim;

// A failure for a read status other than kOk.
Failure ReadFailure(ReadStatus status, const StreamReader& reader) {
  switch (status) {
    case ReadStatus::kOk:
      return Failure{};
    case ReadStatus::kClosed:
      return MakeFailure(FailureKind::kClosed, kClosedText);
    case ReadStatus::kTimeout:
      return MakeFailure(FailureKind::kReadTimeout, kReadTimeoutText);
    case ReadStatus::kStopped:
      return MakeFailure(FailureKind::kStopped, kStoppedText);
    case ReadStatus::kError:
      return SocketFailure(reader.error_code(), std::strerror(reader.error_code()));
    case ReadStatus::kLineTooLong:
      return MakeFailure(FailureKind::kLineTooLong, kLineTooLongText);
    case ReadStatus::kTooLarge:
      return MakeFailure(FailureKind::kTooLarge, kBodyTooLargeText);
  }
  return MakeFailure(FailureKind::kSocket, "");
}

// Reads a status line and its headers. A clean close among the headers ends
// them; before a complete status line it is a failure.
Failure ReadHead(StreamReader& reader, ResponseHead* head) {
  *head = ResponseHead{};
  std::string line;
  ReadStatus s = reader.ReadLine(&line, kMaxLineLength);
  if (s != ReadStatus::kOk) return ReadFailure(s, reader);
  head->status_line = line;
  head->status_code = ParseStatusCode(line);

  size_t lines = 0, bytes = 0;
  for (;;) {
    s = reader.ReadLine(&line, kMaxLineLength);
    if (s == ReadStatus::kClosed) return Failure{};  // a partial last line is dropped
    if (s != ReadStatus::kOk) return ReadFailure(s, reader);
    if (line.empty()) return Failure{};
    if (++lines > kMaxHeaderLines || (bytes += line.size()) > kMaxHeaderBytes) {
      return MakeFailure(FailureKind::kTooLarge, kHeaderTooLargeText);
    }
    if (http_text::IsBlank(line[0])) {
      // A folded continuation: joined to the previous value by one space.
      const std::string_view more = Trim(line);
      if (!head->headers.empty() && !more.empty()) {
        std::string& value = head->headers.back().value;
        if (!value.empty()) value.push_back(' ');
        value.append(more);
      }
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;  // not a header line
    std::string_view view(line);
    head->headers.push_back(Header{std::string(Trim(view.substr(0, colon))),
                                   std::string(Trim(view.substr(colon + 1)))});
  }
}

enum class Framing { kNone, kLength, kChunked, kToEnd };

Framing ChooseFraming(const ResponseHead& head, bool has_body, uint64_t* length) {
  if (!has_body) return Framing::kNone;
  const std::string* cl = head.Find("Content-Length");
  const bool valid_length = cl != nullptr && ParseContentLength(*cl, length);
  if (valid_length && *length >= 1) return Framing::kLength;
  const std::string* te = head.Find("Transfer-Encoding");
  if (te != nullptr && ContainsIgnoreCase(*te, "chunked")) return Framing::kChunked;
  if (!valid_length) return Framing::kToEnd;
  return Framing::kNone;
}

Failure ReadChunked(StreamReader& reader, std::string* out, uint64_t cap) {
  uint64_t total = 0;
  std::string line;
  for (;;) {
    ReadStatus s = reader.ReadLine(&line, kMaxLineLength);
    if (s != ReadStatus::kOk) return ReadFailure(s, reader);
    uint64_t size = 0;
    if (!ParseChunkSize(line, &size))
      return MakeFailure(FailureKind::kBadFraming, kBadChunkSizeText);
    if (size == 0) break;
    if (size > cap - total) return MakeFailure(FailureKind::kTooLarge, kBodyTooLargeText);
    uint64_t got = 0;
    s = reader.Read(size, out, &got);
    if (s != ReadStatus::kOk) return ReadFailure(s, reader);
    total += size;
    s = reader.ReadLine(&line, kMaxLineLength);
    if (s != ReadStatus::kOk) return ReadFailure(s, reader);
    if (!line.empty()) return MakeFailure(FailureKind::kBadFraming, kBadChunkEndText);
  }
  // Trailer lines are skipped up to the empty line, so that none is left to
  // be taken for the next response; a clean close here ends the body.
  size_t lines = 0, bytes = 0;
  for (;;) {
    ReadStatus s = reader.ReadLine(&line, kMaxLineLength);
    if (s == ReadStatus::kClosed) return Failure{};
    if (s != ReadStatus::kOk) return ReadFailure(s, reader);
    if (line.empty()) return Failure{};
    if (++lines > kMaxHeaderLines || (bytes += line.size()) > kMaxHeaderBytes) {
      return MakeFailure(FailureKind::kTooLarge, kHeaderTooLargeText);
    }
  }
}

// Reads the body as framed; out == nullptr discards it.
Failure ReadBody(StreamReader& reader, Framing framing, uint64_t length, std::string* out,
                 uint64_t cap) {
  uint64_t got = 0;
  switch (framing) {
    case Framing::kNone:
      return Failure{};
    case Framing::kLength: {
      if (length > cap) return MakeFailure(FailureKind::kTooLarge, kBodyTooLargeText);
      if (out != nullptr) out->reserve(static_cast<size_t>(length));
      ReadStatus s = reader.Read(length, out, &got);
      // A server that closes early still gives the body received.
      if (s == ReadStatus::kClosed) return Failure{};
      return ReadFailure(s, reader);
    }
    case Framing::kChunked:
      return ReadChunked(reader, out, cap);
    case Framing::kToEnd:
      return ReadFailure(reader.ReadToEnd(out, cap, &got), reader);
  }
  return Failure{};
}

}  // namespace

const std::string* ResponseHead::Find(std::string_view name) const {
  for (const Header& h : headers) {
    if (EqualsIgnoreCase(h.name, name)) return &h.value;
  }
  return nullptr;
}

int ParseStatusCode(std::string_view status_line) {
  size_t i = 0;
  while (i < status_line.size() && status_line[i] == ' ') ++i;
  while (i < status_line.size() && status_line[i] != ' ') ++i;
  while (i < status_line.size() && status_line[i] == ' ') ++i;
  size_t end = i;
  while (end < status_line.size() && status_line[end] != ' ') ++end;
  const std::string_view word = status_line.substr(i, end - i);
  if (word.empty() || word.size() > 9) return -1;
  int code = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return -1;
    code = code * 10 + (c - '0');
  }
  return code;
}

bool ParseContentLength(std::string_view value, uint64_t* length) {
  value = Trim(value);
  if (value.empty()) return false;
  uint64_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    n = n > (std::numeric_limits<uint64_t>::max() - digit) / 10
            ? std::numeric_limits<uint64_t>::max()
            : n * 10 + digit;
  }
  *length = n;
  return true;
}

bool ParseChunkSize(std::string_view line, uint64_t* size) {
  const size_t semi = line.find(';');
  const std::string_view digits = Trim(line.substr(0, semi));
  if (digits.empty() || digits.size() > 16) return false;
  uint64_t n = 0;
  for (char c : digits) {
    const int v = AsciiHexValue(c);
    if (v < 0) return false;
    n = n * 16 + static_cast<uint64_t>(v);
  }
  *size = n;
  return true;
}

bool AllowsKeepAlive(const ResponseHead& head) {
  bool keep_alive_token = false;
  for (const Header& h : head.headers) {
    if (!EqualsIgnoreCase(h.name, "Connection") && !EqualsIgnoreCase(h.name, "Proxy-Connection")) {
      continue;
    }
    for (std::string_view token : http_text::SplitTrimmed(h.value, ',')) {
      if (EqualsIgnoreCase(token, "close")) return false;
      if (EqualsIgnoreCase(token, "keep-alive")) keep_alive_token = true;
    }
  }
  // An HTTP/1.0 server closes after the response unless it says otherwise.
  const std::string_view line = head.status_line;
  const bool old_version =
      StartsWithIgnoreCase(line, "HTTP/1.0") || StartsWithIgnoreCase(line, "HTTP/0.");
  return !old_version || keep_alive_token;
}

Response ReadResponse(StreamReader& reader, const ResponseOptions& options) {
  Response r;
  reader.set_timeout(options.read_timeout_ms);
  for (int interim = 0;; ++interim) {
    r.failure = ReadHead(reader, &r.head);
    for (const Header& h : r.head.headers) {
      if (EqualsIgnoreCase(h.name, "Set-Cookie") || EqualsIgnoreCase(h.name, "Set-Cookie2")) {
        r.cookie_headers.push_back(h);
      }
    }
    if (r.failure.failed()) return r;
    if (r.head.status_code != 100) break;
    if (interim == kMaxInterimResponses) {
      r.failure = MakeFailure(FailureKind::kTooLarge, kTooManyInterimText);
      return r;
    }
  }

  const int code = r.head.status_code;
  const std::string* location = r.head.Find("Location");
  const bool redirect = (code >= 300 && code < 400 && code != 304) || location != nullptr;
  const bool success = !redirect && code >= 200 && code < 300;
  // 1xx, 204 and 304 responses end at their head; reading a body there would
  // wait for bytes that never come or take the next response's.
  const bool has_body = !(code >= 100 && code < 200) && code != 204 && code != 304;
  uint64_t length = 0;
  const Framing framing = ChooseFraming(r.head, has_body, &length);

  Failure body_failure;
  if (success) {
    body_failure = ReadBody(reader, framing, length, &r.body, options.max_body_bytes);
    if (body_failure.failed()) {
      r.body.clear();
      r.failure = body_failure;
    }
  } else {
    reader.set_timeout(options.discard_timeout_ms);
    body_failure = ReadBody(reader, framing, length, nullptr, options.max_body_bytes);
    reader.set_timeout(options.read_timeout_ms);
    r.failure = body_failure.kind == FailureKind::kStopped
                    ? body_failure
                    : StatusFailure(code, r.head.status_line, location ? *location : "");
  }

  // A 1xx other than 100 is followed by more of the same answer, and a status
  // line that is not HTTP says nothing about the stream: neither is reused.
  r.reusable = !body_failure.failed() && !reader.at_end() && reader.buffered() == 0 &&
               code >= 200 && StartsWithIgnoreCase(r.head.status_line, "HTTP/") &&
               AllowsKeepAlive(r.head);
  return r;
}

}  // namespace duvra
