// Taking an absolute "http" or "https" address apart into what the request needs.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "http/fetch_failure.h"

namespace duvra {

inline constexpr int kDefaultHttpPort = 80;
inline constexpr int kDefaultHttpsPort = 443;

struct Address {
  std::string scheme;  // as written, e.g. "http"
  std::string host;    // as written; an IPv6 literal keeps its brackets
  int port = kDefaultHttpPort;
  std::string target;  // from the "/" after the authority, without fragment; at least "/"
};

// An address taken apart, or the failure (kUnknownProtocol or kBadAddress)
// that keeps it from being fetched.
class ParsedAddress {
 public:
  ParsedAddress(Address address) : value_(std::move(address)) {}
  ParsedAddress(Failure failure) : value_(std::move(failure)) {}
  bool ok() const { return std::holds_alternative<Address>(value_); }
  // Only when ok().
  const Address& address() const { return std::get<Address>(value_); }
  // Only when !ok().
  const Failure& failure() const { return std::get<Failure>(value_); }

 private:
  std::variant<Address, Failure> value_;
};

// Splits text ("scheme://[user@]host[:port][/path][?query][#fragment]").
// Every "\" becomes "/" first. User information and the fragment are dropped;
// the query is kept unchanged and nothing is percent-encoded or decoded. The
// port defaults to 80 for "http" and 443 for "https"; any other scheme must
// name one (else kUnknownProtocol). A port that is not 1-65535 gives
// kBadAddress.
ParsedAddress ParseAddress(std::string_view text);

// The port a scheme has when the address names none: 80 for "http", 443 for
// "https" (compared without regard to case), 0 for any other.
int DefaultPort(std::string_view scheme);

// Whether the address is fetched over TLS ("https", any letter case).
bool IsHttps(const Address& address);

// The host as the resolver wants it: an IPv6 literal without brackets.
std::string ResolverHost(const std::string& host);

}  // namespace duvra
