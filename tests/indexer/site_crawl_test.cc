// End to end: the generated fixture site served by nginx on loopback,
// crawled by the real HTTP client, in process and through duvra-cli.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "database/db_files.h"
#include "database/record_list.h"
#include "database/text_file.h"
#include "fixture_site.h"
#include "http/http_client.h"
#include "http/nginx_server.h"
#include "http/test_ca.h"
#include "indexer/crawl_driver.h"
#include "reference_indexer.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;
using testing::NginxServer;
using testing::NginxTls;
using testing::TestCa;

constexpr size_t kFixturePages = 300;
// A safety bound for waiting on a child process; a working stop takes well
// under a second.
constexpr auto kChildWaitLimit = std::chrono::seconds(60);

class SiteCrawlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server.ok()) GTEST_SKIP() << server.error();
    site = testing::MakeFixtureSite(kFixturePages, 11, server.Url(""));
    for (const auto& [path, content] : site.files) server.WritePage(path, content);
    site_address = "127.0.0.1:" + std::to_string(server.port()) + "/";
  }

  reference::CrawlResult Reference(size_t max_pages = kMaxCrawlPages) const {
    return reference::Crawl(site.Addresses(), site_address, true, {"the"}, site.excluded_pages,
                            max_pages, kCrawlTableCapacity, kScanCutLength);
  }

  NginxServer server;
  testing::FixtureSite site;
  std::string site_address;
};

// Makes a database as an older build wrote it: the header's two fixed lines
// only, so every extra setting reads as off.
void DropExtraSettingsLine(const std::string& header_path) {
  std::string header;
  int err = 0;
  ASSERT_TRUE(ReadWholeFile(header_path, &header, &err));
  const size_t second_end = header.find("\r\n", header.find("\r\n") + 2);
  ASSERT_NE(second_end, std::string::npos);
  header.resize(second_end + 2);
  ASSERT_TRUE(WriteFileAtomic(header_path, header, &err));
}

struct LineLog : CrawlObserver {
  Strings lines;
  void Line(const std::string& t) override { lines.push_back(t); }
};

TEST_F(SiteCrawlTest, TheRealClientReadsThePagesTheRulesGiveInTheirOrder) {
  HttpClient client;
  Crawler crawler(client);
  CrawlSettings s;
  s.start_address = StartAddressOf(site_address);
  s.user_agent = "FixtureBot/1";
  s.excluded_words = {"the"};
  s.excluded_pages = site.excluded_pages;
  LineLog log;
  ASSERT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);

  const reference::CrawlResult ref = Reference();
  EXPECT_EQ(log.lines, ref.lines);
  ASSERT_EQ(crawler.pages(), ref.pages);
  EXPECT_GT(ref.pages.size(), kFixturePages * 9 / 10);

  // The server saw exactly the requests the rules ask for, in that order.
  const auto entries = server.AccessLog(ref.fetched.size());
  Strings uris;
  for (const auto& e : entries) uris.push_back(server.Url(e.uri));
  EXPECT_EQ(uris, ref.fetched);
  for (const auto& e : entries) EXPECT_EQ(e.user_agent, "FixtureBot/1");

  // Real-site faults stay mended: no fragments, no dot segments, capitals
  // kept, no fetch of non-pages or of pages reachable only when excluded.
  size_t capitals = 0;
  for (const PageRecord& p : crawler.pages()) {
    EXPECT_EQ(p.address.find('#'), std::string::npos) << p.address;
    EXPECT_EQ(p.address.find("/."), std::string::npos) << p.address;
    if (p.address.find("/Page") != std::string::npos) ++capitals;
  }
  EXPECT_GT(capitals, kFixturePages / 4);
  for (const std::string& u : uris) {
    EXPECT_FALSE(u.ends_with(".css") || u.ends_with(".png") || u.ends_with(".pdf")) << u;
    EXPECT_EQ(u.find("/private/"), std::string::npos) << u;
  }
  // Failures happened and were skipped silently.
  EXPECT_GT(std::count_if(entries.begin(), entries.end(), [](auto& e) { return e.status == 404; }),
            0);
}

