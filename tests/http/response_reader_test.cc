#include "http/response_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "http/byte_stream.h"

namespace duvra {
namespace {

// Plays data pieces one per read, then ends with a status (an errno for
// kError); records the time-out of every read.
class FakeStream : public ByteStream {
 public:
  FakeStream(std::vector<std::string> pieces, IoStatus end, int error_code = 0)
      : pieces_(pieces.begin(), pieces.end()), end_(end), error_code_(error_code) {}

  IoResult Read(char* buffer, size_t capacity, int timeout_ms) override {
    timeouts.push_back(timeout_ms);
    if (pieces_.empty()) return IoResult{end_, 0, error_code_};
    std::string& piece = pieces_.front();
    const size_t n = std::min(capacity, piece.size());
    std::memcpy(buffer, piece.data(), n);
    piece.erase(0, n);
    if (piece.empty()) pieces_.pop_front();
    return IoResult{IoStatus::kOk, n, 0};
  }
  IoResult Write(std::string_view data, int) override {
    return IoResult{IoStatus::kOk, data.size(), 0};
  }

  std::vector<int> timeouts;

 private:
  std::deque<std::string> pieces_;
  IoStatus end_;
  int error_code_;
};

// Reads a response from bytes served in slices; the stream then stays quiet
// (as a kept-alive connection does) unless end says otherwise.
Response ReadFrom(const std::string& bytes, IoStatus end = IoStatus::kTimeout,
                  size_t slice = 1 << 20, ResponseOptions options = {}) {
  MemoryStream stream(bytes, slice, end);
  StreamReader reader(stream);
  return ReadResponse(reader, options);
}

TEST(ResponseReaderTest, FramesBodiesInTheFixedOrder) {
  struct Case {
    const char* name;
    std::string bytes;
    IoStatus end;
    std::string body;
    bool reusable;
  } cases[] = {
      {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", IoStatus::kTimeout, "hello",
       true},
      {"chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
       "5;ext=1\r\nhello\r\n1A\r\n abcdefghijklmnopqrstuvwxy\r\n0\r\nTrailer: x\r\n\r\n",
       IoStatus::kTimeout, "hello abcdefghijklmnopqrstuvwxy", true},
      {"zero length then chunked",
       "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nTransfer-Encoding: "
       "gzip, Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
       IoStatus::kTimeout, "abc", true},
      {"until close", "HTTP/1.1 200 OK\r\n\r\nall of it\r\n", IoStatus::kClosed, "all of it\r\n",
       false},
      {"bad length reads until close", "HTTP/1.1 200 OK\r\nContent-Length: -3\r\n\r\nxyz",
       IoStatus::kClosed, "xyz", false},
      {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", IoStatus::kTimeout, "", true},
      {"short body then clean close", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart",
       IoStatus::kClosed, "part", false},
      {"204 has no body", "HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n",
       IoStatus::kTimeout, "", true},
      {"HTTP/1.0 without keep-alive", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nx",
       IoStatus::kTimeout, "x", false},
      {"HTTP/1.0 with keep-alive",
       "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 1\r\n\r\nx",
       IoStatus::kTimeout, "x", true},
      {"connection close", "HTTP/1.1 200 OK\r\nConnection:  Close \r\nContent-Length: 1\r\n\r\nx",
       IoStatus::kTimeout, "x", false},
      {"proxy-connection close",
       "HTTP/1.1 200 OK\r\nProxy-Connection: close\r\nContent-Length: 1\r\n\r\nx",
       IoStatus::kTimeout, "x", false},
  };
  for (const Case& c : cases) {
    for (size_t slice : {size_t{1} << 20, size_t{1}}) {
      const Response r = ReadFrom(c.bytes, c.end, slice);
      EXPECT_TRUE(r.ok()) << c.name << ": " << r.failure.message;
      EXPECT_EQ(r.body, c.body) << c.name;
      EXPECT_EQ(r.reusable, c.reusable) << c.name << " slice " << slice;
    }
  }
}

TEST(ResponseReaderTest, BytesNobodyAskedForStopReuse) {
  const Response r = ReadFrom("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA");
  EXPECT_EQ(r.body, "hello");
  EXPECT_FALSE(r.reusable);
}

TEST(ResponseReaderTest, ReadsHeadsWithFoldingBareLineFeedsAndRepeated100) {
  const Response r = ReadFrom(
      "HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n"
      "HTTP/1.1 100 Continue\n\n"
      "HTTP/1.1 200 OK\n"
      "X-Long: first\n"
      "   second\n"
      "\tthird\r\n"
      "not a header line\n"
      "set-cookie: late=2\n"
      "Content-Length: 2\n\nok");
  ASSERT_TRUE(r.ok()) << r.failure.message;
  EXPECT_EQ(r.body, "ok");
  EXPECT_EQ(r.head.status_line, "HTTP/1.1 200 OK");
  ASSERT_NE(r.head.Find("x-long"), nullptr);
  EXPECT_EQ(*r.head.Find("x-long"), "first second third");
  ASSERT_EQ(r.cookie_headers.size(), 2u);
  EXPECT_EQ(r.cookie_headers[0].value, "early=1");
  EXPECT_EQ(r.cookie_headers[1].value, "late=2");
}

TEST(ResponseReaderTest, CleanCloseEndsHeadersButNotTheStatusLine) {
  Response r = ReadFrom("HTTP/1.1 200 OK\r\nX-A: 1\r\nX-B: par", IoStatus::kClosed);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.head.headers.size(), 1u);
  EXPECT_FALSE(r.reusable);
  for (const char* early : {"", "HTTP/1.1 20"}) {
    r = ReadFrom(early, IoStatus::kClosed);
    EXPECT_EQ(r.failure.kind, FailureKind::kClosed) << early;
    EXPECT_EQ(r.failure.message, "Connection Closed Gracefully.");
  }
}

TEST(ResponseReaderTest, JudgesStatusAndDiscardsFailureBodies) {
  struct Case {
    std::string bytes;
    int code;
    const char* location;
    bool reusable;
  } cases[] = {
      {"HTTP/1.1 301 Moved\r\nLocation: /new\r\nContent-Length: 3\r\n\r\nabc", 301, "/new", true},
      {"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n", 302, "", true},
      {"HTTP/1.1 200 OK\r\nLocation: http://elsewhere/\r\nContent-Length: 2\r\n\r\nhi", 200,
       "http://elsewhere/", true},
      {"HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n4\r\ngone\r\n0\r\n\r\n", 404,
       "", true},
      {"HTTP/1.1 500 Oops\r\nContent-Length: 4\r\nConnection: close\r\n\r\nfail", 500, "", false},
      {"HTTP/1.1 304 Not Modified\r\nContent-Length: 50\r\n\r\n", 304, "", true},
      {"HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n", 401, "", true},
      {"HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 200 OK\r\n", 102, "", false},
      {"SSH-2.0-OpenSSH\r\n\r\n", -1, "", false},
      {"HTTP/1.1 abc Weird\r\nContent-Length: 0\r\n\r\n", -1, "", false},
  };
  for (const Case& c : cases) {
    const Response r = ReadFrom(c.bytes);
    ASSERT_EQ(r.failure.kind, FailureKind::kStatus) << c.bytes;
    EXPECT_EQ(r.failure.status_code, c.code) << c.bytes;
    EXPECT_EQ(r.failure.status_line, c.bytes.substr(0, c.bytes.find_first_of("\r\n")));
    EXPECT_EQ(r.failure.message, r.failure.status_line);
    EXPECT_EQ(r.failure.location, c.location) << c.bytes;
    EXPECT_TRUE(r.body.empty());
    EXPECT_EQ(r.reusable, c.reusable) << c.bytes;
  }
}

TEST(ResponseReaderTest, FailureBodiesAreReadWithTheDiscardBound) {
  FakeStream stream({"HTTP/1.1 404 No\r\n\r\n", "body"}, IoStatus::kTimeout);
  StreamReader reader(stream);
  ResponseOptions options;
  options.read_timeout_ms = 30000;
  options.discard_timeout_ms = 2000;
  const Response r = ReadResponse(reader, options);
  EXPECT_EQ(r.failure.status_code, 404);
  EXPECT_FALSE(r.reusable);  // the body never ended
  EXPECT_EQ(stream.timeouts, (std::vector<int>{30000, 2000, 2000}));
  EXPECT_EQ(reader.timeout(), 30000);
}

TEST(ResponseReaderTest, HostileFramingFailsAndIsNeverReused) {
  ResponseOptions small;
  small.max_body_bytes = 1000;
  struct Case {
    const char* name;
    std::string bytes;
    IoStatus end;
    FailureKind kind;
  } cases[] = {
      {"chunk size junk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc",
       IoStatus::kTimeout, FailureKind::kBadFraming},
      {"chunk size overflow",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1FFFFFFFFFFFFFFFF\r\n",
       IoStatus::kTimeout, FailureKind::kBadFraming},
      {"chunk size over the cap",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n",
       IoStatus::kTimeout, FailureKind::kTooLarge},
      {"chunks adding up over the cap",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string("200\r\n") +
           std::string(512, 'a') + "\r\n" + "200\r\n" + std::string(512, 'b') + "\r\n0\r\n\r\n",
       IoStatus::kTimeout, FailureKind::kTooLarge},
      {"chunk without its line end",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabcd\r\n", IoStatus::kTimeout,
       FailureKind::kBadFraming},
      {"chunked cut off", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab",
       IoStatus::kClosed, FailureKind::kClosed},
      {"length over the cap", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n",
       IoStatus::kTimeout, FailureKind::kTooLarge},
      {"length never arrives", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc",
       IoStatus::kTimeout, FailureKind::kReadTimeout},
      {"endless body", "HTTP/1.1 200 OK\r\n\r\n" + std::string(5000, 'x'), IoStatus::kTimeout,
       FailureKind::kTooLarge},
      {"stalled head", "HTTP/1.1 200 OK\r\nX-A: 1\r\n", IoStatus::kTimeout,
       FailureKind::kReadTimeout},
      {"reset after the head", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", IoStatus::kError,
       FailureKind::kSocket},
      {"stopped", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab", IoStatus::kStopped,
       FailureKind::kStopped},
      {"stopped while discarding", "HTTP/1.1 404 No\r\nContent-Length: 5\r\n\r\nab",
       IoStatus::kStopped, FailureKind::kStopped},
  };
  for (const Case& c : cases) {
    for (size_t slice : {size_t{1} << 20, size_t{7}}) {
      const Response r = ReadFrom(c.bytes, c.end, slice, small);
      EXPECT_EQ(r.failure.kind, c.kind) << c.name << ": " << r.failure.message;
      EXPECT_TRUE(r.body.empty()) << c.name;
      EXPECT_FALSE(r.reusable) << c.name;
    }
  }
}

TEST(ResponseReaderTest, ResetTextCarriesTheSystemError) {
  FakeStream stream({"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"}, IoStatus::kError, ECONNRESET);
  StreamReader reader(stream);
  const Response r = ReadResponse(reader, ResponseOptions{});
  EXPECT_EQ(r.failure.message,
            "Socket Error # " + std::to_string(ECONNRESET) + "\r\n" + std::strerror(ECONNRESET));
}

TEST(ResponseReaderTest, HeadsStayWithinTheirLimits) {
  const std::string longest(kMaxLineLength - std::strlen("X: "), 'v');
  Response r = ReadFrom("HTTP/1.1 200 OK\r\nX: " + longest + "\r\nContent-Length: 1\r\n\r\n!");
  EXPECT_TRUE(r.ok()) << r.failure.message;

  r = ReadFrom("HTTP/1.1 200 OK\r\nX: " + longest + "v\r\n\r\n");
  EXPECT_EQ(r.failure.kind, FailureKind::kLineTooLong);
  EXPECT_EQ(r.failure.message, "Max line length exceeded.");
  // No line end at all: the reader gives up at the limit, not at the end.
  r = ReadFrom("HTTP/1.1 200 OK\r\nX: " + std::string(100000, 'v'), IoStatus::kTimeout, 4096);
  EXPECT_EQ(r.failure.kind, FailureKind::kLineTooLong);

  std::string endless = "HTTP/1.1 200 OK\r\n";
  for (size_t i = 0; i <= kMaxHeaderLines; ++i) endless += "X-" + std::to_string(i) + ": y\r\n";
  r = ReadFrom(endless);
  EXPECT_EQ(r.failure.kind, FailureKind::kTooLarge);

  std::string continues;
  for (int i = 0; i <= kMaxInterimResponses; ++i) continues += "HTTP/1.1 100 Continue\r\n\r\n";
  r = ReadFrom(continues + "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(r.failure.kind, FailureKind::kTooLarge);
}

TEST(ResponseReaderTest, NumberParsers) {
  EXPECT_EQ(ParseStatusCode("HTTP/1.1 404 Not Found"), 404);
  EXPECT_EQ(ParseStatusCode("HTTP/1.1  200"), 200);
  EXPECT_EQ(ParseStatusCode("HTTP/1.1 2x0 OK"), -1);
  EXPECT_EQ(ParseStatusCode("HTTP/1.1"), -1);
  uint64_t n = 0;
  EXPECT_TRUE(ParseContentLength(" 42 ", &n));
  EXPECT_EQ(n, 42u);
  EXPECT_FALSE(ParseContentLength("4 2", &n));
  EXPECT_FALSE(ParseContentLength("+1", &n));
  EXPECT_TRUE(ParseChunkSize("1a2B ; name=value", &n));
  EXPECT_EQ(n, 0x1a2bu);
  EXPECT_TRUE(ParseChunkSize("ffffffffffffffff", &n));
  EXPECT_FALSE(ParseChunkSize("", &n));
  EXPECT_FALSE(ParseChunkSize("0x10", &n));
  EXPECT_FALSE(ParseChunkSize("-1", &n));
}

}  // namespace
}  // namespace duvra
