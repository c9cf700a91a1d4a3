// The scheme at the start of an address or link ("https" of
// "https://host/", "mailto" of "mailto:a@b"): the one rule the site
// address, the address conversion, link discovery and redirects share.
#pragma once

#include <string_view>

#include "base/ascii.h"

namespace duvra {

constexpr bool IsSchemeChar(char c) { return IsAsciiAlnum(c) || c == '+' || c == '-' || c == '.'; }

// The run of scheme characters (letters, digits, "+", "-", ".") before the
// reference's first ":", or empty when it does not begin with one. A link
// "2024:x" counts as naming a scheme, as the crawl has always read it.
constexpr std::string_view SchemeOf(std::string_view reference) {
  size_t i = 0;
  while (i < reference.size() && IsSchemeChar(reference[i])) ++i;
  if (i == 0 || i == reference.size() || reference[i] != ':') return {};
  return reference.substr(0, i);
}

// Whether the address begins with a scheme that starts with a letter,
// followed by "://" ("http://", "HTTPS://", "ftp://"). "localhost:8080/a"
// has none.
constexpr bool StartsWithScheme(std::string_view address) {
  const std::string_view scheme = SchemeOf(address);
  return !scheme.empty() && IsAsciiLetter(scheme[0]) && address.substr(scheme.size(), 3) == "://";
}

// "http" or "https", in any letter case: the schemes the crawl reads.
constexpr bool IsWebScheme(std::string_view scheme) {
  return EqualsIgnoreCase(scheme, "http") || EqualsIgnoreCase(scheme, "https");
}

}  // namespace duvra