TEST_F(SiteCrawlTest, AFullPageTableEndsTheCrawlWithThePagesRead) {
  HttpClient client;
  CrawlLimits limits;
  limits.max_pages = 40;
  Crawler crawler(client, limits);
  CrawlSettings s;
  s.start_address = StartAddressOf(site_address);
  s.excluded_words = {"the"};
  s.excluded_pages = site.excluded_pages;
  LineLog log;
  ASSERT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);
  EXPECT_EQ(crawler.pages(), Reference(40).pages);
}

// duvra-cli as a child process, with its output read through a pipe.
class Cli {
 public:
  explicit Cli(const Strings& args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(out[1], 2);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv = {const_cast<char*>(DUVRA_CLI_PATH)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(DUVRA_CLI_PATH, argv.data());
      _exit(127);
    }
    close(out[1]);
    fd_ = out[0];
  }
  ~Cli() {
    if (fd_ >= 0) close(fd_);
  }

  // Reads output until it holds `text`; false at end of output.
  bool WaitForOutput(const std::string& text) {
    while (output_.find(text) == std::string::npos) {
      if (!ReadSome()) return false;
    }
    return true;
  }
  void Signal(int sig) { kill(pid_, sig); }
  // Reads the rest of the output and returns the exit status (-1 after the
  // safety bound, when the child is killed).
  int Wait() {
    const auto deadline = std::chrono::steady_clock::now() + kChildWaitLimit;
    fcntl(fd_, F_SETFL, O_NONBLOCK);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      ReadSome();
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    while (ReadSome()) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& output() const { return output_; }

 private:
  bool ReadSome() {
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n <= 0) return false;
    output_.append(buf, static_cast<size_t>(n));
    return true;
  }
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string output_;
};

int RunCli(const Strings& args, std::string* output = nullptr) {
  Cli cli(args);
  int rc = cli.Wait();
  if (output) *output = cli.output();
  return rc;
}

class CliIndexTest : public SiteCrawlTest {
 protected:
  void SetUp() override {
    SiteCrawlTest::SetUp();
    if (IsSkipped()) return;
    db_path = dir.File("site.duv");
    ASSERT_EQ(RunCli({"new", db_path}), 0);
    DropExtraSettingsLine(db_path);
    Strings args = {"options", db_path, "--address", site_address, "--add-word", "The"};
    for (const auto& p : site.excluded_pages) args.insert(args.end(), {"--add-page", p});
    std::string out;
    ASSERT_EQ(RunCli(args, &out), 0) << out;
  }

  Database Load() const {
    Database db;
    db.folder = dir.path();
    db.base_name = "site";
    EXPECT_TRUE(LoadDatabase(db).ok());
    return db;
  }

  testing::TempDir dir;
  std::string db_path;
};

TEST_F(CliIndexTest, IndexPrintsEachLineMergesAndSaves) {
  // The shipped excluded words plus "the": the reference needs the same.
  const Database before = Load();
  reference::CrawlResult ref =
      reference::Crawl(site.Addresses(), site_address, true, before.excluded_words,
                       site.excluded_pages, kMaxCrawlPages, kCrawlTableCapacity, kScanCutLength);
  std::string out;
  ASSERT_EQ(RunCli({"index", db_path}, &out), 0) << out;
  for (const std::string& line : ref.lines) {
    if (!line.empty()) {
      EXPECT_NE(out.find(line + "\n"), std::string::npos) << line;
    }
  }
  Database db = Load();
  ASSERT_EQ(db.records.size(), ref.pages.size());
  for (size_t i = 0; i < ref.pages.size(); ++i) {
    std::string expected = PageRecordLine(ref.pages[i]);
    expected.replace(0, 1, std::to_string(i));
    ASSERT_EQ(db.records.line(i), expected);
  }

  // The same site again: update and new change nothing, all doubles.
  ASSERT_EQ(RunCli({"index", db_path, "--mode", "update"}, &out), 0) << out;
  EXPECT_NE(out.find(" 0 added, 0 updated"), std::string::npos) << out;
  ASSERT_EQ(RunCli({"index", db_path, "--mode=new"}, &out), 0) << out;
  EXPECT_EQ(Load().records.size(), ref.pages.size());
  ASSERT_EQ(RunCli({"index", db_path, "--mode", "all"}, &out), 0) << out;
  EXPECT_EQ(Load().records.size(), 2 * ref.pages.size());
}

