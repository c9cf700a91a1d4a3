#include "database/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace duvra {

std::vector<std::string> SplitLines(std::string_view data, LoneCr lone_cr) {
  std::vector<std::string> lines;
  std::string current;
  bool pending = false;  // current holds a started line
  for (size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      pending = false;
    } else if (c == '\r') {
      if (i + 1 < data.size() && data[i + 1] == '\n') {
        lines.push_back(std::move(current));
        current.clear();
        pending = false;
        ++i;
      } else if (lone_cr == LoneCr::kLineEnd) {
        lines.push_back(std::move(current));
        current.clear();
        pending = false;
      } else {
        pending = true;  // dropped, but the line has begun
      }
    } else {
      // Find the run of ordinary bytes in one go: lines can be long.
      size_t end = data.find_first_of("\r\n", i);
      if (end == std::string_view::npos) end = data.size();
      current.append(data.substr(i, end - i));
      i = end - 1;
      pending = true;
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

namespace {

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view data, int* error_code) {
  const std::string temp = path + ".duvra-new";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error_code = errno;
    return false;
  }
  if (!WriteAll(fd, data) || ::fsync(fd) != 0) {
    *error_code = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  if (::close(fd) != 0) {
    *error_code = errno;
    ::unlink(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    *error_code = errno;
    ::unlink(temp.c_str());
    return false;
  }
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
