// Redirects in a crawl: the start address's test read follows a few that
// stay on its host (a plain-HTTP address of a site served over HTTPS
// answers with one), and a page that redirects during the crawl is taken as
// a link to where it points.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "http/page_fetcher.h"

namespace duvra {

// The most redirects the start address's test read follows.
inline constexpr int kMaxStartRedirects = 5;

inline constexpr std::string_view kRedirectedTo = "Redirected to %s";
inline constexpr std::string_view kSuggestFinalAddress =
    "Put this address into the site address to start there directly.";
inline constexpr std::string_view kRedirectOffHost = "Redirected to another host: %s";
inline constexpr std::string_view kRedirectLoop = "Redirect loop at %s";
inline constexpr std::string_view kTooManyRedirects = "More than %s redirects.";

// Whether a failed fetch is a redirect that can be followed: a 3xx status
// other than 304 with a non-empty "Location".
bool IsRedirect(const FetchResult& result);

// The absolute address that a "Location" value names, resolved against the
// address of the request as RFC 3986 resolves references (dot segments
// removed, the fragment dropped). Empty when base is not absolute or a ".."
// climbs above the root.
std::string ResolveLocation(std::string_view base, std::string_view location);

// The host of an absolute address, A-Z lowered, without user information
// and port; empty when the address has no "://".
std::string HostOf(std::string_view address);

struct StartRead {
  FetchResult result;  // of the last read
  std::string final_address;
  int redirects = 0;               // how many were followed
  std::vector<std::string> lines;  // what the log says about them
};

// Reads start, following up to kMaxStartRedirects redirects that stay on its
// host (the scheme and port may change). A redirect to another host, back to
// an address already read, or one too many fails the read; each gives its
// line, and so does a failed TLS handshake or certificate (its text). After
// a followed chain the lines name the final address and suggest it as the
// site address.
StartRead ReadStartAddress(PageFetcher& fetcher, const std::string& start);

}  // namespace duvra
