#include "base/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace duvra {

std::vector<std::string> SplitLines(std::string_view data, LoneCr lone_cr) {
  std::vector<std::string> lines;
  size_t lf_count = 0;
  for (const char* q = data.data();
       (q = static_cast<const char*>(
            std::memchr(q, '\n', static_cast<size_t>(data.data() + data.size() - q)))) != nullptr;
       ++q) {
    ++lf_count;
  }
  lines.reserve(lf_count + 1);
  const char* p = data.data();
  const char* const end = p + data.size();
  std::string current;
  bool pending = false;  // current holds a started line
  while (p < end) {
    // memchr for both ends of a line keeps this at memory speed on long
    // lines; a CR is rare, so the second search usually runs to the LF.
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = lf ? lf : end;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
    const char* brk = cr ? cr : stop;
    current.append(p, static_cast<size_t>(brk - p));
    pending = pending || brk > p;
    if (brk == end) break;
    if (*brk == '\n' || (brk + 1 < end && brk[1] == '\n')) {
      lines.push_back(std::move(current));
      current.clear();
      pending = false;
      p = brk + (*brk == '\n' ? 1 : 2);
    } else if (lone_cr == LoneCr::kLineEnd) {
      lines.push_back(std::move(current));
      current.clear();
      pending = false;
      p = brk + 1;
    } else {
      pending = true;  // the CR is dropped, but the line has begun
      p = brk + 1;
    }
  }
  if (pending) lines.push_back(std::move(current));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  for (const auto& l : lines) {
    out.append(l);
    out.append("\r\n");
  }
  return out;
}

bool ReadWholeFile(const std::string& path, std::string* out, int* error_code) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error_code = errno;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    *error_code = EISDIR;
    return false;
  }
  out->clear();
  if (st.st_size > 0) out->reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error_code = errno;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

std::string SystemReason(int error_code) { return std::strerror(error_code); }

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace duvra