TEST_F(CliIndexTest, CtrlCStopsTheCrawlAndSavesNothing) {
  // A hand-edited delay index outside the table is taken as milliseconds.
  Database db = Load();
  db.settings.delay_index = "300";
  ASSERT_TRUE(WriteHeader(db).ok());
  const std::string header_before = testing::ReadFile(db_path);
  Cli cli({"index", db_path});
  ASSERT_TRUE(cli.WaitForOutput("Reading ")) << cli.output();
  cli.Signal(SIGINT);
  EXPECT_EQ(cli.Wait(), 130) << cli.output();
  EXPECT_NE(cli.output().find("nothing was saved"), std::string::npos);
  EXPECT_EQ(Load().records.size(), 0u);
  EXPECT_EQ(testing::ReadFile(db_path), header_before);
}

TEST_F(CliIndexTest, ASettingThatIsNotAWholeNumberStopsBeforeAnyFetch) {
  Database db = Load();
  db.settings.delay_index = "2s";
  ASSERT_TRUE(WriteHeader(db).ok());
  std::string out;
  EXPECT_EQ(RunCli({"index", db_path}, &out), 1);
  EXPECT_NE(out.find("The delay index \"2s\" in the database settings is not a whole number"),
            std::string::npos)
      << out;
  EXPECT_TRUE(server.AccessLog().empty());
}

TEST_F(CliIndexTest, AnUnreachableSiteSavesNothing) {
  std::string out;
  ASSERT_EQ(RunCli({"options", db_path, "--address", "127.0.0.1:1/"}, &out), 0) << out;
  EXPECT_EQ(RunCli({"index", db_path}, &out), 1);
  EXPECT_NE(out.find("Connecting ...\nInvalid address or site unavailable.\n\nIndex stopped.\n"),
            std::string::npos)
      << out;
}

TEST_F(CliIndexTest, OptionsShowsAndSetsTheSettingsAndLists) {
  std::string out;
  ASSERT_EQ(RunCli({"options", db_path, "--name", "Fixture", "--keywords", "off", "--agent", "A/1",
                    "--timeout", "60", "--delay", "5", "--remove-page", "/private/"},
                   &out),
            0)
      << out;
  EXPECT_NE(out.find("Database name: Fixture\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Timeout: 60 seconds\nRequests delay: 5 seconds\n"), std::string::npos);
  EXPECT_NE(out.find("Excluded pages (1): /private/Secret.html\n"), std::string::npos) << out;
  Database db = Load();
  EXPECT_EQ(db.settings.create_keywords, "0");
  EXPECT_EQ(db.settings.timeout_index, "5");
  EXPECT_EQ(db.settings.delay_index, "5");
  EXPECT_EQ(db.settings.user_agent, "A/1");
  EXPECT_NE(std::find(db.excluded_words.begin(), db.excluded_words.end(), "the"),
            db.excluded_words.end());

  ASSERT_EQ(RunCli({"options", db_path, "--restore"}, &out), 0);
  EXPECT_EQ(Load().settings.user_agent, kDefaultUserAgent);
  EXPECT_EQ(RunCli({"options", db_path, "--timeout", "15"}, &out), 1);
  EXPECT_NE(out.find("--timeout must be one of 10, 20, 30, 40, 50, 60 seconds"), std::string::npos);
  EXPECT_EQ(RunCli({"options", db_path, "--agent", "a^b"}, &out), 1);
  EXPECT_EQ(RunCli({"options", db_path, "--remove-word", "nosuchword"}, &out), 1);
  EXPECT_EQ(Load().settings.timeout_index, "2");
}

// The fixture site served only over TLS, with a plain-HTTP server on the
// same host that redirects every address there, as sites moved to HTTPS do.
class TlsSiteCrawlTest : public ::testing::Test {
 protected:
  static NginxTls Certificate(TestCa& ca) {
    const TestCa::Issued issued = ca.Issue("site", "DNS:localhost,IP:127.0.0.1");
    return NginxTls{issued.cert_file, issued.key_file};
  }

