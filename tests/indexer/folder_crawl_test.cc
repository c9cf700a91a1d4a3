// The folder source against a web server: one folder served by nginx on
// loopback (with the fallbacks a static server uses) and read straight
// from disk must give the same log lines and the same page records, byte
// for byte and in the same order: the sample site, Debian's PostgreSQL
// documentation and a generated site with extensionless addresses and
// sitemaps. Then duvra-cli's --folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "database/db_files.h"
#include "http/http_client.h"
#include "http/nginx_server.h"
#include "indexer/crawl_driver.h"
#include "indexer/folder_source.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;
using testing::NginxServer;

constexpr const char* kPostgresDocs = "/usr/share/doc/postgresql-doc-15/html";
const std::string kSampleSite = std::string(DUVRA_SOURCE_DIR) + "/examples/sample-site";

struct LineLog : CrawlObserver {
  Strings lines;
  void Line(const std::string& t) override { lines.push_back(t); }
};

struct Crawled {
  CrawlOutcome outcome = CrawlOutcome::kFailedStart;
  Strings lines;
  std::vector<PageRecord> pages;
};

Crawled Crawl(PageFetcher& fetcher, const CrawlSettings& settings) {
  Crawler crawler(fetcher);
  LineLog log;
  Crawled c;
  c.outcome = crawler.Execute(settings, log);
  c.lines = std::move(log.lines);
  c.pages = crawler.pages();
  return c;
}

// nginx serving `folder` as a static server is usually set up: index.html
// then index.htm for a folder, types by extension, no type for a name
// without one (so its content decides), and with plain addresses the
// fallbacks of the file + ".html" and the folder's index.html. Symbolic
// links are not followed, as the folder source follows none that leave
// the folder.
std::string StaticSiteConfig(const std::string& folder, bool plain_addresses) {
  const std::string fallbacks =
      plain_addresses ? "    try_files $uri $uri.html $uri/index.html =404;\n" : "";
  return "types { text/html html htm; application/xhtml+xml xhtml; }\n"
         "default_type \"\";\n"
         "disable_symlinks on;\n"
         "location / {\n    root " +
         folder + ";\n    index index.html index.htm;\n" + fallbacks +
         "}\n"
         "location ~ \"\\.[^/]*$\" {\n    root " +
         folder + ";\n    default_type application/octet-stream;\n" + fallbacks + "}\n";
}

CrawlSettings Settings(const std::string& start, bool plain_addresses) {
  CrawlSettings s;
  s.start_address = start;
  s.user_agent = "FolderTest/1";
  s.excluded_words = {"the", "and", "of"};
  s.plain_links = plain_addresses;
  s.sitemap = true;
  // Every other setting of a new database, so that the charset, robots,
  // visible-text, opening-text and one-page rules see both sources too.
  s.robots = true;
  s.visible_text = true;
  s.opening_text = true;
  s.max_words = 1000;
  s.one_page = true;
  return s;
}

// Crawls `folder` through nginx (serving `served` at its root, the folder
// itself or a folder above it) and from disk with the same settings, and
// expects the same lines and records; returns the folder's crawl.
Crawled ExpectSameCrawls(const std::string& folder, bool plain_addresses,
                         const std::string& start_path = "/", std::string served = "") {
  NginxServer server(StaticSiteConfig(served.empty() ? folder : served, plain_addresses));
  EXPECT_TRUE(server.ok()) << server.error();
  if (!server.ok()) return {};
  CrawlSettings s = Settings(server.Url(start_path), plain_addresses);

  FolderSource unused_fetcher;  // the folder crawl must not need the fetcher
  s.folder = folder;
  const Crawled from_folder = Crawl(unused_fetcher, s);
  // Not one request reached the server.
  EXPECT_TRUE(server.AccessLog().empty());

  s.folder.clear();
  HttpClient client;
  const Crawled over_http = Crawl(client, s);

  EXPECT_EQ(from_folder.outcome, CrawlOutcome::kComplete);
  EXPECT_EQ(over_http.outcome, CrawlOutcome::kComplete);
  EXPECT_EQ(from_folder.lines, over_http.lines);
  EXPECT_EQ(from_folder.pages.size(), over_http.pages.size());
  for (size_t i = 0; i < std::min(from_folder.pages.size(), over_http.pages.size()); ++i) {
    EXPECT_EQ(PageRecordLine(from_folder.pages[i]), PageRecordLine(over_http.pages[i]))
        << "record " << i;
  }
  return from_folder;
}

