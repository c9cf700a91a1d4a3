#include "http/stream_reader.h"

#include <algorithm>
#include <cstring>

namespace duvra {

ReadStatus StreamReader::Fill() {
  if (at_end_) return ReadStatus::kClosed;
  if (start_ == end_) start_ = end_ = 0;
  if (capacity_ - end_ < kSocketReadSize) {
    // Move what is left to the front, growing only when a long line needs it.
    const size_t kept = end_ - start_;
    const size_t needed = kept + kSocketReadSize;
    if (needed > capacity_) {
      const size_t capacity = std::max(needed, capacity_ * 2);
      std::unique_ptr<char[]> grown(new char[capacity]);
      if (kept > 0) std::memcpy(grown.get(), buffer_.get() + start_, kept);
      buffer_ = std::move(grown);
      capacity_ = capacity;
    } else if (kept > 0) {
      std::memmove(buffer_.get(), buffer_.get() + start_, kept);
    }
    start_ = 0;
    end_ = kept;
  }
  int wait_ms = timeout_ms_;
  if (has_deadline_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline_ - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return ReadStatus::kTimeout;
    if (wait_ms == 0 || left < wait_ms) wait_ms = static_cast<int>(left);
  }
  IoResult r = stream_.Read(buffer_.get() + end_, kSocketReadSize, wait_ms);
  if (r.status == IoStatus::kOk) end_ += r.bytes;
  switch (r.status) {
    case IoStatus::kOk:
      return ReadStatus::kOk;
    case IoStatus::kClosed:
      at_end_ = true;
      return ReadStatus::kClosed;
    case IoStatus::kTimeout:
      return ReadStatus::kTimeout;
    case IoStatus::kStopped:
      return ReadStatus::kStopped;
    case IoStatus::kError:
      error_code_ = r.error_code;
      return ReadStatus::kError;
  }
  return ReadStatus::kError;
}

ReadStatus StreamReader::ReadLine(std::string* line, size_t max_length) {
  scanned_ = 0;
  for (;;) {
    const char* base = buffer_.get() + start_;
    const size_t available = end_ - start_;
    const void* lf =
        available > scanned_ ? std::memchr(base + scanned_, '\n', available - scanned_) : nullptr;
    if (lf != nullptr) {
      size_t length = static_cast<const char*>(lf) - base;
      const size_t consumed = length + 1;
      if (length > 0 && base[length - 1] == '\r') --length;
      if (length > max_length) return ReadStatus::kLineTooLong;
      line->assign(base, length);
      start_ += consumed;
      return ReadStatus::kOk;
    }
    // Room for the limit plus a CR that may precede the LF.
    if (available > max_length + 1) return ReadStatus::kLineTooLong;
    scanned_ = available;
    ReadStatus s = Fill();
    if (s == ReadStatus::kClosed) {
      line->clear();
      if (end_ > start_) line->assign(buffer_.get() + start_, end_ - start_);
      start_ = end_;
      return ReadStatus::kClosed;
    }
    if (s != ReadStatus::kOk) return s;
  }
}

ReadStatus StreamReader::Read(uint64_t count, std::string* out, uint64_t* got) {
  *got = 0;
  while (*got < count) {
    if (buffered() == 0) {
      ReadStatus s = Fill();
      if (s != ReadStatus::kOk) return s;
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buffered(), count - *got));
    if (out != nullptr) out->append(buffer_.get() + start_, n);
    start_ += n;
    *got += n;
  }
  return ReadStatus::kOk;
}

ReadStatus StreamReader::ReadToEnd(std::string* out, uint64_t cap, uint64_t* got) {
  *got = 0;
  for (;;) {
    const size_t n = buffered();
    if (*got + n > cap) return ReadStatus::kTooLarge;
    if (out != nullptr && n > 0) out->append(buffer_.get() + start_, n);
    start_ += n;
    *got += n;
    ReadStatus s = Fill();
    if (s == ReadStatus::kClosed) return ReadStatus::kOk;
    if (s != ReadStatus::kOk) return s;
  }
}

}  // namespace duvra
