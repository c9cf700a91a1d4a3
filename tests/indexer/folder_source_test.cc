// The folder source on a real folder: how addresses map to files, and
// that nothing outside the folder is ever read, whatever the address
// spells or the links in the folder point to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "indexer/folder_source.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;

bool NoFolders(const std::string&) { return false; }

TEST(FolderMapTest, AddressesMapAsAStaticServerMapsThem) {
  const std::string root = "http://Site.example:8080/docs";
  auto map = [&](const std::string& address, bool plain) {
    return MapFolderAddress(address, root, plain, NoFolders).candidates;
  };
  // A folder's index pages; the root itself with or without its "/".
  EXPECT_EQ(map("http://site.example:8080/docs/", false), (Strings{"index.html", "index.htm"}));
  EXPECT_EQ(map("HTTP://SITE.example:8080/docs/a/b/", false),
            (Strings{"a/b/index.html", "a/b/index.htm"}));
  EXPECT_EQ(map("http://site.example:8080/docs", true), (Strings{"index.html"}));
  // Query and fragment are not part of the file; escapes are decoded and
  // empty or "." segments dropped.
  EXPECT_EQ(map("http://site.example:8080/docs//a/./my%20page.html?x=1#top", false),
            (Strings{"a/my page.html"}));
  // Plain addresses: the file, the file + ".html", the folder's index.html.
  EXPECT_EQ(map("http://site.example:8080/docs/blog/post", true),
            (Strings{"blog/post", "blog/post.html", "blog/post/index.html"}));

  // Outside the root: another host or port, a path that only begins like
  // the root, a ".." however it is spelled, a NUL.
  for (const char* address :
       {"http://other.example:8080/docs/a.html", "http://site.example/docs/a.html",
        "https://site.example:8080/docs/a.html", "http://site.example:8080/docs-old/a.html",
        "http://site.example:8080/a.html", "http://site.example:8080/docs/../a.html",
        "http://site.example:8080/docs/%2e%2E/a.html", "http://site.example:8080/docs/a%2f..%2f..",
        "http://site.example:8080/docs/a%00.html", "not an address"}) {
    EXPECT_EQ(MapFolderAddress(address, root, true, NoFolders).kind, FolderTarget::kOutside)
        << address;
  }

  // A folder named without its "/" is redirected to it, query kept.
  const FolderTarget t = MapFolderAddress("http://site.example:8080/docs/sub?q=1#f", root, false,
                                          [](const std::string& rel) { return rel == "sub"; });
  EXPECT_EQ(t.kind, FolderTarget::kAddSlash);
  EXPECT_EQ(t.redirect, "http://site.example:8080/docs/sub/?q=1");
}

TEST(FolderMapTest, NoAddressMapsAboveTheRoot) {
  // Random paths of hostile segments: every candidate stays below the
  // folder (no ".." segment, not absolute), or the address is refused.
  const Strings pieces = {"a",   "..",     ".", "",    "%2e%2e", "%2E.",      ".%2e",      "%2f",
                          "%00", "b.html", "%", "%zz", "~",      "index.htm", "%252e%252e"};
  std::mt19937 rng(7);
  for (int round = 0; round < 5000; ++round) {
    std::string address = "http://h/root";
    const size_t n = rng() % 6;
    for (size_t i = 0; i < n; ++i) address += "/" + pieces[rng() % pieces.size()];
    if (rng() % 2) address += "/";
    const FolderTarget t = MapFolderAddress(address, "http://h/root", rng() % 2, NoFolders);
    for (const std::string& c : t.candidates) {
      EXPECT_FALSE(c.empty() || c.front() == '/') << address;
      for (const auto& part : std::filesystem::path(c)) EXPECT_NE(part, "..") << address;
      EXPECT_EQ(c.find('\0'), std::string::npos);
    }
  }
}

class FolderSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(site + "/sub");
    testing::WriteFile(site + "/index.html", "<title>Home</title>");
    testing::WriteFile(site + "/sub/index.htm", "<title>Sub</title>");
    testing::WriteFile(site + "/page.XHTML", "<title>X</title>");
    testing::WriteFile(site + "/notes", "plain words");
    testing::WriteFile(site + "/script.php", "<?php echo 1; ?>");
    testing::WriteFile(dir.File("secret.html"), "<title>Secret</title>");
    std::filesystem::create_symlink("../secret.html", site + "/leak.html");
    std::filesystem::create_symlink(dir.path(), site + "/up");
    std::filesystem::create_symlink("sub/index.htm", site + "/alias.html");
    mkfifo((site + "/pipe.html").c_str(), 0600);
    ASSERT_TRUE(source.Open(site, "http://h", false).ok());
  }

  testing::TempDir dir;
  std::string site = dir.File("site");
  FolderSource source;
};

TEST_F(FolderSourceTest, ReadsFilesWithTheTypeTheirNameGives) {
  FetchResult r = source.Get("http://h/");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.body, "<title>Home</title>");
  EXPECT_EQ(r.content_type, "text/html");
  r = source.Get("http://h/sub/");
  EXPECT_EQ(r.body, "<title>Sub</title>");  // index.htm when there is no index.html
  EXPECT_EQ(source.Get("http://h/page.XHTML").content_type, "application/xhtml+xml");
  EXPECT_EQ(source.Get("http://h/notes").content_type, "");  // its content decides
  EXPECT_EQ(source.Get("http://h/script.php").content_type, "application/octet-stream");
  // A link that stays inside the folder is followed.
  EXPECT_EQ(source.Get("http://h/alias.html").body, "<title>Sub</title>");

  // A folder without its "/" answers as a server does; a missing file is
  // a 404 and so is what is not a regular file (a FIFO would block).
  r = source.Get("http://h/sub");
  EXPECT_EQ(r.status_code, 301);
  EXPECT_EQ(r.location, "http://h/sub/");
  EXPECT_EQ(source.Get("http://h/missing.html").status_code, 404);
  EXPECT_EQ(source.Get("http://h/pipe.html").status_code, 404);
  EXPECT_EQ(source.Get("http://other/index.html").status_code, 403);

  // The bound of one read.
  r = source.GetAtMost("http://h/index.html", 5);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.too_large);
}

TEST_F(FolderSourceTest, NothingOutsideTheFolderIsRead) {
  for (const char* address :
       {"http://h/leak.html", "http://h/up/secret.html", "http://h/up/site/../secret.html",
        "http://h/%2e%2e/secret.html", "http://h/sub/%2E%2E/%2E%2E/secret.html"}) {
    const FetchResult r = source.Get(address);
    EXPECT_FALSE(r.ok) << address;
    EXPECT_EQ(r.body.find("Secret"), std::string::npos) << address;
  }
  EXPECT_EQ(source.Get("http://h/leak.html").status_code, 403);
  // What counts is where the file really is: the folder's own page
  // reached through a link that goes above it is still the folder's.
  EXPECT_EQ(source.Get("http://h/up/site/index.html").body, "<title>Home</title>");

  // With plain addresses, the fallbacks may not reach out either.
  ASSERT_TRUE(source.Open(site, "http://h", true).ok());
  EXPECT_FALSE(source.Get("http://h/leak").ok);
  EXPECT_EQ(source.Get("http://h/notes").body, "plain words");
  EXPECT_EQ(source.Get("http://h/index").body, "<title>Home</title>");
  // The fallbacks end at index.html, as a server's do.
  EXPECT_EQ(source.Get("http://h/sub").status_code, 404);
}

TEST_F(FolderSourceTest, AStopEndsEveryRead) {
  source.RequestStop();
  EXPECT_TRUE(source.Get("http://h/").stopped);
  EXPECT_FALSE(source.SleepUnlessStopped(10));
  source.ClearStop();
  EXPECT_TRUE(source.Get("http://h/").ok);
  EXPECT_FALSE(source.Open(dir.File("nothing"), "http://h", false).ok());
  EXPECT_FALSE(source.Open(site + "/index.html", "http://h", false).ok());
}

}  // namespace
}  // namespace duvra