TEST(FolderCrawlTest, TheSampleSiteFromItsFolderIsTheSampleSiteOverHttp) {
  const Crawled c = ExpectSameCrawls(kSampleSite, false);
  EXPECT_GE(c.pages.size(), 20u);
  // The crawl went where only links lead, through every folder.
  auto has = [&](const std::string& tail) {
    return std::any_of(c.pages.begin(), c.pages.end(),
                       [&](const PageRecord& p) { return p.address.ends_with(tail); });
  };
  EXPECT_TRUE(has("/growing/Raised-Beds.html"));
  EXPECT_TRUE(has("/news/2026-spring.html"));
}

TEST(FolderCrawlTest, TheSampleSiteWithPlainAddressesOnIsTheSame) {
  ExpectSameCrawls(kSampleSite, true);
}

TEST(FolderCrawlTest, ASiteRootBelowTheHostReadsTheSubfolderAlike) {
  // The server serves the sample site at /garden/; the folder holds that
  // site root. The site address names it without the "/", which the server
  // and the folder both answer with the address with it.
  testing::TempDir dir;
  const std::string www = dir.File("www");
  std::filesystem::create_directories(www);
  std::filesystem::copy(kSampleSite, www + "/garden", std::filesystem::copy_options::recursive);
  testing::WriteFile(www + "/outside.html", "<title>Above the root</title>");
  const Crawled c = ExpectSameCrawls(www + "/garden", false, "/garden", www);
  ASSERT_GE(c.pages.size(), 20u);
  for (const PageRecord& p : c.pages) EXPECT_NE(p.address.find("/garden/"), std::string::npos);
  ASSERT_GE(c.lines.size(), 2u);
  EXPECT_TRUE(c.lines[1].starts_with("Redirected to http://127.0.0.1:")) << c.lines[1];
}

TEST(FolderCrawlTest, ThePostgresqlDocumentationFromItsFolderIsTheSameAsOverHttp) {
  if (!std::filesystem::exists(std::string(kPostgresDocs) + "/index.html")) {
    GTEST_SKIP() << kPostgresDocs << " missing (scripts/setup.sh installs postgresql-doc-15)";
  }
  const Crawled c = ExpectSameCrawls(kPostgresDocs, false);
  EXPECT_GT(c.pages.size(), 1000u);
}

// A site as a site generator writes it: every page a folder's index.html
// or a name + ".html" addressed without extension, links in every form,
// pages found only through the sitemap, a sitemap index, a <loc> on
// another host, a file without extension that is not HTML, and a
// symbolic link that leads out of the folder.
class GeneratedSite {
 public:
  static constexpr size_t kPosts = 40;

