#include "indexer/redirects.h"

#include <algorithm>

#include "base/address_scheme.h"
#include "base/ascii.h"
#include "base/status.h"
#include "http/http_text.h"
#include "indexer/link_discovery.h"

namespace duvra {
namespace {

constexpr std::string_view kSchemeMark = "://";

std::string_view WithoutFragment(std::string_view s) { return s.substr(0, s.find('#')); }

}  // namespace

bool IsRedirect(const FetchResult& result) {
  const int code = result.status_code;
  return !result.ok && code >= 300 && code < 400 && code != 304 && !result.location.empty();
}

std::string ResolveLocation(std::string_view base, std::string_view location) {
  base = WithoutFragment(base);
  location = WithoutFragment(http_text::Trim(location));
  const size_t scheme_end = base.find(kSchemeMark);
  if (scheme_end == std::string_view::npos) return {};
  const size_t authority_end =
      std::min(base.find_first_of("/?", scheme_end + kSchemeMark.size()), base.size());

  std::string target;
  if (!SchemeOf(location).empty()) {
    target = location;
  } else if (location.starts_with("//")) {
    target = std::string(base.substr(0, scheme_end + 1)).append(location);
  } else if (location.starts_with('/')) {
    target = std::string(base.substr(0, authority_end)).append(location);
  } else if (location.empty()) {
    target = base;
  } else {
    const std::string_view rest = base.substr(authority_end);
    const size_t query = rest.find('?');
    const std::string_view path = rest.substr(0, query);
    if (location.starts_with('?')) {
      target = std::string(base.substr(0, authority_end)).append(path).append(location);
    } else {
      // The reference replaces the last segment of the base's path.
      const size_t slash = path.rfind('/');
      target = std::string(base.substr(0, authority_end));
      target.append(slash == std::string_view::npos ? "/" : path.substr(0, slash + 1));
      target.append(location);
    }
  }
  if (!RemoveDotSegments(&target)) return {};
  return target;
}

std::string HostOf(std::string_view address) {
  const size_t scheme_end = address.find(kSchemeMark);
  if (scheme_end == std::string_view::npos) return {};
  std::string_view authority = address.substr(scheme_end + kSchemeMark.size());
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string host;
  if (authority.starts_with('[')) {
    // An IPv6 literal keeps its brackets; its colons are no port.
    const size_t close = authority.find(']');
    host = authority.substr(0, close == std::string_view::npos ? close : close + 1);
  } else {
    host = authority.substr(0, authority.find(':'));
  }
  for (char& c : host) c = AsciiLower(c);
  return host;
}

StartRead ReadStartAddress(PageFetcher& fetcher, const std::string& start) {
  StartRead read;
  read.final_address = start;
  const std::string host = HostOf(start);
  std::vector<std::string> seen{start};
  for (;;) {
    read.result = fetcher.Get(read.final_address);
    if (read.result.ok || read.result.stopped || !IsRedirect(read.result)) break;
    const std::string next = ResolveLocation(read.final_address, read.result.location);
    if (next.empty() || host.empty() || HostOf(next) != host) {
      read.lines.push_back(
          FormatMessage(kRedirectOffHost, {next.empty() ? read.result.location : next}));
      return read;
    }
    if (std::find(seen.begin(), seen.end(), next) != seen.end()) {
      read.lines.push_back(FormatMessage(kRedirectLoop, {next}));
      return read;
    }
    if (read.redirects == kMaxStartRedirects) {
      read.lines.push_back(FormatMessage(kTooManyRedirects, {std::to_string(kMaxStartRedirects)}));
      return read;
    }
    ++read.redirects;
    seen.push_back(next);
    read.final_address = next;
  }
  if (read.result.ok && read.redirects > 0) {
    read.lines.push_back(FormatMessage(kRedirectedTo, {read.final_address}));
    read.lines.push_back(std::string(kSuggestFinalAddress));
  }
  return read;
}

}  // namespace duvra
