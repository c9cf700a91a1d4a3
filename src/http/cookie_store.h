// The client's cookies: accepted from "Set-Cookie" / "Set-Cookie2" headers,
// sent back in "Cookie", kept in memory for the life of the client.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace duvra {

// Caps that keep a hostile site from growing the store without limit.
inline constexpr size_t kMaxCookies = 300;
inline constexpr size_t kMaxCookieBytes = 4096;  // name + value

struct Cookie {
  std::string name;
  std::string value;
  std::string domain;  // as stored: the DOMAIN attribute or the request host
  std::string path;
  bool has_path = false;  // a cookie without a PATH attribute is never sent
  bool secure = false;
  bool has_expiry = false;
  std::time_t expires = 0;  // valid when has_expiry
};

class CookieStore {
 public:
  // Stores the cookie of one header value received from request_host. It is
  // dropped when its domain does not fit the host, when it is over
  // kMaxCookieBytes or holds CR, LF or NUL. A cookie of the same name, domain
  // and path is replaced; when the store is full the oldest cookie goes.
  void Store(std::string_view header_value, std::string_view request_host, std::time_t now);

  // Removes the cookies whose expiry is not after now.
  void RemoveExpired(std::time_t now);

  // The "Cookie" value for a request of target on host: name=value pairs
  // joined by "; ", longest-sorting path first; "" when none fits. Cookies
  // marked secure go only over an encrypted connection (secure_channel).
  std::string CookieLine(std::string_view host, std::string_view target,
                         bool secure_channel = false) const;

  size_t size() const { return cookies_.size(); }
  const std::vector<Cookie>& cookies() const { return cookies_; }
  void Clear() { cookies_.clear(); }

 private:
  // In arrival order (a replaced cookie keeps its place); at most kMaxCookies.
  std::vector<Cookie> cookies_;
};

// Whether a stored domain fits the host a cookie came from: equal to the host
// when the host is an IP address or the domain has no leading "."; else equal
// to the host from its first "." on.
bool DomainFitsHost(std::string_view domain, std::string_view host);

// Whether a cookie of that domain goes to host: the host is the domain (a
// leading "." aside) or lies below it on a label boundary.
bool DomainMatchesHost(std::string_view domain, std::string_view host);

// Reads a cookie date (RFC 1123, RFC 850, asctime and the "DD-Mon-YYYY" form).
bool ParseCookieDate(std::string_view text, std::time_t* out);

}  // namespace duvra
