// End to end: the generated fixture site served by nginx on loopback,
// crawled by the real HTTP client, in process and through duvra-cli.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "base/text_file.h"
#include "database/db_files.h"
#include "database/file_writer.h"
#include "database/record_list.h"
#include "fixture_site.h"
#include "http/http_client.h"
#include "http/nginx_server.h"
#include "http/scripted_server.h"
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
  ASSERT_EQ(ReplaceFileWith(DefaultFileSystem(), header_path, header), 0);
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

// The whole log of a crawl of start that fails at once.
Strings FailedStartLog(const std::string& start, int read_timeout_ms = 30000) {
  HttpClient client;
  Crawler crawler(client);
  CrawlSettings s;
  s.start_address = start;
  s.read_timeout_ms = read_timeout_ms;
  LineLog log;
  EXPECT_EQ(crawler.Execute(s, log), CrawlOutcome::kFailedStart) << start;
  EXPECT_TRUE(crawler.pages().empty());
  return log.lines;
}

Strings WithReason(const std::string& reason) {
  return {"Connecting ...", "Invalid address or site unavailable.", reason, "", "Index stopped."};
}

TEST_F(SiteCrawlTest, AStartPageThatCannotBeReadIsToldWhyOnTheNextLine) {
  EXPECT_EQ(FailedStartLog(server.Url("/no-such-page.htm")),
            WithReason("The server answered \"HTTP/1.1 404 Not Found\"."));

  testing::ScriptedServer failing(
      {testing::Answer("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"),
       {testing::ReadRequest(), testing::Hold()}});
  EXPECT_EQ(FailedStartLog(failing.Url("/")),
            WithReason("The server answered \"HTTP/1.1 500 Internal Server Error\"."));
  EXPECT_EQ(FailedStartLog(failing.Url("/"), 300), WithReason("Read Timeout"));

  // A port nobody listens on: the scripted server's, once it has gone.
  std::string refused;
  {
    testing::ScriptedServer gone({});
    refused = gone.Url("/");
  }
  EXPECT_EQ(FailedStartLog(refused), WithReason("Connection refused (socket error 111)"));

  const Strings unknown = FailedStartLog("http://nonexistent.invalid/");
  ASSERT_EQ(unknown.size(), 5u);
  EXPECT_TRUE(unknown[2].starts_with("Host not found (socket error ")) << unknown[2];
  EXPECT_EQ(unknown[1], "Invalid address or site unavailable.");
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
  EXPECT_NE(out.find("Connecting ...\nInvalid address or site unavailable.\nConnection refused "
                     "(socket error 111)\n\nIndex stopped.\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("duvra-cli index: the crawl could not start at 127.0.0.1:1/: Connection "
                     "refused (socket error 111); nothing was saved"),
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
  EXPECT_EQ(RunCli({"options", db_path, "--timeout", "15"}, &out), 2);
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
  EXPECT_NE(out.find("Connecting ...\nInvalid address or site unavailable.\nCertificate "
                     "verification failed: the certificate is not signed by a trusted "
                     "authority.\n\nIndex stopped.\n"),
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

// A hand-made site of today's habits and faults, below /site/ on nginx with
// extensionless addresses served through try_files: links that hold "http"
// or "mailto", quotes and spaces in addresses, an upper-case scheme, a
// neighbour folder /site-old/, binary data at a page address, robots rules,
// other character sets, scripts and styles, a long page and duplicates.
class SettingsSiteTest : public ::testing::Test {
 protected:
  static std::string Simple(const std::string& title, const std::string& words,
                            const std::string& head = "", const std::string& links = "") {
    return "<html><head><title>" + title + "</title>" + head + "</head><body><!-- duvra -->" +
           words + " <!-- /duvra -->" + links + "</body></html>";
  }
  static std::string Iconv(const char* charset, const std::string& utf8) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    std::string in = utf8, out(utf8.size() * 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
  }

  void SetUp() override {
    if (!server.ok()) GTEST_SKIP() << server.error();
    root = server.Url("/site");
    long_words.clear();
    for (int i = 0; i < 400; ++i) long_words += "w" + std::to_string(i) + " ";
    long_words.pop_back();
    const std::string links =
        "<a href=\"http.html\">a</a> <a href=\"mailtools.html\">b</a> "
        "<a href=\"o'brien.html\">c</a> <a href=\"my page.html\">d</a> "
        "<a href=\"HTTP://127.0.0.1:" +
        std::to_string(server.port()) +
        "/site/upper.html\">e</a> "
        "<a href=\"" +
        server.Url("/site-old/old.html") +
        "\">f</a> "
        "<a href=\"blog/my-post\">g</a> <a href=\"index.html\">h</a> <a href=report.php>i</a> "
        "<a href=\"private.html\">j</a> <a href=\"noindex.html\">k</a> "
        "<a href=\"nofollow.html\">l</a> <a rel=\"external nofollow\" href=\"relnf.html\">m</a> "
        "<a href=\"latin.html\">n</a> <a href=\"koi.html\">o</a> <a href=\"script.html\">p</a> "
        "<a href=\"long.html\">q</a> <a href=\"print.html\">r</a>";
    const std::map<std::string, std::string> files = {
        {"/robots.txt",
         "User-agent: OtherBot\nDisallow: /\n\nUser-agent: *\nDisallow: /site/priv\n"},
        {"/site/index.html",
         Simple("Home", "home words", "<meta name=\"description\" content=\"Start here\">", links)},
        {"/site/http.html", Simple("HTTP", "http words")},
        {"/site/mailtools.html", Simple("Mail tools", "mail words")},
        {"/site/o'brien.html", Simple("Brien", "quote words")},
        {"/site/my page.html", Simple("Spaced", "space words")},
        {"/site/upper.html", Simple("Upper", "upper words")},
        {"/site-old/old.html", Simple("Old", "old words")},
        {"/site/blog/my-post.html",
         Simple("Post", "post words", "", "<a href=\"../colophon\">c</a>")},
        {"/site/colophon.html", Simple("Colophon", "colophon words")},
        {"/site/report.php", std::string("<html>\0\1\2 binary report", 23)},
        {"/site/private.html", Simple("Private", "private words")},
        {"/site/noindex.html",
         Simple("Noindex", "noindex words", "<meta content=\"noindex\" name=\"ROBOTS\">",
                "<a href=\"only-noindex.html\">x</a>")},
        {"/site/only-noindex.html", Simple("Reached", "reached words")},
        {"/site/nofollow.html",
         Simple("Nofollow", "nofollow words", "<meta name=robots content=\"nofollow\">",
                "<a href=\"hidden.html\">x</a>")},
        {"/site/hidden.html", Simple("Hidden", "hidden words")},
        {"/site/relnf.html", Simple("Relnf", "relnf words")},
        {"/site/latin.html",
         Simple("Caf\xe9", "Caf\xe9 cr\xe8me", "<meta charset=\"windows-1252\">")},
        {"/site/koi.html",
         Iconv("KOI8-R", Simple("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82",
                                "\xd0\xbc\xd0\xb8\xd1\x80",
                                "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                "charset=koi8-r\">"))},
        {"/site/script.html",
         "<html><head><title>Script</title><style>.secretStyle{color:red}</style>"
         "<script>var secretToken = 1;</script></head><body><nav>Menu links</nav><main><table>"
         "<tr><td>SELECT</td><td>Prev</td></tr></table>\n<p>Opening words of the main "
         "part.</p></main><!-- comment words --></body></html>"},
        {"/site/long.html", Simple("Long", long_words)},
        {"/site/print.html",
         Simple("Print", "print words", "<link rel=\"canonical\" href=\"http.html\">")},
    };
    for (const auto& [path, content] : files) server.WritePage(path, content);
  }

  struct Crawl {
    std::vector<std::string> lines;             // the log
    std::vector<std::string> records;           // sorted record lines
    std::map<std::string, std::string> bodies;  // address -> decoded page, for the reference
  };

  Crawl Run(const CrawlSettings& extra) {
    HttpClient client;
    Crawler crawler(client);
    CrawlSettings s = extra;
    s.start_address = root + "/";
    s.excluded_words = {"the"};
    LineLog log;
    EXPECT_EQ(crawler.Execute(s, log), CrawlOutcome::kComplete);
    Crawl c;
    c.lines = log.lines;
    for (const PageRecord& p : crawler.pages()) c.records.push_back(PageRecordLine(p));
    std::sort(c.records.begin(), c.records.end());
    return c;
  }

  static CrawlSettings AllOn() {
    CrawlSettings s;
    s.robots = s.visible_text = s.opening_text = s.plain_links = s.one_page = true;
    s.max_words = 1000;
    return s;
  }

  std::string Line(const std::string& title, const std::string& path, const std::string& text,
                   const std::string& keywords) const {
    return "0^" + title + "^" + root + path + "^" + text + "^" + keywords + "^0";
  }

  NginxServer server{"location / { try_files $uri $uri.html $uri/ =404; }"};
  std::string root;
  std::string long_words;
};

TEST_F(SettingsSiteTest, WithEverySettingOffTheMendedRulesReadEachPageOnce) {
  const Crawl c = Run(CrawlSettings());
  // Keywords by the base rules, checked against the literal reference on the
  // decoded page; the addresses are those the mends let through.
  auto ref = [&](const std::string& path, const std::string& page) {
    PageRecord r = reference::AnalysePage(page, root + path, true, {"the"}, kScanCutLength);
    return PageRecordLine(r);
  };
  const std::string long_first = long_words.substr(0, long_words.find("w255") - 1);
  Strings expected = {
      Line("Home", "/", "Start here", "home words"),
      Line("Home", "/index.html", "Start here", "home words"),
      Line("HTTP", "/http.html", "", "http words"),
      Line("Mail tools", "/mailtools.html", "", "mail words"),
      Line("Brien", "/o'brien.html", "", "quote words"),
      Line("Spaced", "/my page.html", "", "space words"),
      Line("Upper", "/upper.html", "", "upper words"),
      Line("Private", "/private.html", "", "private words"),
      Line("Noindex", "/noindex.html", "", "noindex words"),
      Line("Reached", "/only-noindex.html", "", "reached words"),
      Line("Nofollow", "/nofollow.html", "", "nofollow words"),
      Line("Hidden", "/hidden.html", "", "hidden words"),
      Line("Relnf", "/relnf.html", "", "relnf words"),
      Line("Caf\xc3\xa9", "/latin.html", "", "Caf\xc3\xa9 cr\xc3\xa8me"),
      Line("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82", "/koi.html", "",
           "\xd0\xbc\xd0\xb8\xd1\x80"),
      ref("/script.html",
          "<html><head><title>Script</title><style>.secretStyle{color:red}</style>"
          "<script>var secretToken = 1;</script></head><body><nav>Menu links</nav><main><table>"
          "<tr><td>SELECT</td><td>Prev</td></tr></table>\n<p>Opening words of the main "
          "part.</p></main><!-- comment words --></body></html>"),
      Line("Long", "/long.html", "", long_first),
      Line("Print", "/print.html", "", "print words"),
  };
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(c.records, expected);
  // The base rules glue words where tags touch and keep script text.
  EXPECT_NE(c.records.end(), std::find_if(c.records.begin(), c.records.end(), [](auto& l) {
              return l.find("SELECTPrev") != std::string::npos &&
                     l.find("secretToken") != std::string::npos;
            }));
  EXPECT_NE(std::find(c.lines.begin(), c.lines.end(), "Not an HTML page: " + root + "/report.php"),
            c.lines.end());
  EXPECT_EQ(std::count_if(c.lines.begin(), c.lines.end(),
                          [](auto& l) { return l.starts_with("Pages left out"); }),
            0);
}

TEST_F(SettingsSiteTest, WithEverySettingOnEachPageGivesOneCleanRecord) {
  const Crawl c = Run(AllOn());
  std::string long_text;  // the opening 200 characters, cut at a word boundary
  for (int i = 0; long_text.size() + 1 + std::to_string(i).size() + 1 <= 200; ++i) {
    long_text += (i ? " w" : "w") + std::to_string(i);
  }
  Strings expected = {
      Line("Home", "/", "Start here", "home words"),
      Line("HTTP", "/http.html", "http words", "http words"),
      Line("Mail tools", "/mailtools.html", "mail words", "mail words"),
      Line("Brien", "/o'brien.html", "quote words", "quote words"),
      Line("Spaced", "/my page.html", "space words", "space words"),
      Line("Upper", "/upper.html", "upper words", "upper words"),
      Line("Post", "/blog/my-post", "post words", "post words"),
      Line("Colophon", "/colophon", "colophon words", "colophon words"),
      Line("Reached", "/only-noindex.html", "reached words", "reached words"),
      Line("Nofollow", "/nofollow.html", "nofollow words", "nofollow words"),
      Line("Caf\xc3\xa9", "/latin.html", "Caf\xc3\xa9 cr\xc3\xa8me", "Caf\xc3\xa9 cr\xc3\xa8me"),
      Line("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82", "/koi.html",
           "\xd0\xbc\xd0\xb8\xd1\x80", "\xd0\xbc\xd0\xb8\xd1\x80"),
      Line("Script", "/script.html", "SELECT Prev Opening words of the main part.",
           "Script Menu links SELECT Prev Opening words of main part"),
      Line("Long", "/long.html", long_text, long_words),
  };
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(c.records, expected);
  EXPECT_EQ(c.lines[c.lines.size() - 4], "Pages left out by robots rules: 2");  // private, noindex
  EXPECT_LT(long_text.size(), 200u);
}

TEST_F(SettingsSiteTest, EachSettingAloneChangesOnlyItsOwnPart) {
  const Crawl off = Run(CrawlSettings());
  auto has = [](const Crawl& c, const std::string& needle) {
    return std::any_of(c.records.begin(), c.records.end(),
                       [&](auto& l) { return l.find(needle) != std::string::npos; });
  };
  CrawlSettings s;
  s.robots = true;
  const Crawl robots = Run(s);
  EXPECT_EQ(robots.records.size(), off.records.size() - 4);  // private, noindex, hidden, relnf
  EXPECT_FALSE(has(robots, "/private.html^") || has(robots, "/hidden.html^") ||
               has(robots, "/relnf.html^") || has(robots, "/noindex.html^"));
  s = CrawlSettings();
  s.plain_links = true;
  const Crawl plain = Run(s);
  EXPECT_EQ(plain.records.size(), off.records.size() + 2);
  EXPECT_TRUE(has(plain, root + "/blog/my-post^") && has(plain, root + "/colophon^"));
  s = CrawlSettings();
  s.one_page = true;
  const Crawl one = Run(s);
  EXPECT_EQ(one.records.size(), off.records.size() - 2);  // /index.html, the canonical print page
  s = CrawlSettings();
  s.max_words = 1000;
  EXPECT_TRUE(has(Run(s), " w399^"));
  EXPECT_FALSE(has(off, " w255 "));
  s = CrawlSettings();
  s.visible_text = true;
  const Crawl visible = Run(s);
  EXPECT_FALSE(has(visible, "secretToken") || has(visible, "SELECTPrev"));
  EXPECT_EQ(visible.records.size(), off.records.size());
  s = CrawlSettings();
  s.opening_text = true;
  const Crawl opening = Run(s);
  EXPECT_TRUE(has(opening, "^SELECT Prev Opening words of the main part.^"));
  EXPECT_EQ(opening.records.size(), off.records.size());
}

TEST_F(SettingsSiteTest, ANewDatabaseIndexesWithEverySettingOnThroughTheCli) {
  testing::TempDir dir;
  const std::string db_path = dir.File("site.duv");
  ASSERT_EQ(RunCli({"new", db_path}), 0);
  std::string out;
  ASSERT_EQ(RunCli({"options", db_path, "--address", root + "/"}, &out), 0) << out;
  EXPECT_NE(out.find("Obey robots.txt and robots meta tags (robots): on\n"), std::string::npos);
  ASSERT_EQ(RunCli({"index", db_path}, &out), 0) << out;
  EXPECT_NE(out.find("Pages left out by robots rules: 2\n"), std::string::npos) << out;
  Database db;
  db.folder = dir.path();
  db.base_name = "site";
  ASSERT_TRUE(LoadDatabase(db).ok());
  // The shipped excluded words differ from the in-process crawl's, so the
  // addresses with their texts are compared.
  const Crawl c = Run(AllOn());
  ASSERT_EQ(db.records.size(), c.records.size());
  Strings cli_addresses, addresses;
  for (size_t i = 0; i < db.records.size(); ++i) {
    const std::string& l = db.records.line(i);
    const size_t a = l.find('^', l.find('^') + 1) + 1;
    cli_addresses.push_back(l.substr(a, l.find('^', l.find('^', a) + 1) - a));
  }
  for (const std::string& l : c.records) {
    const size_t a = l.find('^', l.find('^') + 1) + 1;
    addresses.push_back(l.substr(a, l.find('^', l.find('^', a) + 1) - a));
  }
  std::sort(cli_addresses.begin(), cli_addresses.end());
  std::sort(addresses.begin(), addresses.end());
  EXPECT_EQ(cli_addresses, addresses);
  // Switched off through the CLI, the robots rules no longer apply.
  ASSERT_EQ(RunCli({"options", db_path, "--robots", "off"}, &out), 0) << out;
  EXPECT_EQ(RunCli({"options", db_path, "--maxwords", "many"}, &out), 2);
  ASSERT_EQ(RunCli({"index", db_path, "--mode", "new"}, &out), 0) << out;
  EXPECT_EQ(out.find("Pages left out"), std::string::npos) << out;
}

}  // namespace
}  // namespace duvra
