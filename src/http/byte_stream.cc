#include "http/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace duvra {

MemoryStream::MemoryStream(std::string input, size_t slice, IoStatus end_status)
    : input_(std::move(input)), slice_(std::max<size_t>(slice, 1)), end_status_(end_status) {}

IoResult MemoryStream::Read(char* buffer, size_t capacity, int /*timeout_ms*/) {
  if (position_ == input_.size()) return IoResult{end_status_, 0, 0};
  const size_t n = std::min({capacity, slice_, input_.size() - position_});
  std::memcpy(buffer, input_.data() + position_, n);
  position_ += n;
  return IoResult{IoStatus::kOk, n, 0};
}

IoResult MemoryStream::Write(std::string_view data, int /*timeout_ms*/) {
  written_.append(data);
  return IoResult{IoStatus::kOk, data.size(), 0};
}

}  // namespace duvra
