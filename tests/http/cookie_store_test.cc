#include "http/cookie_store.h"

#include <gtest/gtest.h>

namespace duvra {
namespace {

constexpr std::time_t kNow = 1700000000;  // 2023-11-14

TEST(CookieStoreTest, SendsMatchingCookiesLongestPathFirst) {
  CookieStore store;
  store.Store("root=1; Path=/", "www.example.com", kNow);
  store.Store("deep=2; path=\"/shop/cart/\"", "www.example.com", kNow);
  store.Store("shop=3; PATH=/shop/", "www.example.com", kNow);
  EXPECT_EQ(store.CookieLine("www.example.com", "/shop/cart/view.html?x=/"),
            "deep=2; shop=3; root=1");
  EXPECT_EQ(store.CookieLine("WWW.Example.COM", "/shop/index.html"), "shop=3; root=1");
  EXPECT_EQ(store.CookieLine("www.example.com", "/shopping"), "root=1");
}

TEST(CookieStoreTest, CookiesWithoutPathEmptyValueOrSecureOverPlainTcpAreNeverSent) {
  CookieStore store;
  store.Store("nopath=1", "example.com", kNow);
  store.Store("empty=; Path=/", "example.com", kNow);
  store.Store("sec=1; Path=/; Secure", "example.com", kNow);
  EXPECT_EQ(store.size(), 3u);
  EXPECT_EQ(store.CookieLine("example.com", "/"), "");
  EXPECT_EQ(store.CookieLine("example.com", "/", /*secure_channel=*/true), "sec=1");
}

TEST(CookieStoreTest, StoresOnlyDomainsThatFitTheHost) {
  CookieStore store;
  store.Store("a=1; Path=/; Domain=.example.com", "www.example.com",
              kNow);  // host less first label
  store.Store("b=1; Path=/; Domain=.example.com", "a.b.example.com", kNow);  // two labels up: no
  store.Store("c=1; Path=/; Domain=other.com", "www.example.com", kNow);
  store.Store("d=1; Path=/; Domain=www.example.com", "www.example.com", kNow);
  store.Store("e=1; Path=/; Domain=.0.0.1", "127.0.0.1", kNow);  // IP hosts need equality
  store.Store("f=1; Path=/", "127.0.0.1", kNow);
  std::vector<std::string> names;
  for (const Cookie& c : store.cookies()) names.push_back(c.name + "@" + c.domain);
  EXPECT_EQ(names,
            (std::vector<std::string>{"a@.example.com", "d@www.example.com", "f@127.0.0.1"}));
}

TEST(CookieStoreTest, DomainMatchesOnLabelBoundariesOnly) {
  EXPECT_TRUE(DomainMatchesHost(".example.com", "www.example.com"));
  EXPECT_TRUE(DomainMatchesHost(".example.com", "a.b.example.com"));
  EXPECT_TRUE(DomainMatchesHost("example.com", "EXAMPLE.com"));
  EXPECT_FALSE(DomainMatchesHost(".example.com", "www.example.com.evil.net"));
  EXPECT_FALSE(DomainMatchesHost("ample.com", "example.com"));
  EXPECT_FALSE(DomainMatchesHost("a.com", "data.com"));
}

TEST(CookieStoreTest, ReplacesAndExpires) {
  CookieStore store;
  store.Store("s=old; Path=/", "h", kNow);
  store.Store("s=new; Path=/", "h", kNow);
  store.Store("s=other-path; Path=/x/", "h", kNow);
  EXPECT_EQ(store.size(), 2u);
  EXPECT_EQ(store.CookieLine("h", "/"), "s=new");

  store.Store("t=1; Path=/; Max-Age=60", "h", kNow);
  store.Store("u=1; Path=/; Expires=Wed, 15-Nov-2023 00:00:00 GMT", "h", kNow);
  store.Store("s=gone; Path=/; Max-Age=0", "h", kNow);
  store.RemoveExpired(kNow);
  EXPECT_EQ(store.CookieLine("h", "/"), "t=1; u=1");
  store.RemoveExpired(kNow + 61);
  EXPECT_EQ(store.CookieLine("h", "/"), "u=1");
  store.RemoveExpired(kNow + 86400);
  EXPECT_EQ(store.CookieLine("h", "/x/"), "s=other-path");
}

TEST(CookieStoreTest, ReadsTheUsualDateForms) {
  std::time_t t = 0;
  for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994", "Sun, 06-Nov-1994 08:49:37 GMT"}) {
    ASSERT_TRUE(ParseCookieDate(text, &t)) << text;
    EXPECT_EQ(t, 784111777) << text;
  }
  EXPECT_FALSE(ParseCookieDate("tomorrow", &t));
}

TEST(CookieStoreTest, RefusesInjectionAndStaysBounded) {
  CookieStore store;
  store.Store("a=1\rX: y; Path=/", "h", kNow);
  store.Store(std::string("b=1\0z; Path=/", 13), "h", kNow);
  store.Store("big=" + std::string(kMaxCookieBytes, 'v') + "; Path=/", "h", kNow);
  EXPECT_EQ(store.size(), 0u);
  for (size_t i = 0; i < kMaxCookies + 10; ++i) {
    store.Store("c" + std::to_string(i) + "=1; Path=/", "h", kNow);
  }
  EXPECT_EQ(store.size(), kMaxCookies);
  EXPECT_EQ(store.cookies().front().name, "c10");
}

}  // namespace
}  // namespace duvra
