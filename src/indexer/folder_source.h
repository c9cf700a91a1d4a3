// Reading a site from its folder on this machine instead of over HTTP. The
// folder holds the site root: an address inside the root names the file at
// the same path under the folder, mapped as a static web server maps it, so
// a crawl of the folder gives what a crawl of the folder served over HTTP
// gives. No path leaves the folder and no request leaves the machine.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "http/page_fetcher.h"

namespace duvra {

// The type a file is served with, by its extension, in place of the
// Content-Type a server sends: HTML for ".html" and ".htm", XHTML for
// ".xhtml", none for a name without extension (its content decides), and
// "application/octet-stream" for every other extension.
std::string FolderContentType(std::string_view file_name);

// Failure texts of a folder read (the crawl skips a failed page silently;
// the start page's failure is told in the log).
inline constexpr std::string_view kFolderNotFound = "No file in the folder for %s";
inline constexpr std::string_view kFolderOutside = "%s lies outside the site's folder";
inline constexpr std::string_view kFolderTooLarge = "%s is larger than %s bytes";
inline constexpr std::string_view kFolderUnreadable = "Cannot read %s: %s";
inline constexpr std::string_view kNotAFolder = "The site folder \"%s\" is not a folder.";

// Where an address leads inside the folder.
struct FolderTarget {
  enum Kind {
    kCandidates,  // the files to try, in order, relative to the folder
    kOutside,     // outside the site root, or a path that would leave the folder
    kAddSlash,    // a folder named without its trailing "/": a redirect to `redirect`
  };
  Kind kind = kOutside;
  std::vector<std::string> candidates;  // "docs/index.html"; "" is never one
  std::string redirect;
};

// The files an address may name, in the order a static server tries them:
// the path below the site root, percent-decoded, without query and fragment,
// with empty and "." segments dropped; a path ending in "/" names its
// index.html, then index.htm; with plain addresses on, a last segment
// without extension names the file, then the file + ".html", then its
// index.html. A ".." segment, a NUL byte or an address outside the root
// gives kOutside. Plain addresses off, a path without trailing "/" is a
// file, or kAddSlash when `is_folder` says it is a folder.
FolderTarget MapFolderAddress(std::string_view address, std::string_view site_root,
                              bool plain_addresses,
                              const std::function<bool(const std::string&)>& is_folder);

// A PageFetcher over a folder. Open it for each crawl, before the first Get.
class FolderSource : public PageFetcher {
 public:
  // Reads `folder` as the site root `site_root` ("http://host/docs"). Fails
  // when the folder cannot be found or is not a folder.
  Status Open(const std::string& folder, const std::string& site_root, bool plain_addresses);

  // The file the address names: ok with its bytes and the type by its
  // extension; a missing file fails with 404, an address outside the root
  // or a file reached through a link that leaves the folder with 403, a
  // folder named without its "/" with a 301 to the address with it.
  FetchResult Get(const std::string& address) override;
  FetchResult GetAtMost(const std::string& address, uint64_t max_bytes) override;

  // A folder has no user agent and no waits.
  void SetUserAgent(const std::string&) override {}
  void SetReadTimeout(int) override {}
  void RequestStop() override { stop_.store(true); }
  void ClearStop() override { stop_.store(false); }
  // A folder needs no pause between reads: returns at once.
  bool SleepUnlessStopped(int) override { return !stop_.load(); }

  const std::string& folder() const { return folder_; }

 private:
  // Reads the file below the folder, when it is a regular file whose real
  // path stays inside the folder; *outside tells a refused link.
  FetchResult ReadFile(const std::string& relative, uint64_t max_bytes, bool* outside) const;

  std::atomic<bool> stop_{false};
  std::string folder_;       // as given
  std::string real_folder_;  // its real path, symbolic links resolved
  std::string site_root_;
  bool plain_addresses_ = false;
};

}  // namespace duvra