  explicit GeneratedSite(const std::string& root) : root_(root) {
    Write("index.html", Page("Home",
                             "<a href=\"/blog/\">Blog</a> <a href=\"about/\">About</a>"
                             " <a href=\"/blog/post-0\">First</a> <a href=\"/data/blob\">x</a>"
                             " <a href=\"/outside.html\">out</a>"));
    Write("about/index.html", Page("About", "<a href=\"../blog/post-1\">a post</a>"));
    std::string list;
    for (size_t i = 0; i < kPosts; ++i) {
      list += "<a href=\"post-" + std::to_string(i) + "\">Post " + std::to_string(i) + "</a>\n";
    }
    Write("blog/index.html", Page("Blog", list));
    for (size_t i = 0; i < kPosts; ++i) {
      const std::string next = "post-" + std::to_string((i * 7 + 3) % kPosts);
      Write("blog/post-" + std::to_string(i) + ".html",
            Page("Post " + std::to_string(i) + " caf\xC3\xA9",
                 "<a href=\"" + next +
                     "\">next</a> <a href=\"../about\">about</a>"
                     " <a href=\"/blog/" +
                     next + "#top\">again</a>"));
    }
    // Linked from nowhere: only the sitemap names them.
    Write("landing/spring-offer.html", Page("Spring offer", "Seeds half price."));
    Write("old/2019/harvest.html", Page("Harvest 2019", "An old post."));
    Write("data/blob", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    Write("sitemap.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
          "  <sitemap><loc>" +
              base_placeholder +
              "/sitemap-pages.xml</loc></sitemap>\n"
              "  <sitemap><loc>http://elsewhere.invalid/sitemap.xml</loc></sitemap>\n"
              "</sitemapindex>\n");
    Write("sitemap-pages.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
          "  <url><loc>" +
              base_placeholder +
              "/landing/spring-offer</loc></url>\n"
              "  <url><loc> " +
              base_placeholder +
              "/old/2019/harvest.html?from=map&amp;x=1 </loc></url>\n"
              "  <url><loc>http://elsewhere.invalid/landing/other.html</loc></url>\n"
              "  <url><loc>" +
              base_placeholder +
              "/blog/post-5</loc></url>\n"
              "</urlset>\n");
    // Sitemaps named here are read besides /sitemap.xml; /drafts/ is closed.
    Write("robots.txt", "User-agent: *\nDisallow: /drafts/\n\nSitemap: " + base_placeholder +
                            "/more/sitemap-extra.xml\nSitemap: http://elsewhere.invalid/x.xml\n");
    Write("more/sitemap-extra.xml", "<urlset><url><loc>" + base_placeholder +
                                        "/drafts/next-year.html</loc></url>"
                                        "<url><loc>" +
                                        base_placeholder +
                                        "/landing/autumn.html</loc></url></urlset>");
    Write("drafts/next-year.html", Page("Next year", "Not yet."));
    Write("landing/autumn.html", Page("Autumn", "Bulbs."));
    std::filesystem::create_directories(root_ + "/../secret");
    Write("../secret/outside.html", Page("Secret", "Never indexed."));
    std::filesystem::create_symlink("../secret/outside.html", root_ + "/outside.html");
  }

  // The sitemaps name the site by its address, known once it is served.
  void SetBase(const std::string& base) {
    for (const char* name :
         {"sitemap.xml", "sitemap-pages.xml", "robots.txt", "more/sitemap-extra.xml"}) {
      std::string text = testing::ReadFile(root_ + "/" + name);
      for (size_t at; (at = text.find(base_placeholder)) != std::string::npos;) {
        text.replace(at, base_placeholder.size(), base);
      }
      testing::WriteFile(root_ + "/" + name, text);
    }
  }

 private:
  static std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title><meta name=\"description\" content=\"" + title + " page\"></head>\n<body>" +
           body + "</body></html>\n";
  }
  void Write(const std::string& path, const std::string& content) const {
    const std::filesystem::path file = root_ + "/" + path;
    std::filesystem::create_directories(file.parent_path());
    testing::WriteFile(file.string(), content);
  }

  const std::string base_placeholder = "@BASE@";
  std::string root_;
};

class GeneratedSiteTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string folder = dir.File("site");
  GeneratedSite site{folder};
};

