#include "http/address.h"

#include "http/http_text.h"

namespace duvra {

ParsedAddress ParseAddress(std::string_view text) {
  Address out;
  // Addresses are bytes in a single-byte code page here, so every backslash
  // is a path separator typed the Windows way.
  std::string address(text);
  for (char& c : address) {
    if (c == '\\') c = '/';
  }

  const size_t scheme_end = address.find("://");
  if (scheme_end == std::string::npos) {
    return MakeFailure(FailureKind::kUnknownProtocol, kUnknownProtocolText);
  }
  out.scheme = address.substr(0, scheme_end);

  // The authority ends at the path, or at a query or fragment that follows
  // the host directly.
  const size_t authority_begin = scheme_end + 3;
  size_t authority_end = address.find_first_of("/?#", authority_begin);
  if (authority_end == std::string::npos) authority_end = address.size();
  std::string_view authority(address.data() + authority_begin, authority_end - authority_begin);
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);

  std::string_view port_text;
  bool has_port = false;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    const size_t host_end = close == std::string_view::npos ? authority.size() : close + 1;
    out.host = std::string(authority.substr(0, host_end));
    if (host_end < authority.size() && authority[host_end] == ':') {
      has_port = true;
      port_text = authority.substr(host_end + 1);
    }
  } else {
    const size_t colon = authority.find(':');
    out.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
      has_port = true;
      port_text = authority.substr(colon + 1);
    }
  }

  if (has_port && !port_text.empty()) {
    if (port_text.size() > 5) return MakeFailure(FailureKind::kBadAddress, kBadPortText);
    int port = 0;
    for (char c : port_text) {
      if (c < '0' || c > '9') return MakeFailure(FailureKind::kBadAddress, kBadPortText);
      port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return MakeFailure(FailureKind::kBadAddress, kBadPortText);
    out.port = port;
  } else if (const int port = DefaultPort(out.scheme); port != 0) {
    out.port = port;
  } else {
    return MakeFailure(FailureKind::kUnknownProtocol, kUnknownProtocolText);
  }

  std::string target = address.substr(authority_end);
  const size_t hash = target.find('#');
  if (hash != std::string::npos) target.resize(hash);
  if (target.empty() || target.front() != '/') target = "/" + target;
  out.target = std::move(target);
  return out;
}

int DefaultPort(std::string_view scheme) {
  if (EqualsIgnoreCase(scheme, "http")) return kDefaultHttpPort;
  if (EqualsIgnoreCase(scheme, "https")) return kDefaultHttpsPort;
  return 0;
}

bool IsHttps(const Address& address) { return EqualsIgnoreCase(address.scheme, "https"); }

std::string ResolverHost(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    return host.substr(1, host.size() - 2);
  }
  return host;
}

}  // namespace duvra
