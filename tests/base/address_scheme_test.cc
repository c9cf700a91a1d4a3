#include "base/address_scheme.h"

#include <gtest/gtest.h>

namespace duvra {
namespace {

TEST(AddressScheme, SchemeOfAndStartsWithScheme) {
  struct Case {
    const char* text;
    const char* scheme;
    bool with_slashes;
  } cases[] = {
      {"http://a/", "http", true},
      {"HTTPS://a", "HTTPS", true},
      {"svn+ssh://a", "svn+ssh", true},
      {"mailto:a@b", "mailto", false},
      {"localhost:8080/a", "localhost", false},
      {"2024:x", "2024", false},  // a scheme to the crawl, but not one that starts with a letter
      {"1a://x", "1a", false},
      {"/a:b", "", false},
      {"a b:c", "", false},
      {"http", "", false},
      {":x", "", false},
      {"", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SchemeOf(c.text), c.scheme) << c.text;
    EXPECT_EQ(StartsWithScheme(c.text), c.with_slashes) << c.text;
  }
  EXPECT_TRUE(IsWebScheme("hTtP"));
  EXPECT_TRUE(IsWebScheme("HTTPS"));
  EXPECT_FALSE(IsWebScheme("httpx"));
  EXPECT_FALSE(IsWebScheme("ftp"));
}

}  // namespace
}  // namespace duvra