TEST_F(GeneratedSiteTest, ExtensionlessAddressesAndSitemapsGiveTheSameRecordsAsTheServer) {
  NginxServer server(StaticSiteConfig(folder, true));
  ASSERT_TRUE(server.ok()) << server.error();
  site.SetBase(server.Url(""));
  CrawlSettings s = Settings(server.Url("/"), true);

  s.folder = folder;
  FolderSource unused;
  const Crawled from_folder = Crawl(unused, s);
  EXPECT_TRUE(server.AccessLog().empty());
  s.folder.clear();
  HttpClient client;
  const Crawled over_http = Crawl(client, s);

  ASSERT_EQ(from_folder.outcome, CrawlOutcome::kComplete);
  EXPECT_EQ(from_folder.lines, over_http.lines);
  ASSERT_EQ(from_folder.pages.size(), over_http.pages.size());
  for (size_t i = 0; i < from_folder.pages.size(); ++i) {
    EXPECT_EQ(PageRecordLine(from_folder.pages[i]), PageRecordLine(over_http.pages[i]));
  }

  // The sitemap's pages follow the start page, in document order; the
  // <loc> on another host and the sitemap there are left alone.
  const std::string base = server.Url("");
  ASSERT_GE(from_folder.pages.size(), 3u);
  EXPECT_EQ(from_folder.pages[0].address, base + "/");
  EXPECT_EQ(from_folder.pages[1].address, base + "/landing/spring-offer");
  EXPECT_EQ(from_folder.pages[1].title, "Spring offer");
  EXPECT_EQ(from_folder.pages[2].address, base + "/old/2019/harvest.html?from=map&x=1");
  for (const PageRecord& p : from_folder.pages) {
    EXPECT_EQ(p.address.find("elsewhere"), std::string::npos);
    EXPECT_NE(p.title, "Secret");     // the link out of the folder is refused
    EXPECT_NE(p.title, "Next year");  // listed in a sitemap, closed by robots.txt
  }
  // The sitemap robots.txt names is read after /sitemap.xml.
  EXPECT_TRUE(std::any_of(from_folder.pages.begin(), from_folder.pages.end(),
                          [](const PageRecord& p) { return p.title == "Autumn"; }));
  // Extensionless addresses were followed: every post is a record, once.
  EXPECT_EQ(std::count_if(from_folder.pages.begin(), from_folder.pages.end(),
                          [](const PageRecord& p) { return p.title.starts_with("Post "); }),
            static_cast<long>(GeneratedSite::kPosts));
  const Strings sitemap_lines = {"Sitemap index " + base + "/sitemap.xml names 2 sitemaps.",
                                 "Sitemap " + base + "/sitemap-pages.xml lists 4 addresses."};
  EXPECT_TRUE(std::search(from_folder.lines.begin(), from_folder.lines.end(), sitemap_lines.begin(),
                          sitemap_lines.end()) != from_folder.lines.end());
}

TEST_F(GeneratedSiteTest, AFolderCrawlNeedsNoServerAtAll) {
  // The host does not exist; the folder alone is read.
  CrawlSettings s = Settings("http://garden.invalid/", true);
  s.folder = folder;
  site.SetBase("http://garden.invalid");
  HttpClient never_used;
  const Crawled c = Crawl(never_used, s);
  ASSERT_EQ(c.outcome, CrawlOutcome::kComplete);
  ASSERT_GE(c.pages.size(), 2u);
  EXPECT_EQ(c.pages[1].address, "http://garden.invalid/landing/spring-offer");
  EXPECT_FALSE(never_used.connected());

  // A folder that is not there stops the crawl at its start, and says why.
  s.folder = dir.File("no-such-folder");
  const Crawled none = Crawl(never_used, s);
  EXPECT_EQ(none.outcome, CrawlOutcome::kFailedStart);
  EXPECT_EQ(none.lines,
            (Strings{"Connecting ...", "The site folder \"" + s.folder + "\" is not a folder.",
                     "Invalid address or site unavailable.", "", "Index stopped."}));
}

// The <pre> block of the help topic that follows `after`, unescaped, as lines.
Strings HelpBlock(const std::string& topic, const std::string& after) {
  const size_t at = topic.find(after);
  const size_t start = topic.find("<pre>", at) + 5;
  std::string text = topic.substr(start, topic.find("</pre>", start) - start);
  for (const auto& [entity, c] :
       {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    for (size_t i; (i = text.find(entity)) != std::string::npos;) text.replace(i, entity.size(), c);
  }
  Strings lines;
  size_t from = 0;
  for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
    lines.push_back(text.substr(from, nl - from));
  }
  lines.push_back(text.substr(from));
  return lines;
}

