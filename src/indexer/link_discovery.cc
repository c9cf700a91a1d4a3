#include "indexer/link_discovery.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/address_scheme.h"
#include "indexer/redirects.h"

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

// Whether `text` with A-Z lowered starts with `lower` at `at`.
bool MatchesLowered(std::string_view text, size_t at, std::string_view lower) {
  return at <= text.size() && StartsWithIgnoreCase(text.substr(at), lower);
}

// What follows "scheme://host[:port]": the host never counts as a path.
std::string_view AfterAuthority(std::string_view address) {
  const size_t mark = address.find("://");
  if (mark == std::string_view::npos) return address;
  const size_t end = address.find_first_of("/?#", mark + 3);
  return end == std::string_view::npos ? std::string_view() : address.substr(end);
}

// Every page extension begins with ".", so only the dots need a look.
bool HasPageExtension(std::string_view full_address) {
  const std::string_view address = AfterAuthority(full_address);
  for (size_t dot = address.find('.'); dot != std::string_view::npos;
       dot = address.find('.', dot + 1)) {
    for (std::string_view ext : kPageExtensions) {
      if (MatchesLowered(address, dot, ext)) return true;
    }
  }
  return false;
}

bool EndsWithAnyLowered(std::string_view text, const auto& endings) {
  return std::any_of(endings.begin(), endings.end(), [&](std::string_view e) {
    return text.size() >= e.size() && MatchesLowered(text, text.size() - e.size(), e);
  });
}

}  // namespace

size_t FindPattern(std::string_view text, std::string_view pattern, size_t from) {
  if (from > text.size()) return std::string_view::npos;
  if (pattern.empty()) return from;
  const void* at = ::memmem(text.data() + from, text.size() - from, pattern.data(), pattern.size());
  return at == nullptr ? std::string_view::npos
                       : static_cast<size_t>(static_cast<const char*>(at) - text.data());
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
  if (HasPageExtension(address)) {
    const size_t path_at = address.size() - AfterAuthority(address).size();
    size_t slash = address.rfind('/');
    if (slash == std::string_view::npos || slash < path_at) {
      return std::string(address.substr(0, path_at)) + "/";
    }
    return std::string(address.substr(0, slash + 1));
  }
  std::string dir(address);
  if (!dir.ends_with('/')) dir.push_back('/');
  return dir;
}

bool IsPageAddress(std::string_view address) {
  bool page = HasPageExtension(address);
  if (page && (EndsWithAnyLowered(address, kSkippedEndings4) ||
               EndsWithAnyLowered(address, kSkippedEndings5))) {
    page = false;
  }
  return page || address.ends_with('/');
}

bool IsPlainPageAddress(std::string_view address) {
  if (IsPageAddress(address)) return true;
  std::string_view path = AfterAuthority(address);
  path = path.substr(0, path.find_first_of("?#"));
  const std::string_view last =
      path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1);
  return last.find('.') == std::string_view::npos &&
         !EndsWithAnyLowered(address, kSkippedEndings4) &&
         !EndsWithAnyLowered(address, kSkippedEndings5);
}

std::string NormalizeSchemeHost(std::string_view address) {
  std::string out(address);
  const size_t mark = out.find("://");
  if (mark == std::string::npos) return out;
  const size_t end = std::min(out.find_first_of("/?#", mark + 3), out.size());
  for (size_t i = 0; i < end; ++i) out[i] = AsciiLower(out[i]);
  return out;
}

bool InsideSiteRoot(std::string_view address, std::string_view site_root) {
  if (!address.starts_with(site_root)) return false;
  if (address.size() == site_root.size() || site_root.ends_with('/')) return true;
  const char next = address[site_root.size()];
  return next == '/' || next == '?' || next == '#';
}

std::string PageKey(std::string_view address) {
  static constexpr std::string_view kIndexNames[] = {"/index.html", "/index.htm", "/index.php",
                                                     "/default.htm"};
  for (std::string_view name : kIndexNames) {
    if (address.size() > name.size() &&
        MatchesLowered(address, address.size() - name.size(), name) &&
        AfterAuthority(address).size() >= name.size()) {
      return std::string(address.substr(0, address.size() - name.size() + 1));
    }
  }
  return std::string(address);
}

bool RemoveDotSegments(std::string* address_text) {
  const std::string_view address(*address_text);
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
  *address_text = std::move(resolved);
  return true;
}

namespace {

constexpr size_t kAddressBlockBytes = 64 * 1024;
constexpr size_t kFirstSlotCount = 64;

}  // namespace

uint32_t CrawlTable::Hash(std::string_view s) {
  const size_t h = std::hash<std::string_view>{}(s);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

size_t CrawlTable::Slot(std::string_view address, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t s = slots_[i];
    if (s == 0) return i;
    const Entry& e = entries_[s - 1];
    if (e.hash == hash && std::string_view(e.data, e.size) == address) return i;
  }
}

