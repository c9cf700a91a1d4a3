#include "http/http_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "database/db_files.h"
#include "scripted_server.h"

namespace duvra {
namespace {

using testing::Answer;
using testing::Close;
using testing::Hold;
using testing::Ok;
using testing::Pause;
using testing::ReadRequest;
using testing::Reset;
using testing::Script;
using testing::ScriptedServer;
using testing::Send;
using testing::SendForever;
using testing::Trickle;

// Long enough never to run out in a passing test; a wait that should have
// been cut short by something else shows up as a failed expectation instead.
using namespace std::string_literals;

constexpr int kPatientMs = 20000;

Script Concat(std::initializer_list<Script> parts) {
  Script out;
  for (const Script& s : parts) out.insert(out.end(), s.begin(), s.end());
  return out;
}

TEST(HttpClientTest, SendsTheFixedRequest) {
  ScriptedServer server({Concat({Answer(Ok("a")), Answer(Ok("b")), Answer(Ok("c"))})});
  HttpClient client;
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_TRUE(client.Get("http://user:pw@" + host).ok);
  client.SetUserAgent("");
  EXPECT_TRUE(client.Get("http://" + host + "/p?q=1#frag").ok);
  client.SetUserAgent("Bot/2");
  EXPECT_TRUE(client.Get("http://" + host + "/x").ok);
  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], "GET / HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + host +
                             "\r\nAccept: text/html, */*\r\nUser-Agent: " +
                             std::string(kDefaultUserAgent) + "\r\n\r\n");
  EXPECT_EQ(requests[1], "GET /p?q=1 HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + host +
                             "\r\nAccept: text/html, */*\r\n\r\n");
  EXPECT_NE(requests[2].find("\r\nUser-Agent: Bot/2\r\n"), std::string::npos);
  EXPECT_EQ(server.connections(), 1);
}

TEST(HttpClientTest, ReusesTheConnectionUntilTheServerSaysClose) {
  ScriptedServer server(
      {Concat({Answer(Ok("1")), Answer(Ok("2", "Connection: close\r\n"))}), Answer(Ok("3"))});
  HttpClient client;
  EXPECT_EQ(client.Get(server.Url("/1")).body, "1");
  EXPECT_EQ(client.Get(server.Url("/2")).body, "2");
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.Get(server.Url("/3")).body, "3");
  EXPECT_EQ(server.connections(), 2);
}

TEST(HttpClientTest, OldServersAndBodiesUntilCloseGetFreshConnections) {
  ScriptedServer server({
      Concat({Answer("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\na"),
              Answer("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nb"),
              {Hold()}}),
      Concat({Answer("HTTP/1.1 200 OK\r\n\r\nuntil close"), {Close()}}),
      Answer(Ok("d")),
  });
  HttpClient client;
  EXPECT_EQ(client.Get(server.Url("/a")).body, "a");
  EXPECT_EQ(client.Get(server.Url("/b")).body, "b");  // same connection, said keep-alive
  EXPECT_EQ(client.Get(server.Url("/c")).body, "until close");
  EXPECT_EQ(client.Get(server.Url("/d")).body, "d");
  EXPECT_EQ(server.connections(), 3);
  EXPECT_EQ(server.requests().size(), 4u);
}

TEST(HttpClientTest, NoticesAnIdleConnectionTheServerClosed) {
  ScriptedServer server({Concat({Answer(Ok("first")), {Close()}}), Answer(Ok("second"))});
  HttpClient client;
  EXPECT_EQ(client.Get(server.Url("/")).body, "first");
  // Give the server's FIN time to arrive.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const FetchResult r = client.Get(server.Url("/"));
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "second");
}

TEST(HttpClientTest, RedirectsAndStatusFailuresAreNotFollowed) {
  ScriptedServer server({Concat({
      Answer("HTTP/1.1 301 Moved Permanently\r\nLocation: /elsewhere\r\nContent-Length: "
             "5\r\n\r\nmoved"),
      Answer("HTTP/1.1 200 OK\r\nLocation: /odd\r\nContent-Length: 2\r\n\r\nhi"),
      Answer("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"),
      Answer(Ok("fine")),
  })});
  HttpClient client;
  FetchResult r = client.Get(server.Url("/old"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.status_code, 301);
  EXPECT_EQ(r.status_line, "HTTP/1.1 301 Moved Permanently");
  EXPECT_EQ(r.location, "/elsewhere");
  EXPECT_TRUE(r.body.empty());
  r = client.Get(server.Url("/odd"));
  EXPECT_EQ(r.status_code, 200);
  EXPECT_FALSE(r.ok);
  r = client.Get(server.Url("/missing"));
  EXPECT_EQ(r.status_code, 404);
  EXPECT_EQ(r.error, "HTTP/1.1 404 Not Found");
  EXPECT_EQ(client.Get(server.Url("/")).body, "fine");
  // One connection, and the redirect targets were never asked for.
  EXPECT_EQ(server.connections(), 1);
  EXPECT_EQ(server.requests().size(), 4u);
}

TEST(HttpClientTest, DiscardingAFailureBodyUsesItsOwnBound) {
  ScriptedServer server(
      {{ReadRequest(), Send("HTTP/1.1 500 Error\r\nContent-Length: 100\r\n\r\npart"), Hold()},
       Answer(Ok("next"))});
  HttpClient client;
  client.SetReadTimeout(kPatientMs);
  client.SetDiscardTimeout(50);
  const FetchResult r = client.Get(server.Url("/"));
  EXPECT_EQ(r.status_code, 500);
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.Get(server.Url("/")).body, "next");
}

