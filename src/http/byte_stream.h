// The byte stream the client talks through: a TCP connection in the program,
// a memory buffer in tests and fuzzers (so the response parser never needs a
// socket), and later a TLS session over TCP.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace duvra {

enum class IoStatus {
  kOk,       // bytes moved
  kClosed,   // the peer ended the stream cleanly
  kTimeout,  // the wait ran out
  kStopped,  // a stop request ended the wait
  kError,    // a system error; error_code holds errno
};

struct IoResult {
  IoStatus status = IoStatus::kOk;
  size_t bytes = 0;    // bytes read or written, when kOk
  int error_code = 0;  // errno, when kError
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // Waits at most timeout_ms (0: no limit) for data and reads up to capacity
  // (> 0) bytes. kOk always carries at least one byte.
  virtual IoResult Read(char* buffer, size_t capacity, int timeout_ms) = 0;

  // Writes all of data; each wait is bounded by timeout_ms (0: no limit).
  virtual IoResult Write(std::string_view data, int timeout_ms) = 0;
};

// Serves fixed input, at most slice bytes per Read, then ends with end_status
// (kClosed by default). Keeps what was written.
class MemoryStream : public ByteStream {
 public:
  explicit MemoryStream(std::string input, size_t slice = 1 << 20,
                        IoStatus end_status = IoStatus::kClosed);

  IoResult Read(char* buffer, size_t capacity, int timeout_ms) override;
  IoResult Write(std::string_view data, int timeout_ms) override;

  const std::string& written() const { return written_; }
  size_t remaining() const { return input_.size() - position_; }

 private:
  std::string input_;
  size_t position_ = 0;
  size_t slice_;
  IoStatus end_status_;
  std::string written_;
};

}  // namespace duvra
