// The client against a real server: Debian's nginx on loopback; and the
// server fixture itself, which must leave no nginx behind however the test
// binary ends.
#include <gtest/gtest.h>
#include <poll.h>

#include <cerrno>
#include <random>

#include "http/http_client.h"
#include "nginx_server.h"
#include "test_ca.h"

namespace duvra {
namespace {

using testing::NginxServer;
using testing::NginxTls;
using testing::TestCa;

constexpr char kLocations[] = R"(
    location /sub/ { sub_filter 'AAA' 'BBB'; sub_filter_once off; }
    location /cookie { add_header Set-Cookie "sid=xyz; Path=/"; return 200 "cookie set"; }
    location /close/ { keepalive_timeout 0; }
    location /moved { return 302 /moved-here; }
)";

class NginxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server_.ok()) GTEST_SKIP() << server_.error();
    client_.SetReadTimeout(10000);
  }

  NginxServer server_{kLocations};
  HttpClient client_;
};

TEST_F(NginxTest, PagesArriveByteExact) {
  std::mt19937 random(42);
  std::string binary(1 << 20, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  std::string page = "<html><body>";
  while (page.size() < 20000) page += "Some text of the page, AAA and more. ";
  page += "</body></html>\n";
  server_.WritePage("/big.bin", binary);
  server_.WritePage("/page.html", page);
  server_.WritePage("/empty.html", "");
  server_.WritePage("/sub/page.html", page);

  EXPECT_EQ(client_.Get(server_.Url("/big.bin")).body, binary);
  EXPECT_EQ(client_.Get(server_.Url("/page.html")).body, page);
  const FetchResult empty = client_.Get(server_.Url("/empty.html"));
  EXPECT_TRUE(empty.ok) << empty.error;
  EXPECT_EQ(empty.body, "");
  // Filtered on the fly, so sent with chunked coding.
  std::string filtered = page;
  for (size_t at; (at = filtered.find("AAA")) != std::string::npos;) filtered.replace(at, 3, "BBB");
  EXPECT_EQ(client_.Get(server_.Url("/sub/page.html")).body, filtered);

  const std::vector<NginxServer::LogEntry> log = server_.AccessLog(4);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(NginxServer::Connections(log), 1u);
}

TEST_F(NginxTest, RequestsInARowShareOneConnectionUnlessClosed) {
  server_.WritePage("/a.html", "a");
  server_.WritePage("/close/c.html", "c");
  EXPECT_TRUE(client_.Get(server_.Url("/a.html")).ok);
  const FetchResult missing = client_.Get(server_.Url("/missing.html"));
  EXPECT_EQ(missing.status_code, 404);
  EXPECT_EQ(missing.status_line, "HTTP/1.1 404 Not Found");
  EXPECT_TRUE(client_.Get(server_.Url("/a.html#part")).ok);
  std::vector<NginxServer::LogEntry> log = server_.AccessLog(3);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(NginxServer::Connections(log), 1u);
  EXPECT_EQ(log[2].uri, "/a.html");

  // "keepalive_timeout 0" makes nginx answer "Connection: close".
  EXPECT_EQ(client_.Get(server_.Url("/close/c.html")).body, "c");
  EXPECT_EQ(client_.Get(server_.Url("/close/c.html")).body, "c");
  log = server_.AccessLog(5);
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(NginxServer::Connections(log), 2u);
  EXPECT_EQ(log[3].connection, log[0].connection);  // closed after this one
  EXPECT_NE(log[4].connection, log[3].connection);
}

TEST_F(NginxTest, RedirectsFailAndAreNotFollowed) {
  server_.WritePage("/dir/index.html", "index");
  for (const char* path : {"/moved", "/dir"}) {
    const FetchResult r = client_.Get(server_.Url(path));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.status_code == 301 || r.status_code == 302) << r.status_line;
    EXPECT_FALSE(r.location.empty());
  }
  const std::vector<NginxServer::LogEntry> log = server_.AccessLog(2);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(NginxServer::Connections(log), 1u);
}

TEST_F(NginxTest, LongUserAgentAndCookiesReachTheServer) {
  server_.WritePage("/p.html", "p");
  const std::string agent =
      "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0 "
      "Safari/537.36 DuvraTest";
  client_.SetUserAgent(agent);
  EXPECT_EQ(client_.Get(server_.Url("/cookie")).body, "cookie set");
  const FetchResult r = client_.Get(server_.Url("/p.html"));
  EXPECT_TRUE(r.ok) << r.error;
  const std::vector<NginxServer::LogEntry> log = server_.AccessLog(2);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].cookie, "sid=xyz");
  EXPECT_EQ(log[1].user_agent, agent);

  // Why long lines are not folded by default: nginx refuses folded requests.
  client_.SetFoldLongHeaders(true);
  EXPECT_EQ(client_.Get(server_.Url("/p.html")).status_code, 400);
}

// The same nginx speaking TLS with a certificate of a test authority.
class NginxTlsTest : public ::testing::Test {
 protected:
  static NginxTls Certificate(TestCa& ca) {
    const TestCa::Issued issued = ca.Issue("nginx", "DNS:localhost,IP:127.0.0.1");
    return NginxTls{issued.cert_file, issued.key_file};
  }