TEST(HttpClientTest, AFailureMidResponseNeverLeaksIntoTheNextAnswer) {
  ScriptedServer server({
      {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"), Pause(2000),
       Send("defghij" + Ok("stale")), Hold()},
      Answer(Ok("fresh")),
  });
  HttpClient client;
  client.SetReadTimeout(100);
  const FetchResult r = client.Get(server.Url("/"));
  EXPECT_EQ(r.error, "Read Timeout");
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.Get(server.Url("/")).body, "fresh");
  EXPECT_EQ(server.connections(), 2);
}

TEST(HttpClientTest, TheReadBoundAppliesToEachWait) {
  ScriptedServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n"),
                          Trickle("slow but on", 60), Send("!")}});
  HttpClient client;
  client.SetReadTimeout(400);  // less than the whole answer takes
  const FetchResult r = client.Get(server.Url("/"));
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "slow but on!");
}

TEST(HttpClientTest, ADrippingServerMeetsTheTotalBound) {
  // Every wait is well inside the read bound, but the whole answer would take
  // 20 seconds: the page fails after about kTotalTimeFactor read bounds.
  ScriptedServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 200\r\n\r\n"),
                          Trickle(std::string(200, 'x'), 100)}});
  HttpClient client;
  client.SetReadTimeout(300);
  const auto start = std::chrono::steady_clock::now();
  const FetchResult r = client.Get(server.Url("/"));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.stopped);
  EXPECT_LT(took, std::chrono::seconds(6));
  EXPECT_FALSE(client.connected());
}

