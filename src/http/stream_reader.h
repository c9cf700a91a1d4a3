// A buffered reader over a ByteStream: lines up to LF, counted byte runs and
// reads to the end of the stream, each wait bounded by the current time-out.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "http/byte_stream.h"

namespace duvra {

// The most bytes asked of the stream in one read.
inline constexpr size_t kSocketReadSize = 32768;

enum class ReadStatus {
  kOk,
  kClosed,  // the stream ended before the line or count was complete
  kTimeout,
  kStopped,
  kError,        // error_code() holds errno
  kLineTooLong,  // a line longer than the limit
  kTooLarge,     // ReadToEnd passed its cap
};

class StreamReader {
 public:
  explicit StreamReader(ByteStream& stream) : stream_(stream) {}

  // The bound of each wait in milliseconds (0: no limit).
  void set_timeout(int milliseconds) { timeout_ms_ = milliseconds; }
  // A point after which every wait ends at once with kTimeout; each wait is
  // also cut to end there.
  void set_deadline(std::chrono::steady_clock::time_point at) {
    deadline_ = at;
    has_deadline_ = true;
  }
  int timeout() const { return timeout_ms_; }

  // Reads one line up to LF into *line, without the LF and a CR just before
  // it. A line of more than max_length bytes fails with kLineTooLong (the
  // bytes stay unread). kClosed: the stream ended first; *line holds the
  // partial line.
  ReadStatus ReadLine(std::string* line, size_t max_length);

  // Reads count bytes, appending them to *out (nullptr: discards them);
  // *got says how many arrived. kClosed: the stream ended first.
  ReadStatus Read(uint64_t count, std::string* out, uint64_t* got);

  // Reads until the stream ends (then kOk), appending to *out (nullptr:
  // discards). More than cap bytes fail with kTooLarge.
  ReadStatus ReadToEnd(std::string* out, uint64_t cap, uint64_t* got);

  // Bytes received but not yet consumed.
  size_t buffered() const { return end_ - start_; }
  // The stream reported a clean end.
  bool at_end() const { return at_end_; }
  int error_code() const { return error_code_; }

 private:
  // Appends one read of the stream to the buffer.
  ReadStatus Fill();

  ByteStream& stream_;
  int timeout_ms_ = 0;
  std::chrono::steady_clock::time_point deadline_{};
  bool has_deadline_ = false;
  // Received bytes are buffer_[start_, end_); capacity_ bytes allocated.
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t start_ = 0;
  size_t end_ = 0;
  size_t scanned_ = 0;  // bytes after start_ already searched for LF
  bool at_end_ = false;
  int error_code_ = 0;
};

}  // namespace duvra