void CrawlTable::Grow() {
  std::vector<uint32_t> old = std::move(slots_);
  slots_.assign(std::max(kFirstSlotCount, old.size() * 2), 0);
  const size_t mask = slots_.size() - 1;
  for (uint32_t s : old) {
    if (s == 0) continue;
    size_t i = entries_[s - 1].hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

const char* CrawlTable::Store(std::string_view address) {
  if (address.size() > block_left_) {
    const size_t size = std::max(kAddressBlockBytes, address.size());
    blocks_.push_back(std::make_unique<char[]>(size));
    block_next_ = blocks_.back().get();
    block_left_ = size;
  }
  char* at = block_next_;
  std::copy(address.begin(), address.end(), at);
  block_next_ += address.size();
  block_left_ -= address.size();
  return at;
}

void CrawlTable::Reset(std::string_view start) {
  entries_.clear();
  slots_.clear();
  blocks_.clear();
  block_left_ = 0;
  Grow();
  const uint32_t hash = Hash(start);
  entries_.push_back({Store(start), static_cast<uint32_t>(start.size()), hash, true});
  slots_[Slot(start, hash)] = 1;
  page_keys_.clear();
  if (one_page_) page_keys_.insert(PageKey(start));
}

bool CrawlTable::Contains(std::string_view address) const {
  return !slots_.empty() && slots_[Slot(address, Hash(address))] != 0;
}

bool CrawlTable::ContainsPage(std::string_view address) const {
  return Contains(address) || (one_page_ && page_keys_.count(PageKey(address)) != 0);
}

bool CrawlTable::Append(std::string_view address) {
  if (full()) return false;
  if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
  const uint32_t hash = Hash(address);
  const size_t slot = Slot(address, hash);
  if (slots_[slot] != 0) return false;
  if (one_page_ && !page_keys_.insert(PageKey(address)).second) return false;
  entries_.push_back({Store(address), static_cast<uint32_t>(address.size()), hash, true});
  slots_[slot] = static_cast<uint32_t>(entries_.size());
  return true;
}

bool AddToList(std::string_view link_value, const LinkContext& context, CrawlTable& table) {
  // The scan gives a quoted value without its quotes; quotes left at either
  // end come from a value whose closing quote is missing. Inside, they are
  // part of the address ("o'brien.html").
  while (!link_value.empty() && (link_value.front() == '"' || link_value.front() == '\'')) {
    link_value.remove_prefix(1);
  }
  while (!link_value.empty() && (link_value.back() == '"' || link_value.back() == '\'')) {
    link_value.remove_suffix(1);
  }
  std::string link(link_value);
  // A fragment points into a page; the page itself is what counts.
  if (link.starts_with('#')) return false;
  if (size_t hash = link.find('#'); hash != std::string::npos) link.resize(hash);
  const std::string_view scheme = SchemeOf(link);
  if (!scheme.empty() && !IsWebScheme(scheme)) return false;

  std::string address;
  bool check_root = false;
  if (context.plain_links) {
    address = NormalizeSchemeHost(ResolveLocation(context.base, link));
    if (address.empty()) return false;
    check_root = true;
  } else if (!scheme.empty()) {
    address = NormalizeSchemeHost(link);
    check_root = true;
  } else if (link.starts_with("//")) {
    // Scheme-relative: another host unless it names the site's own.
    address =
        NormalizeSchemeHost(context.site_root.substr(0, context.site_root.find(':') + 1) + link);
    check_root = true;
  } else {
    if (link == "/") return false;
    address = (link.starts_with('/') ? context.site_root : context.page_directory) + link;
  }
  if (check_root && !InsideSiteRoot(address, context.site_root)) return false;
  // Resolving always shortens an address it changes.
  const size_t joined_size = address.size();
  if (!RemoveDotSegments(&address)) return false;
  if (address.size() != joined_size && !InsideSiteRoot(address, context.site_root)) return false;

  if (!(context.plain_links ? IsPlainPageAddress(address) : IsPageAddress(address))) return false;
  return table.Append(address);
}

void ScanLinks(std::string_view page, std::string_view search_copy, size_t cut,
               const std::function<void(std::string_view value)>& on_link) {
  ScanLinksAt(page, search_copy, cut, [&](std::string_view value, size_t) { on_link(value); });
}

void ScanLinksAt(std::string_view page, std::string_view search_copy, size_t cut,
                 const std::function<void(std::string_view value, size_t href_at)>& on_link) {
  size_t pos = 0;
  size_t end = search_copy.size();
  while (true) {
    const std::string_view remaining = search_copy.substr(0, end);
    size_t href = FindPattern(remaining, kHrefPattern, pos);
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
        auto space = std::find_if(region.begin(), region.begin() + gt, IsHtmlSpace);
        value_end = static_cast<size_t>(space - region.begin());
      }
      value = page.substr(start + value_start, value_end - value_start);
      // The text after the ">" is a tail of the text after "href=", which
      // is already within the cut.
      pos = start + gt + 1;
    } else {
      pos = start;
    }
    on_link(value, href);
  }
}

void DiscoverLinks(std::string_view page, std::string_view search_copy, std::string_view address,
                   const std::string& site_root, size_t cut, CrawlTable& table) {
  const LinkContext context{PageDirectoryOf(address), site_root};
  DiscoverLinks(page, search_copy, context, cut, table);
}

void DiscoverLinks(std::string_view page, std::string_view search_copy, const LinkContext& context,
                   size_t cut, CrawlTable& table,
                   const std::function<bool(size_t href_at)>& follow) {
  ScanLinksAt(page, search_copy, cut, [&](std::string_view value, size_t href_at) {
    if (follow && !follow(href_at)) return;
    AddToList(value, context, table);
  });
}

}  // namespace duvra
