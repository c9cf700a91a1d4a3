// Link discovery: which addresses the crawl visits. The crawl table of
// discovered addresses, the site root and page directory they are resolved
// against, the link scan of a page and AddToList, which filters one link
// value into the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/ascii.h"

namespace duvra {

// Room of the crawl table; links found when it is full are dropped.
inline constexpr size_t kCrawlTableCapacity = 65535;
// Every remainder the page scans cut off keeps at most this many characters.
inline constexpr size_t kScanCutLength = 1000000;

// HTML's white space: space, tab, CR, LF and form feed.
constexpr bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The first occurrence of `pattern` in `text` at or after `from`, or npos;
// what string_view::find gives, by the C library's substring search.
size_t FindPattern(std::string_view text, std::string_view pattern, size_t from = 0);

// The prefix that root-relative links, excluded pages and local addresses
// are resolved against, from the start address.
std::string SiteRootOf(std::string_view start_address);

// The folder that relative links of the page at `address` are joined to.
// Only what follows the host is tested for a page extension.
std::string PageDirectoryOf(std::string_view address);

// The page test: an address whose part after the host has a page extension
// and that does not end in a skipped extension, or any address ending in "/".
bool IsPageAddress(std::string_view address);

// With plain addresses on: also an address whose last path segment has no
// extension ("/blog/my-post"); the skipped endings still apply.
bool IsPlainPageAddress(std::string_view address);

// The address with its scheme and host in lower case; the rest keeps its case.
std::string NormalizeSchemeHost(std::string_view address);

// Whether address is the site root or continues it at a path boundary
// ("/", "?" or "#"), so "/docs" never takes in "/docs-old".
bool InsideSiteRoot(std::string_view address, std::string_view site_root);

// The identity of a page for the one-record-per-page rule: an address ending
// in "/index.html", "/index.htm", "/index.php" or "/default.htm" (any case)
// stands for its folder.
std::string PageKey(std::string_view address);

// Resolves the "." and ".." segments of the address's path in place
// (RFC 3986); an address without them is left alone. Returns false when a
// ".." would climb above the host's root.
bool RemoveDotSegments(std::string* address);

// The addresses of a crawl, in order of discovery, each with its pending
// flag. Entries are numbered from 1 as the crawl speaks of them. The
// addresses live in large blocks and the duplicate test is an open-
// addressing hash lookup, so appending allocates little and stays linear.
class CrawlTable {
 public:
  explicit CrawlTable(size_t capacity = kCrawlTableCapacity) : capacity_(capacity) {}

  // Empties the table and stores `start` as entry 1, pending.
  void Reset(std::string_view start);
  // Appends a pending entry unless the address is present or the table is
  // full; returns whether it was appended.
  bool Append(std::string_view address);
  bool Contains(std::string_view address) const;
  // With one page on, addresses of the same PageKey are duplicates too (the
  // first one met stays); set before Reset.
  void set_one_page(bool on) { one_page_ = on; }
  bool ContainsPage(std::string_view address) const;

  size_t count() const { return entries_.size(); }
  size_t capacity() const { return capacity_; }
  bool full() const { return entries_.size() >= capacity_; }
  // Entry n, 1 <= n <= count(); the view stays valid until the next Reset.
  std::string_view address(size_t n) const {
    const Entry& e = entries_[n - 1];
    return {e.data, e.size};
  }
  bool pending(size_t n) const { return entries_[n - 1].pending; }
  void ClearPending(size_t n) { entries_[n - 1].pending = false; }

 private:
  struct Entry {
    const char* data;
    uint32_t size;
    uint32_t hash;
    bool pending;
  };
  static uint32_t Hash(std::string_view s);
  // The slot that holds `address`, or the empty slot where it would go.
  size_t Slot(std::string_view address, uint32_t hash) const;
  void Grow();
  const char* Store(std::string_view address);

  size_t capacity_;
  std::vector<Entry> entries_;
  std::vector<uint32_t> slots_;  // entry index + 1, 0 when empty; a power of two, under half full
  std::vector<std::unique_ptr<char[]>> blocks_;  // the address bytes; never moved
  size_t block_left_ = 0;
  char* block_next_ = nullptr;
  bool one_page_ = false;
  std::unordered_set<std::string> page_keys_;  // only with one_page_
};

// What AddToList resolves a link against, for the page being read.
struct LinkContext {
  std::string page_directory;
  std::string site_root;
  // Plain addresses: links resolve against `base` as a browser resolves
  // them, and extensionless addresses are page candidates.
  bool plain_links = false;
  std::string base = {};  // the page's address, or its <base href> resolved
};

// Filters one link value into the table; returns whether it was appended.
// A dropped link leaves no trace. A value is absolute only when it begins
// with a scheme: "http"/"https" ones must lie inside the site root, others
// are dropped; a relative value is never dropped for what it contains.
bool AddToList(std::string_view link_value, const LinkContext& context, CrawlTable& table);

// Scans a page for link values: each "href=" found in the search copy
// (the page lowered by LowerAscii) gives one value, copied from the page
// text at the same positions so that it keeps its letter case. `cut` bounds
// every remainder of the scan (kScanCutLength in the crawl).
void ScanLinks(std::string_view page, std::string_view search_copy, size_t cut,
               const std::function<void(std::string_view value)>& on_link);
// The same, also giving where the "href=" of each value begins.
void ScanLinksAt(std::string_view page, std::string_view search_copy, size_t cut,
                 const std::function<void(std::string_view value, size_t href_at)>& on_link);

// The link step of a page read: computes the page directory from the
// page's address and adds every link of the page to the table.
void DiscoverLinks(std::string_view page, std::string_view search_copy, std::string_view address,
                   const std::string& site_root, size_t cut, CrawlTable& table);
// The same with a prepared context (plain addresses, nofollow filtering):
// `follow` sees the search copy's tag around each link and may refuse it.
void DiscoverLinks(std::string_view page, std::string_view search_copy, const LinkContext& context,
                   size_t cut, CrawlTable& table,
                   const std::function<bool(size_t href_at)>& follow = nullptr);

}  // namespace duvra
