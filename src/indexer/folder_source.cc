#include "indexer/folder_source.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "base/ascii.h"
#include "http/response_reader.h"

namespace duvra {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
constexpr std::string_view kIndexNames[] = {"index.html", "index.htm"};

// An absolute address taken apart: "scheme://authority", the path (from
// its "/", possibly empty) and what follows from "?" or "#" on.
struct AddressParts {
  std::string_view origin, path, rest;
};

bool SplitAddress(std::string_view address, AddressParts* parts) {
  const size_t scheme_end = address.find("://");
  if (scheme_end == std::string_view::npos) return false;
  const size_t path_start = std::min(address.find_first_of("/?#", scheme_end + 3), address.size());
  const size_t rest_start = std::min(address.find_first_of("?#", path_start), address.size());
  parts->origin = address.substr(0, path_start);
  parts->path = address.substr(path_start, rest_start - path_start);
  parts->rest = address.substr(rest_start);
  return true;
}

// The path's segments after percent-decoding (a "%" without two hex digits
// stays as it is), empty and "." segments dropped; false on a ".." segment
// or a NUL byte, which a server refuses too.
bool DecodedSegments(std::string_view path, std::vector<std::string>* segments,
                     bool* trailing_slash) {
  std::string decoded;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && AsciiHexValue(path[i + 1]) >= 0 &&
        AsciiHexValue(path[i + 2]) >= 0) {
      decoded.push_back(
          static_cast<char>(AsciiHexValue(path[i + 1]) * 16 + AsciiHexValue(path[i + 2])));
      i += 2;
    } else {
      decoded.push_back(path[i]);
    }
  }
  if (decoded.find('\0') != std::string::npos) return false;
  *trailing_slash = decoded.empty() || decoded.back() == '/';
  segments->clear();
  size_t start = 0;
  while (start <= decoded.size()) {
    const size_t slash = std::min(decoded.find('/', start), decoded.size());
    std::string segment = decoded.substr(start, slash - start);
    if (segment == "..") return false;
    if (!segment.empty() && segment != ".") segments->push_back(std::move(segment));
    start = slash + 1;
  }
  return true;
}

std::string JoinSegments(const std::vector<std::string>& segments, size_t from) {
  std::string joined;
  for (size_t i = from; i < segments.size(); ++i) {
    if (!joined.empty()) joined.push_back('/');
    joined += segments[i];
  }
  return joined;
}

std::string WithName(const std::string& folder, std::string_view name) {
  return folder.empty() ? std::string(name) : folder + "/" + std::string(name);
}

FetchResult Failed(int status, std::string_view status_line, std::string message) {
  FetchResult r;
  r.ok = false;
  r.status_code = status;
  r.status_line = std::string(status_line);
  r.error = std::move(message);
  return r;
}

FetchResult TooLarge(const std::string& relative, uint64_t max_bytes) {
  FetchResult r =
      Failed(0, "", FormatMessage(kFolderTooLarge, {relative, std::to_string(max_bytes)}));
  r.too_large = true;
  return r;
}

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
  return real ? std::string(real.get()) : std::string();
}

}  // namespace

std::string FolderContentType(std::string_view file_name) {
  const size_t slash = file_name.rfind('/');
  const std::string_view name =
      slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return "";
  const std::string_view ext = name.substr(dot + 1);
  if (EqualsIgnoreCase(ext, "html") || EqualsIgnoreCase(ext, "htm")) return "text/html";
  if (EqualsIgnoreCase(ext, "xhtml")) return "application/xhtml+xml";
  return "application/octet-stream";
}

FolderTarget MapFolderAddress(std::string_view address, std::string_view site_root,
                              bool plain_addresses,
                              const std::function<bool(const std::string&)>& is_folder) {
  FolderTarget target;
  AddressParts a, r;
  if (!SplitAddress(address, &a) || !SplitAddress(site_root, &r)) return target;
  // Scheme and host are compared without regard to case, the path exactly.
  if (!EqualsIgnoreCase(a.origin, r.origin)) return target;
  std::vector<std::string> segments, root_segments;
  bool trailing = false, root_trailing = false;
  if (!DecodedSegments(a.path, &segments, &trailing)) return target;
  if (!DecodedSegments(r.path, &root_segments, &root_trailing)) return target;
  if (segments.size() < root_segments.size()) return target;
  for (size_t i = 0; i < root_segments.size(); ++i) {
    if (segments[i] != root_segments[i]) return target;
  }
  const std::string relative = JoinSegments(segments, root_segments.size());
  if (trailing) {
    target.kind = FolderTarget::kCandidates;
    for (std::string_view index : kIndexNames) {
      target.candidates.push_back(WithName(relative, index));
    }
    return target;
  }
  if (plain_addresses) {
    // A static server's fallbacks: the file, the file + ".html", the
    // folder's index.html. The root itself has only the last of them.
    target.kind = FolderTarget::kCandidates;
    if (!relative.empty()) {
      target.candidates.push_back(relative);
      target.candidates.push_back(relative + ".html");
    }
    target.candidates.push_back(WithName(relative, kIndexNames[0]));
    return target;
  }
  if (relative.empty() || is_folder(relative)) {
    // As a server answers a folder named without its "/".
    target.kind = FolderTarget::kAddSlash;
    const size_t rest = address.size() - a.rest.size();
    target.redirect = std::string(address.substr(0, rest)) + "/" + std::string(a.rest);
    if (size_t hash = target.redirect.find('#'); hash != std::string::npos) {
      target.redirect.resize(hash);
    }
    return target;
  }
  target.kind = FolderTarget::kCandidates;
  target.candidates.push_back(relative);
  return target;
}