  void SetUp() override {
    if (!tls.ok()) GTEST_SKIP() << tls.error();
    site = testing::MakeFixtureSite(kFixturePages / 3, 5, tls.Url(""));
    for (const auto& [path, content] : site.files) tls.WritePage(path, content);
    plain =
        std::make_unique<NginxServer>("location / { return 301 " + tls.Url("") + "$request_uri; }");
    ASSERT_TRUE(plain->ok()) << plain->error();
  }

  reference::CrawlResult Reference(const Strings& excluded_words) const {
    return reference::Crawl(site.Addresses(), tls.Url("/"), true, excluded_words,
                            site.excluded_pages, kMaxCrawlPages, kCrawlTableCapacity,
                            kScanCutLength);
  }

  TestCa ca;
  NginxServer tls{"", Certificate(ca)};
  std::unique_ptr<NginxServer> plain;
  testing::FixtureSite site;
};

TEST_F(TlsSiteCrawlTest, APlainAddressRedirectedToHttpsIsCrawledThere) {
  HttpClient client;
  client.SetTrust(TlsTrust{ca.ca_file(), ""});
  Crawler crawler(client);
  CrawlSettings s;
  s.start_address = StartAddressOf("127.0.0.1:" + std::to_string(plain->port()) + "/");
  s.excluded_words = {"the"};
  s.excluded_pages = site.excluded_pages;
  LineLog log;
  ASSERT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);
  EXPECT_EQ(crawler.start_address(), tls.Url("/"));

  // What a crawl typed with the https address reads, after the two lines
  // about the redirect.
  reference::CrawlResult ref = Reference({"the"});
  ref.lines.insert(ref.lines.begin() + 1,
                   {"Redirected to " + tls.Url("/"),
                    "Put this address into the site address to start there directly."});
  EXPECT_EQ(log.lines, ref.lines);
  ASSERT_EQ(crawler.pages(), ref.pages);
  EXPECT_GT(ref.pages.size(), kFixturePages / 4);
  const auto entries = tls.AccessLog(ref.fetched.size());
  EXPECT_LE(NginxServer::Connections(entries), 2u);  // the test read, then the crawl
}

TEST_F(TlsSiteCrawlTest, DuvraCliTrustsWhatTheSystemTrustsAndSavesTheHttpsAddresses) {
  testing::TempDir dir;
  const std::string db_path = dir.File("site.duv");
  std::string out;
  ASSERT_EQ(RunCli({"new", db_path}), 0);
  DropExtraSettingsLine(db_path);
  Strings options = {"options", db_path, "--address", tls.Url("/")};
  for (const auto& p : site.excluded_pages) options.insert(options.end(), {"--add-page", p});
  ASSERT_EQ(RunCli(options, &out), 0) << out;
  // OpenSSL's default trust honours SSL_CERT_FILE; without the test
  // authority the site's certificate is refused.
  unsetenv("SSL_CERT_FILE");
  EXPECT_EQ(RunCli({"index", db_path}, &out), 1);
  EXPECT_NE(out.find("Connecting ...\nCertificate verification failed: the certificate is not "
                     "signed by a trusted authority.\nInvalid address or site unavailable.\n"),
            std::string::npos)
      << out;
  setenv("SSL_CERT_FILE", ca.ca_file().c_str(), 1);
  const int rc = RunCli({"index", db_path}, &out);
  unsetenv("SSL_CERT_FILE");
  ASSERT_EQ(rc, 0) << out;
  Database db;
  db.folder = dir.path();
  db.base_name = "site";
  ASSERT_TRUE(LoadDatabase(db).ok());
  const reference::CrawlResult ref = Reference(db.excluded_words);
  ASSERT_EQ(db.records.size(), ref.pages.size());
  EXPECT_NE(db.records.line(0).find("^" + tls.Url("/") + "^"), std::string::npos);
}

}  // namespace
}  // namespace duvra
