// Sitemaps: the list of pages a site publishes in "/sitemap.xml" (and
// names in robots.txt), so that pages nothing links to are found too. A
// sitemap is a <urlset> of page addresses or a <sitemapindex> naming
// further sitemaps; either lists its addresses in <loc> elements.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "http/page_fetcher.h"

namespace duvra {

// All the sitemap data one crawl reads, as the sitemap protocol bounds one
// sitemap file.
inline constexpr uint64_t kMaxSitemapBytes = 50ull * 1024 * 1024;
// Sitemap files one crawl reads at most (an index may name 50,000, which
// would be as many requests even when they all fail).
inline constexpr size_t kMaxSitemapReads = 1000;

inline constexpr std::string_view kSitemapPath = "/sitemap.xml";
inline constexpr std::string_view kSitemapLists = "Sitemap %s lists %s addresses.";
inline constexpr std::string_view kSitemapIndexLists = "Sitemap index %s names %s sitemaps.";
inline constexpr std::string_view kNotASitemap = "%s is not a sitemap.";
inline constexpr std::string_view kSitemapTooLarge =
    "Sitemap %s was not read: the sitemaps of a crawl are read up to 50 MB.";

struct SitemapDocument {
  enum Kind { kNone, kUrlSet, kIndex };
  Kind kind = kNone;  // by the first element of the document
  // Every <loc> value in document order: white space trimmed, character
  // and entity references decoded, CDATA sections taken as they are.
  std::vector<std::string> locations;
};

// Parses a sitemap document. Comments, processing instructions and a
// document type are skipped; element names may carry a namespace prefix.
// Never fails: what is not a sitemap gives kNone.
SitemapDocument ParseSitemap(std::string_view xml);

// Decodes the five predefined entities and numeric character references
// (as UTF-8); an unknown or malformed reference stays as written.
std::string DecodeXmlText(std::string_view text);

// The sitemap addresses a robots.txt names in its "Sitemap:" lines, in
// file order (the lines belong to no group).
std::vector<std::string> RobotsTxtSitemaps(std::string_view robots_txt);

// "scheme://host[:port]" of an absolute address, lowered, for comparing
// origins; empty when the address has no "://".
std::string LoweredOrigin(std::string_view address);

// What a crawl needs for reading its sitemaps.
struct SitemapReadOptions {
  int delay_ms = 0;                       // the request delay before each read
  uint64_t max_bytes = kMaxSitemapBytes;  // for all sitemaps together
};

// Reads the sitemaps at `addresses` (each once, in order, at most
// kMaxSitemapReads in all), following a
// sitemap index one level down to the sitemaps it names on the same
// (lowered) origin as `origin`; a sitemap that is missing or fails is passed over silently.
// Each page address found goes to on_page in document order; on_page
// returns false when no more can be taken, which ends the reading. Lines
// for the log go to on_line. Returns false when a stop request ended it.
bool ReadSitemaps(
    PageFetcher& fetcher, const std::vector<std::string>& addresses, const std::string& origin,
    const SitemapReadOptions& options,
    const std::function<bool(const std::string& sitemap, const std::string& loc)>& on_page,
    const std::function<void(const std::string& line)>& on_line);

}  // namespace duvra
