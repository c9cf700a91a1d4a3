#include "indexer/redirects.h"

#include <gtest/gtest.h>

namespace duvra {
namespace {

TEST(ResolveLocation, ResolvesEveryKindOfReference) {
  const std::string base = "http://site:8080/docs/a/page.htm?x=1#top";
  struct Case {
    const char* location;
    const char* expected;
  } cases[] = {
      {"https://site/new/", "https://site/new/"},
      {"HTTPS://Site/new", "HTTPS://Site/new"},
      {"//cdn.site/x.htm", "http://cdn.site/x.htm"},
      {"/root.htm", "http://site:8080/root.htm"},
      {"other.htm", "http://site:8080/docs/a/other.htm"},
      {"./sub/", "http://site:8080/docs/a/sub/"},
      {"../up.htm#frag", "http://site:8080/docs/up.htm"},
      {"?y=2", "http://site:8080/docs/a/page.htm?y=2"},
      {"", "http://site:8080/docs/a/page.htm?x=1"},
      {"  spaced.htm ", "http://site:8080/docs/a/spaced.htm"},
      {"../../../../above.htm", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveLocation(base, c.location), c.expected) << c.location;
  }
  EXPECT_EQ(ResolveLocation("http://site", "docs/"), "http://site/docs/");
  EXPECT_EQ(ResolveLocation("http://site?q", "a.htm"), "http://site/a.htm");
  EXPECT_EQ(ResolveLocation("no scheme", "/a"), "");
}

TEST(HostOf, IgnoresSchemeUserPortAndCase) {
  EXPECT_EQ(HostOf("http://Site.EXAMPLE/a"), "site.example");
  EXPECT_EQ(HostOf("https://user:pw@site.example:8443?q"), "site.example");
  EXPECT_EQ(HostOf("http://[::1]:8080/"), "[::1]");
  EXPECT_EQ(HostOf("site/a"), "");
}

TEST(IsRedirect, ThreeHundredsWithALocationOnly) {
  FetchResult r;
  r.status_code = 302;
  r.location = "/x";
  EXPECT_TRUE(IsRedirect(r));
  r.status_code = 304;
  EXPECT_FALSE(IsRedirect(r));
  r.status_code = 200;  // a 200 with a Location fails as before
  EXPECT_FALSE(IsRedirect(r));
  r.status_code = 301;
  r.location.clear();
  EXPECT_FALSE(IsRedirect(r));
}

}  // namespace
}  // namespace duvra
