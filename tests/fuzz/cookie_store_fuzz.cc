// The cookie store fed with any "Set-Cookie" values. The first byte picks
// the request host; every following line is one header value. Properties:
// the store stays within its caps, keeps one cookie per name, domain and
// path, stores only domains that fit the host and no line breaks; the
// "Cookie" line sends exactly the cookies that fit the request, longest
// path first, secure ones only over an encrypted connection; expired
// cookies go.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "http/cookie_store.h"
#include "http/http_text.h"

namespace duvra {
namespace {

constexpr std::array<std::string_view, 5> kHosts = {"www.site.example", "site.example", "127.0.0.1",
                                                    "[::1]", "a.b.site.example"};
constexpr std::array<std::string_view, 4> kTargets = {"/", "/a/b.htm", "/a/b/?q=/c/", "/A/"};
constexpr std::time_t kNow = 1700000000;

bool HasBreak(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string_view RequestPath(std::string_view target) {
  target = target.substr(0, target.find('?'));
  return target.substr(0, target.rfind('/') + 1);
}

bool Sent(const Cookie& c, std::string_view host, std::string_view target, bool secure_channel) {
  return !c.value.empty() && (!c.secure || secure_channel) && c.has_path &&
         DomainMatchesHost(c.domain, host) && RequestPath(target).starts_with(c.path);
}

void CheckStore(const CookieStore& store, std::string_view host) {
  FUZZ_CHECK(store.size() <= kMaxCookies);
  const std::vector<Cookie>& all = store.cookies();
  for (size_t i = 0; i < all.size(); ++i) {
    const Cookie& c = all[i];
    FUZZ_CHECK(!c.name.empty() && c.name.size() + c.value.size() <= kMaxCookieBytes);
    FUZZ_CHECK(!HasBreak(c.name) && !HasBreak(c.value) && !HasBreak(c.domain) && !HasBreak(c.path));
    FUZZ_CHECK(c.name.find(';') == std::string::npos && c.value.find(';') == std::string::npos);
    FUZZ_CHECK(DomainFitsHost(c.domain, host));
    for (size_t j = i + 1; j < all.size(); ++j) {
      FUZZ_CHECK(!(all[j].name == c.name && all[j].path == c.path &&
                   all[j].has_path == c.has_path && EqualsIgnoreCase(all[j].domain, c.domain)));
    }
  }
}

// The rule read literally: every cookie that fits, in descending order of
// path text (ties in arrival order), as name=value joined by "; ".
void CheckCookieLine(const CookieStore& store, std::string_view host, std::string_view target,
                     bool secure_channel) {
  const std::string line = store.CookieLine(host, target, secure_channel);
  FUZZ_CHECK(!HasBreak(line));
  std::vector<const Cookie*> sent;
  for (const Cookie& c : store.cookies()) {
    if (Sent(c, host, target, secure_channel)) sent.push_back(&c);
  }
  std::stable_sort(sent.begin(), sent.end(),
                   [](const Cookie* a, const Cookie* b) { return a->path > b->path; });
  std::string expected;
  for (const Cookie* c : sent) {
    if (!expected.empty()) expected += "; ";
    expected += c->name + "=" + c->value;
  }
  FUZZ_CHECK(line == expected);
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const std::string_view host = kHosts[in.Byte() % kHosts.size()];
  CookieStore store;
  while (!in.empty()) {
    const std::string_view value = in.Part('\n');
    std::time_t when = 0;
    (void)ParseCookieDate(value, &when);
    store.Store(value, host, kNow);
    FUZZ_CHECK(store.size() <= kMaxCookies);
  }
  CheckStore(store, host);
  for (std::string_view target : kTargets) {
    for (std::string_view to : kHosts) {
      CheckCookieLine(store, to, target, false);
      CheckCookieLine(store, to, target, true);
    }
  }
  store.RemoveExpired(kNow);
  for (const Cookie& c : store.cookies()) FUZZ_CHECK(!c.has_expiry || c.expires > kNow);
  CheckStore(store, host);
  return 0;
}
