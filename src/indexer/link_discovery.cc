#include "indexer/link_discovery.h"

#include <algorithm>
#include <array>
#include <vector>

namespace duvra {
namespace {

// Tested as substrings anywhere in the lowered address.
constexpr std::array<std::string_view, 7> kPageExtensions = {".htm", ".asp",  ".php", ".pl",
                                                             ".jsp", ".mspx", ".cgi"};
// Tested against the end of the lowered address.
constexpr std::array<std::string_view, 12> kSkippedEndings4 = {
    ".gif", ".png", ".jpg", ".pdf", ".doc", ".zip", ".css", ".exe", ".rar", ".mp3", ".mpg", ".avi"};
constexpr std::array<std::string_view, 3> kSkippedEndings5 = {".ping", ".jpeg", ".mpeg"};

constexpr std::string_view kHrefPattern = "href=";

bool ContainsAny(std::string_view text, const auto& needles) {
  return std::any_of(needles.begin(), needles.end(),
                     [&](std::string_view n) { return text.find(n) != std::string_view::npos; });
}

bool EndsWithAny(std::string_view text, const auto& endings) {
  return std::any_of(endings.begin(), endings.end(),
                     [&](std::string_view e) { return text.ends_with(e); });
}

bool IsLinkSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '-' || c == '.';
}

// The scheme of a link value ("file" for "file:x"), or empty when the value
// does not begin with one.
std::string_view SchemeOf(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && IsSchemeChar(value[i])) ++i;
  if (i == 0 || i == value.size() || value[i] != ':') return {};
  return value.substr(0, i);
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string SiteRootOf(std::string_view start) {
  if (start.ends_with('/')) return std::string(start.substr(0, start.size() - 1));
  if (start.ends_with(".htm") || start.ends_with(".html")) {
    size_t slash = start.rfind('/');
    return std::string(start.substr(0, slash == std::string_view::npos ? 0 : slash));
  }
  return std::string(start);
}

std::string PageDirectoryOf(std::string_view address) {
  if (ContainsAny(LowerAscii(address), kPageExtensions)) {
    size_t slash = address.rfind('/');
    return std::string(address.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
  }
  std::string dir(address);
  if (!dir.ends_with('/')) dir.push_back('/');
  return dir;
}

bool IsPageAddress(std::string_view address) {
  const std::string lowered = LowerAscii(address);
  bool page = ContainsAny(lowered, kPageExtensions);
  if (page && (EndsWithAny(lowered, kSkippedEndings4) || EndsWithAny(lowered, kSkippedEndings5))) {
    page = false;
  }
  return page || lowered.ends_with('/');
}

bool RemoveDotSegments(std::string_view address, std::string* out) {
  out->assign(address);
  size_t scheme_end = address.find("://");
  if (scheme_end == std::string_view::npos) return true;
  size_t path_start = address.find_first_of("/?", scheme_end + 3);
  if (path_start == std::string_view::npos || address[path_start] != '/') return true;
  size_t path_end = std::min(address.find('?', path_start), address.size());
  std::string_view path = address.substr(path_start, path_end - path_start);
  if (path.find("/.") == std::string_view::npos) return true;  // no dot segment possible

  // The path is absolute, so a stack of its segments gives what the RFC's
  // buffer algorithm gives; popping an empty stack is climbing above root.
  std::vector<std::string_view> segments;
  bool trailing_slash = false;
  size_t i = 1;
  while (true) {
    size_t slash = std::min(path.find('/', i), path.size());
    std::string_view seg = path.substr(i, slash - i);
    const bool last = slash == path.size();
    if (seg == ".") {
      trailing_slash = last;
    } else if (seg == "..") {
      if (segments.empty()) return false;
      segments.pop_back();
      trailing_slash = last;
    } else {
      segments.push_back(seg);
      trailing_slash = false;
    }
    if (last) break;
    i = slash + 1;
  }
  std::string resolved(address.substr(0, path_start));
  for (std::string_view seg : segments) resolved.append(1, '/').append(seg);
  if (segments.empty() || trailing_slash) resolved.push_back('/');
  resolved.append(address.substr(path_end));
  *out = std::move(resolved);
  return true;
}

void CrawlTable::Reset(const std::string& start) {
  index_.clear();
  entries_.clear();
  entries_.push_back({start, true});
  index_.insert(entries_.back().address);
}

bool CrawlTable::Append(const std::string& address) {
  if (full() || Contains(address)) return false;
  entries_.push_back({address, true});
  index_.insert(entries_.back().address);
  return true;
}

bool AddToList(std::string_view link_value, const LinkContext& context, CrawlTable& table) {
  std::string link;
  link.reserve(link_value.size());
  for (char c : link_value) {
    if (c != '"' && c != '\'') link.push_back(c);
  }
  // A fragment points into a page; the page itself is what counts.
  if (link.starts_with('#')) return false;
  if (size_t hash = link.find('#'); hash != std::string::npos) link.resize(hash);
  if (std::string_view scheme = SchemeOf(link); !scheme.empty() && LowerAscii(scheme) != "http") {
    return false;
  }
  const std::string lowered = LowerAscii(link);
  if (lowered.find("mailto") != std::string::npos) return false;

  std::string address;
  if (lowered.find("http") != std::string::npos) {
    if (!link.starts_with(context.site_root)) return false;
    address = std::move(link);
  } else {
    if (link == "/") return false;
    address = (link.starts_with('/') ? context.site_root : context.page_directory) + link;
  }
  std::string resolved;
  if (!RemoveDotSegments(address, &resolved)) return false;
  if (resolved != address && !resolved.starts_with(context.site_root)) return false;

  if (!IsPageAddress(resolved)) return false;
  return table.Append(resolved);
}

void ScanLinks(std::string_view page, std::string_view search_copy, size_t cut,
               const std::function<void(std::string_view value)>& on_link) {
  size_t pos = 0;
  size_t end = search_copy.size();
  while (true) {
    const std::string_view remaining = search_copy.substr(0, end);
    size_t href = remaining.find(kHrefPattern, pos);
    if (href == std::string_view::npos) return;
    const size_t start = href + kHrefPattern.size();
    end = std::min(end, start + std::min(cut, end - start));
    const std::string_view region = search_copy.substr(start, end - start);
    const size_t gt = region.find('>');

    std::string_view value;
    if (gt != std::string_view::npos) {
      size_t value_end = gt;
      size_t value_start = 0;
      const char first = region.empty() ? '\0' : region[0];
      size_t close = std::string_view::npos;
      if (first == '"' || first == '\'') close = region.find(first, 1);
      if (close != std::string_view::npos && close < gt) {
        value_start = 1;
        value_end = close;
      } else {
        auto space = std::find_if(region.begin(), region.begin() + gt, IsLinkSpace);
        value_end = static_cast<size_t>(space - region.begin());
      }
      value = page.substr(start + value_start, value_end - value_start);
      // The text after the ">" is a tail of the text after "href=", which
      // is already within the cut.
      pos = start + gt + 1;
    } else {
      pos = start;
    }
    on_link(value);
  }
}

void DiscoverLinks(std::string_view page, std::string_view search_copy, std::string_view address,
                   const std::string& site_root, size_t cut, CrawlTable& table) {
  const LinkContext context{PageDirectoryOf(address), site_root};
  ScanLinks(page, search_copy, cut,
            [&](std::string_view value) { AddToList(value, context, table); });
}

}  // namespace duvra