TEST(HttpClientTest, ReportsTheTypeAndRobotsHeadersOfAPage) {
  ScriptedServer server({Answer(Ok("<p>x</p>",
                                   "Content-Type: text/html; charset=ISO-8859-2\r\n"
                                   "X-Robots-Tag: noindex\r\nx-robots-tag: nofollow\r\n"))});
  HttpClient client;
  const FetchResult r = client.Get(server.Url("/"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.content_type, "text/html; charset=ISO-8859-2");
  EXPECT_EQ(r.robots_tag, "noindex, nofollow");
}

TEST(HttpClientTest, ServersThatGoAwayGiveTheirTexts) {
  ScriptedServer server({
      {ReadRequest(), Close()},
      {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n"), Reset()},
      {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort"), Close()},
  });
  HttpClient client;
  EXPECT_EQ(client.Get(server.Url("/")).error, "Connection Closed Gracefully.");
  EXPECT_EQ(client.Get(server.Url("/")).error,
            "Socket Error # " + std::to_string(ECONNRESET) + "\r\n" + std::strerror(ECONNRESET));
  const FetchResult r = client.Get(server.Url("/"));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.body, "short");
}

TEST(HttpClientTest, BodiesAreByteExactAndBounded) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>(i * 7));
  ScriptedServer server({
      Concat(
          {Answer(Ok(binary)),
           Answer(
               "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n\0\r\n\n\r\n0\r\n\r\n"s),
           {ReadRequest(), Send("HTTP/1.1 200 OK\r\n\r\n"), SendForever(std::string(8192, 'z'))}}),
  });
  HttpClient client;
  client.SetReadTimeout(kPatientMs);
  EXPECT_EQ(client.Get(server.Url("/bin")).body, binary);
  EXPECT_EQ(client.Get(server.Url("/chunked")).body, std::string("\0\r\n\n", 4));
  client.SetMaxBodyBytes(100000);
  const FetchResult r = client.Get(server.Url("/endless"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "Response body too large.");
}

TEST(HttpClientTest, CookiesComeBackAcrossCrawls) {
  ScriptedServer server({Concat({
      Answer(Ok("first",
                "Set-Cookie: sid=abc; Path=/\r\nSet-Cookie: nopath=1\r\n"
                "Set-Cookie: deep=2; Path=/docs/\r\n")),
      Answer(Ok("second")),
      Answer(Ok("third")),
  })});
  HttpClient client;
  EXPECT_TRUE(client.Get(server.Url("/")).ok);
  EXPECT_TRUE(client.Get(server.Url("/docs/page.html")).ok);
  // A later crawl sets its settings again; the cookies stay.
  client.SetUserAgent("Bot");
  client.SetReadTimeout(kPatientMs);
  client.ClearStop();
  EXPECT_TRUE(client.Get(server.Url("/other.html")).ok);
  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(requests[1].find("\r\nCookie: deep=2; sid=abc\r\n"), std::string::npos);
  EXPECT_NE(requests[2].find("\r\nCookie: sid=abc\r\n"), std::string::npos);
}

TEST(HttpClientTest, MovesToAnotherServerOnANewConnection) {
  ScriptedServer a({Answer(Ok("a"))});
  ScriptedServer b({Answer(Ok("b"))});
  HttpClient client;
  EXPECT_EQ(client.Get(a.Url("/")).body, "a");
  EXPECT_EQ(client.Get(b.Url("/")).body, "b");
  EXPECT_EQ(a.connections() + b.connections(), 2);
}

TEST(HttpClientTest, ResolvesHostNames) {
  ScriptedServer server({Answer(Ok("by name"))});
  HttpClient client;
  const std::string address = "http://localhost:" + std::to_string(server.port()) + "/";
  EXPECT_EQ(client.Get(address).body, "by name");
  EXPECT_NE(server.requests().at(0).find("\r\nHost: localhost:"), std::string::npos);
}

TEST(HttpClientTest, RefusesBeforeAnyTraffic) {
  ScriptedServer server({});
  HttpClient client;
  const std::string port = std::to_string(server.port());
  FetchResult r = client.Get("gopher://127.0.0.1:" + port + "x/");
  EXPECT_EQ(r.error, "Invalid port number");
  r = client.Get("gopher://127.0.0.1/");
  EXPECT_EQ(r.error, "Unknown Protocol");
  r = client.Get("http:///nohost");
  EXPECT_EQ(r.error.rfind("Socket Error # ", 0), 0u) << r.error;
  EXPECT_NE(r.error.find("\r\nHost not found."), std::string::npos) << r.error;
  EXPECT_EQ(server.connections(), 0);
}

// A port with a listening socket that never accepts: once its queue is full
// the kernel drops further SYNs, so a connection attempt hangs.
class FullListener {
 public:
  FullListener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd_, 0);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    for (int i = 0; i < 4; ++i) {
      const int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
      fillers_.push_back(c);
    }
  }
  ~FullListener() {
    for (int c : fillers_) close(c);
    close(fd_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  int fd_;
  int port_;
  std::vector<int> fillers_;
};

TEST(HttpClientTest, ConnectionAttemptsAreBoundedAndRefusalsReported) {
  FullListener full;
  HttpClient client;
  client.SetReadTimeout(100);
  EXPECT_EQ(client.Get(full.Url()).error, "Connect timed out.");

  int port;
  {
    ScriptedServer gone({});
    port = gone.port();
  }
  EXPECT_EQ(
      client.Get("http://127.0.0.1:" + std::to_string(port) + "/").error,
      "Socket Error # " + std::to_string(ECONNREFUSED) + "\r\n" + std::strerror(ECONNREFUSED));
}

// Runs a Get on this thread and raises a stop from another one once ready()
// holds and the Get has had a moment to settle into its wait.
FetchResult GetWhileStopping(HttpClient& client, const std::string& url,
                             const std::function<bool()>& ready) {
  std::thread stopper([&client, &ready] {
    while (!ready()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    client.RequestStop();
  });
  FetchResult r = client.Get(url);
  stopper.join();
  return r;
}

TEST(HttpClientTest, AStopRequestEndsEveryWait) {
  ScriptedServer server(
      {{ReadRequest(), Hold()},
       {ReadRequest(), Send("HTTP/1.1 404 No\r\nContent-Length: 9\r\n\r\n"), Hold()}});
  ScriptedServer later({Answer(Ok("after"))});
  FullListener full;
  HttpClient client;
  client.SetReadTimeout(kPatientMs);
  client.SetDiscardTimeout(kPatientMs);
  auto requests_seen = [&server](size_t n) {
    return [&server, n] { return server.requests().size() >= n; };
  };

  FetchResult r = GetWhileStopping(client, server.Url("/stall"), requests_seen(1));
  EXPECT_TRUE(r.stopped) << r.error;
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(client.connected());
  // Still raised: the next call ends at once, without touching the server.
  EXPECT_TRUE(client.Get(server.Url("/")).stopped);
  EXPECT_EQ(server.connections(), 1);
  EXPECT_FALSE(client.SleepUnlessStopped(kPatientMs));
  client.ClearStop();

  EXPECT_TRUE(GetWhileStopping(client, server.Url("/discard"), requests_seen(2)).stopped);
  client.ClearStop();
  EXPECT_TRUE(GetWhileStopping(client, full.Url(), [] { return true; }).stopped);
  client.ClearStop();

  std::thread stopper([&client] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    client.RequestStop();
  });
  EXPECT_FALSE(client.SleepUnlessStopped(kPatientMs));
  stopper.join();
  client.ClearStop();
  EXPECT_TRUE(client.SleepUnlessStopped(1));
  EXPECT_EQ(client.Get(later.Url("/")).body, "after");
}

}  // namespace
}  // namespace duvra