TEST(FolderHelpTest, TheHelpsWorkedExampleIsWhatTheCrawlDoes) {
  const std::string topic =
      testing::ReadFile(std::string(DUVRA_SOURCE_DIR) + "/data/help/folder.html");
  testing::TempDir dir;
  const std::string public_dir = dir.File("public");
  auto write = [&](const std::string& path, const std::string& content) {
    std::filesystem::create_directories(
        std::filesystem::path(public_dir + "/" + path).parent_path());
    testing::WriteFile(public_dir + "/" + path, content);
  };
  auto page = [](const std::string& title, const std::string& links) {
    return "<html><head><title>" + title + "</title></head><body>" + links + "</body></html>";
  };
  write("index.html", page("Home", "<a href=\"/about/\">About</a> <a href=\"/blog\">Blog</a>"));
  write("about/index.html", page("About", "<a href=\"/\">Home</a>"));
  write("blog/index.html", page("Blog", "<a href=\"/blog/spring-fair\">Spring fair</a>"));
  write("blog/spring-fair.html", page("Spring fair", "<a href=\"/blog\">Blog</a>"));
  write("landing/seed-swap.html", page("Seed swap", ""));
  std::string sitemap;
  for (const std::string& line : HelpBlock(topic, "but the sitemap lists it"))
    sitemap += line + "\n";
  write("sitemap.xml", sitemap);

  // A new database with the example's two settings.
  Database db;
  db.settings.site_address = "www.millbrook-garden.example/";
  db.extra = ExtraSettings::Fresh();
  ASSERT_TRUE(db.extra.Set("folder", public_dir));
  CrawlSettings s;
  ASSERT_TRUE(MakeCrawlSettings(db, &s).ok());
  HttpClient unused;
  const Crawled c = Crawl(unused, s);
  Strings expected = HelpBlock(topic, "The log shows");
  expected.push_back("");  // the log's last line is empty
  EXPECT_EQ(c.lines, expected);
}

// duvra-cli as a child process; returns its exit status, *output gets
// stdout and stderr together.
int RunCli(const Strings& args, std::string* output) {
  testing::TempDir out_dir;
  const std::string out_file = out_dir.File("out");
  const pid_t pid = fork();
  if (pid == 0) {
    FILE* f = freopen(out_file.c_str(), "w", stdout);
    if (f == nullptr) _exit(126);
    dup2(fileno(stdout), 2);
    std::vector<char*> argv = {const_cast<char*>(DUVRA_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(DUVRA_CLI_PATH, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  *output = testing::ReadFile(out_file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FolderCliTest, IndexWithFolderReadsTheFolderForOneRunAndStoresNothingOfIt) {
  testing::TempDir dir;
  const std::string db_path = dir.File("garden.duv");
  std::string out;
  ASSERT_EQ(RunCli({"new", db_path}, &out), 0) << out;
  ASSERT_EQ(RunCli({"options", db_path, "--address", "www.garden.invalid/"}, &out), 0) << out;
  const std::string header = testing::ReadFile(db_path);

  ASSERT_EQ(RunCli({"index", db_path, "--folder", kSampleSite}, &out), 0) << out;
  EXPECT_NE(out.find("Reading http://www.garden.invalid/about.html\n"), std::string::npos) << out;
  EXPECT_EQ(testing::ReadFile(db_path), header);

  // The same records as the crawl in process with the database's settings.
  Database db;
  db.folder = dir.path();
  db.base_name = "garden";
  ASSERT_TRUE(LoadDatabase(db).ok());
  CrawlSettings s;
  ASSERT_TRUE(MakeCrawlSettings(db, &s).ok());
  s.folder = kSampleSite;
  HttpClient unused;
  const Crawled c = Crawl(unused, s);
  ASSERT_EQ(db.records.size(), c.pages.size());
  for (size_t i = 0; i < c.pages.size(); ++i) {
    std::string expected = PageRecordLine(c.pages[i]);
    expected.replace(0, 1, std::to_string(i));
    EXPECT_EQ(db.records.line(i), expected);
  }

  // Without the site's folder there is nothing to read.
  EXPECT_EQ(RunCli({"index", db_path, "--folder", dir.File("missing")}, &out), 1);
  EXPECT_NE(out.find("is not a folder."), std::string::npos) << out;
  EXPECT_EQ(RunCli({"index", db_path, "--folder"}, &out), 2);
}

}  // namespace
}  // namespace duvra