  void SetUp() override {
    if (!server_.ok()) GTEST_SKIP() << server_.error();
    client_.SetTrust(TlsTrust{ca_.ca_file(), ""});
    client_.SetReadTimeout(10000);
  }

  TestCa ca_;
  NginxServer server_{kLocations, Certificate(ca_)};
  HttpClient client_;
};

TEST_F(NginxTlsTest, PagesArriveByteExactOverOneConnection) {
  std::mt19937 random(7);
  std::string binary(1 << 20, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  std::string page = "<html><body>";
  while (page.size() < 20000) page += "Text of a page served over TLS, AAA again. ";
  page += "</body></html>\n";
  server_.WritePage("/big.bin", binary);
  server_.WritePage("/sub/page.html", page);

  EXPECT_EQ(client_.Get(server_.Url("/big.bin")).body, binary);
  std::string filtered = page;
  for (size_t at; (at = filtered.find("AAA")) != std::string::npos;) filtered.replace(at, 3, "BBB");
  EXPECT_EQ(client_.Get(server_.Url("/sub/page.html")).body, filtered);
  // By name, so with SNI; a new host is a new connection.
  const std::string by_name = "https://localhost:" + std::to_string(server_.port());
  EXPECT_EQ(client_.Get(by_name + "/cookie").body, "cookie set");
  EXPECT_EQ(client_.Get(by_name + "/big.bin").body, binary);
  const FetchResult moved = client_.Get(by_name + "/moved");
  EXPECT_EQ(moved.status_code, 302);
  EXPECT_EQ(moved.location, "https://localhost:" + std::to_string(server_.port()) + "/moved-here");

  const std::vector<NginxServer::LogEntry> log = server_.AccessLog(5);
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(NginxServer::Connections(log), 2u);
  EXPECT_EQ(log[3].cookie, "sid=xyz");
}

// While it lives, processes orphaned below this one become its children,
// so that a test can see them end and reap them.
class AdoptOrphans {
 public:
  AdoptOrphans() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
  ~AdoptOrphans() { prctl(PR_SET_CHILD_SUBREAPER, 0); }
  AdoptOrphans(const AdoptOrphans&) = delete;
  AdoptOrphans& operator=(const AdoptOrphans&) = delete;
};

// Reads `fd` until its end or until `limit` passes; true at its end.
bool ReachesEnd(int fd, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

// A test binary holding a server dies without running its destructors, once
// by exiting and once killed outright, its output going to a pipe as under
// a test runner. The runner reads that pipe to its end, so a server left
// holding it (here through a descriptor nginx inherits) would stall the run.
TEST(NginxServerFixture, NginxEndsWithATestBinaryThatDies) {
  const AdoptOrphans adopt;  // nginx comes to this process when the child dies
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "killed" : "exited");
    int output[2];
    int report[2];
    ASSERT_EQ(pipe(output), 0);
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(output[0]);
      close(report[0]);
      dup2(output[1], STDOUT_FILENO);
      dup2(output[1], STDERR_FILENO);
      NginxServer server;
      const std::string line = std::to_string(server.pid()) + " " + std::to_string(server.port()) +
                               " " + server.folder() + "\n";
      if (write(report[1], line.data(), line.size()) < 0) _exit(2);
      if (killed) raise(SIGKILL);
      _exit(1);
    }
    close(output[1]);
    close(report[1]);
    std::string line;
    char c;
    while (read(report[0], &c, 1) == 1 && c != '\n') line += c;
    close(report[0]);
    int status;
    waitpid(child, &status, 0);
    pid_t nginx = 0;
    int port = 0;
    std::string folder;
    std::istringstream(line) >> nginx >> port >> folder;
    if (!folder.empty()) std::filesystem::remove_all(folder);
    if (nginx <= 0) {
      close(output[0]);
      GTEST_SKIP() << "nginx did not start in the child";
    }

    const bool output_closed = ReachesEnd(output[0], std::chrono::seconds(10));
    close(output[0]);
    bool ended = false;
    for (int i = 0; i < 1000 && !(ended = waitpid(nginx, &status, WNOHANG) == nginx); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(output_closed);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(NginxServer::Accepts(port));
    if (!ended) {  // leave nothing behind, even on failure
      kill(nginx, SIGKILL);
      waitpid(nginx, &status, 0);
    }
  }
}

TEST(NginxServerFixture, StopEndsNginx) {
  pid_t pid = 0;
  int port = 0;
  {
    NginxServer server;
    if (!server.ok()) GTEST_SKIP() << server.error();
    pid = server.pid();
    port = server.port();
    ASSERT_TRUE(NginxServer::Accepts(port));
  }
  EXPECT_FALSE(NginxServer::Accepts(port));
  errno = 0;
  EXPECT_EQ(kill(pid, 0), -1);  // reaped, not merely asked to end
  EXPECT_EQ(errno, ESRCH);
}

}  // namespace
}  // namespace duvra