Status FolderSource::Open(const std::string& folder, const std::string& site_root,
                          bool plain_addresses) {
  struct stat st;
  const std::string real = RealPath(folder);
  if (real.empty() || stat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return Status::Error(FormatMessage(kNotAFolder, {folder}));
  }
  folder_ = folder;
  real_folder_ = real;
  site_root_ = site_root;
  plain_addresses_ = plain_addresses;
  return Status::Ok();
}

FetchResult FolderSource::ReadFile(const std::string& relative, uint64_t max_bytes,
                                   bool* outside) const {
  *outside = false;
  const std::string real = RealPath(real_folder_ + "/" + relative);
  if (real.empty()) return Failed(404, "404 Not Found", FormatMessage(kFolderNotFound, {relative}));
  // A symbolic link may lead anywhere; only what stays in the folder is read.
  const std::string inside = real_folder_ == "/" ? "/" : real_folder_ + "/";
  if (!real.starts_with(inside)) {
    *outside = true;
    return Failed(403, "403 Forbidden", FormatMessage(kFolderOutside, {relative}));
  }
  // Non-blocking, so that a FIFO in the folder cannot hold the crawl.
  const int fd = open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    return Failed(403, "403 Forbidden",
                  FormatMessage(kFolderUnreadable, {relative, std::strerror(errno)}));
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Failed(404, "404 Not Found", FormatMessage(kFolderNotFound, {relative}));
  }
  if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    close(fd);
    return TooLarge(relative, max_bytes);
  }
  FetchResult r;
  r.body.reserve(static_cast<size_t>(st.st_size));
  char buffer[kReadChunk];
  while (true) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      return Failed(0, "", FormatMessage(kFolderUnreadable, {relative, std::strerror(error)}));
    }
    if (n == 0) break;
    r.body.append(buffer, static_cast<size_t>(n));
    // The file may grow while it is read.
    if (r.body.size() > max_bytes) {
      close(fd);
      return TooLarge(relative, max_bytes);
    }
  }
  close(fd);
  r.ok = true;
  r.content_type = FolderContentType(relative);
  return r;
}

FetchResult FolderSource::Get(const std::string& address) {
  return GetAtMost(address, kMaxBodyBytes);
}

FetchResult FolderSource::GetAtMost(const std::string& address, uint64_t max_bytes) {
  if (stop_.load()) {
    FetchResult r;
    r.stopped = true;
    r.error = "stopped";
    return r;
  }
  const FolderTarget target =
      MapFolderAddress(address, site_root_, plain_addresses_, [this](const std::string& rel) {
        struct stat st;
        return stat((real_folder_ + "/" + rel).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      });
  if (target.kind == FolderTarget::kOutside) {
    return Failed(403, "403 Forbidden", FormatMessage(kFolderOutside, {address}));
  }
  if (target.kind == FolderTarget::kAddSlash) {
    FetchResult r = Failed(301, "301 Moved Permanently", "301 Moved Permanently");
    r.location = target.redirect;
    return r;
  }
  FetchResult first_failure;
  bool refused = false;
  for (const std::string& candidate : target.candidates) {
    bool outside = false;
    FetchResult r = ReadFile(candidate, max_bytes, &outside);
    if (r.ok) return r;
    // A missing candidate lets the next one try; any other failure ends it.
    if (r.status_code != 404 && !outside) return r;
    if (outside && !refused) {
      refused = true;
      first_failure = std::move(r);
    }
  }
  if (refused) return first_failure;
  return Failed(404, "404 Not Found", FormatMessage(kFolderNotFound, {address}));
}

}  // namespace duvra
