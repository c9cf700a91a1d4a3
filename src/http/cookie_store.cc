#include "http/cookie_store.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <algorithm>
#include <cstdio>

#include "base/ascii.h"
#include "http/http_text.h"

namespace duvra {
namespace {

using http_text::Trim;

bool IsIpAddress(std::string_view host) {
  std::string h(host);
  if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  in_addr v4;
  in6_addr v6;
  return inet_pton(AF_INET, h.c_str(), &v4) == 1 || inet_pton(AF_INET6, h.c_str(), &v6) == 1;
}

std::string_view Unquote(std::string_view s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

bool HasControlBreak(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The directory part of a target's path, up to and including its last "/".
std::string_view RequestPath(std::string_view target) {
  target = target.substr(0, target.find('?'));
  const size_t slash = target.rfind('/');
  return slash == std::string_view::npos ? std::string_view("/") : target.substr(0, slash + 1);
}

bool ParseInteger(std::string_view s, long long* out) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 12) return false;
  long long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *out = negative ? -n : n;
  return true;
}

}  // namespace

bool DomainFitsHost(std::string_view domain, std::string_view host) {
  if (IsIpAddress(host) || domain.empty() || domain.front() != '.') {
    return EqualsIgnoreCase(domain, host);
  }
  const size_t dot = host.find('.');
  return dot != std::string_view::npos && EqualsIgnoreCase(domain, host.substr(dot));
}

bool DomainMatchesHost(std::string_view domain, std::string_view host) {
  if (!domain.empty() && domain.front() == '.') domain.remove_prefix(1);
  if (domain.empty()) return false;
  if (EqualsIgnoreCase(domain, host)) return true;
  return host.size() > domain.size() && EndsWithIgnoreCase(host, domain) &&
         host[host.size() - domain.size() - 1] == '.';
}

bool ParseCookieDate(std::string_view text, std::time_t* out) {
  static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
  int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0;
  size_t i = 0;
  while (i < text.size()) {
    // Tokens are runs of letters, digits and ":"; everything else separates.
    while (i < text.size() && !IsAsciiAlnum(text[i]) && text[i] != ':') {
      ++i;
    }
    size_t end = i;
    while (end < text.size() && (IsAsciiAlnum(text[end]) || text[end] == ':')) {
      ++end;
    }
    const std::string_view token = text.substr(i, end - i);
    i = end;
    if (token.empty()) continue;
    if (token.find(':') != std::string_view::npos) {
      int h = 0, m = 0, sec = 0;
      if (hour < 0 && std::sscanf(std::string(token).c_str(), "%d:%d:%d", &h, &m, &sec) >= 2) {
        hour = h;
        minute = m;
        second = sec;
      }
      continue;
    }
    if (IsAsciiDigit(token[0])) {
      long long n = 0;
      if (!ParseInteger(token, &n)) continue;
      if (token.size() <= 2 && day < 0) {
        day = static_cast<int>(n);
      } else if (year < 0) {
        year = static_cast<int>(n);
      }
      continue;
    }
    if (month < 0 && token.size() >= 3) {
      const std::string lower = LowerAscii(token.substr(0, 3));
      for (int m = 0; m < 12; ++m) {
        if (lower == kMonths[m]) month = m;
      }
    }
  }
  if (year >= 0 && year < 70)
    year += 2000;
  else if (year >= 70 && year < 100)
    year += 1900;
  if (day < 1 || day > 31 || month < 0 || year < 1601 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 60) {
    return false;
  }
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  *out = timegm(&tm);
  return true;
}

void CookieStore::Store(std::string_view header_value, std::string_view request_host,
                        std::time_t now) {
  const std::vector<std::string_view> parts = http_text::SplitTrimmed(header_value, ';');
  const std::string_view pair = parts.front();
  const size_t eq = pair.find('=');
  Cookie c;
  c.name = std::string(Trim(pair.substr(0, eq)));
  c.value = eq == std::string_view::npos ? "" : std::string(Trim(pair.substr(eq + 1)));
  if (c.name.empty() || c.name.size() + c.value.size() > kMaxCookieBytes) return;
  if (HasControlBreak(c.name) || HasControlBreak(c.value)) return;

  bool has_max_age = false;
  for (size_t i = 1; i < parts.size(); ++i) {
    const size_t aeq = parts[i].find('=');
    const std::string name = UpperAscii(Trim(parts[i].substr(0, aeq)));
    const std::string_view value =
        aeq == std::string_view::npos ? std::string_view() : Trim(parts[i].substr(aeq + 1));
    if (name == "PATH") {
      c.path = std::string(Unquote(value));
      c.has_path = true;
    } else if (name == "DOMAIN") {
      c.domain = std::string(Unquote(value));
    } else if (name == "EXPIRES") {
      std::time_t t;
      if (!has_max_age && ParseCookieDate(Unquote(value), &t)) {
        c.has_expiry = true;
        c.expires = t;
      }
    } else if (name == "MAX-AGE") {
      long long seconds = 0;
      if (ParseInteger(Unquote(value), &seconds)) {
        has_max_age = true;
        c.has_expiry = true;
        c.expires = seconds <= 0 ? now - 1 : now + static_cast<std::time_t>(seconds);
      }
    } else if (name == "SECURE") {
      c.secure = true;
    }
    // VERSION and COMMENT are read and not used.
  }
  if (c.domain.empty()) c.domain = std::string(request_host);
  if (!DomainFitsHost(c.domain, request_host)) return;
  if (HasControlBreak(c.domain) || HasControlBreak(c.path)) return;

  for (Cookie& old : cookies_) {
    if (old.name == c.name && old.path == c.path && old.has_path == c.has_path &&
        EqualsIgnoreCase(old.domain, c.domain)) {
      old = std::move(c);
      return;
    }
  }
  if (cookies_.size() >= kMaxCookies) cookies_.erase(cookies_.begin());
  cookies_.push_back(std::move(c));
}

void CookieStore::RemoveExpired(std::time_t now) {
  std::erase_if(cookies_, [now](const Cookie& c) { return c.has_expiry && c.expires <= now; });
}

std::string CookieStore::CookieLine(std::string_view host, std::string_view target,
                                    bool secure_channel) const {
  const std::string_view path = RequestPath(target);
  std::vector<const Cookie*> chosen;
  for (const Cookie& c : cookies_) {
    if (c.value.empty() || (c.secure && !secure_channel) || !c.has_path) continue;
    if (!DomainMatchesHost(c.domain, host)) continue;
    if (path.substr(0, c.path.size()) != c.path) continue;
    chosen.push_back(&c);
  }
  std::stable_sort(chosen.begin(), chosen.end(),
                   [](const Cookie* a, const Cookie* b) { return a->path > b->path; });
  std::string line;
  for (const Cookie* c : chosen) {
    if (!line.empty()) line.append("; ");
    line.append(c->name).append("=").append(c->value);
  }
  return line;
}

}  // namespace duvra
