// The client over TLS against our scripted server speaking TLS with
// certificates of a test authority made for the run.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "http/http_client.h"
#include "scripted_server.h"
#include "test_ca.h"

namespace duvra {
namespace {

using testing::Answer;
using testing::Close;
using testing::CloseSocket;
using testing::Hold;
using testing::Ok;
using testing::Pause;
using testing::ReadRequest;
using testing::Reset;
using testing::Script;
using testing::ScriptedServer;
using testing::Send;
using testing::ServerCertificate;
using testing::TestCa;
using testing::Ticket;

constexpr int kPatientMs = 20000;

Script Concat(std::initializer_list<Script> parts) {
  Script out;
  for (const Script& s : parts) out.insert(out.end(), s.begin(), s.end());
  return out;
}

class TlsTest : public ::testing::Test {
 protected:
  TlsTest() {
    const TestCa::Issued good = ca_.Issue("good", "DNS:localhost,IP:127.0.0.1");
    good_ = ServerCertificate{good.cert_file, good.key_file};
    client_.SetTrust(TlsTrust{ca_.ca_file(), ""});
    client_.SetReadTimeout(kPatientMs);
  }

  // The certificate ca_ issues for names, valid over the given days.
  ServerCertificate Issue(const std::string& names, long from_days = -1, long to_days = 30) {
    const TestCa::Issued issued =
        ca_.Issue("cert" + std::to_string(++issued_), names, from_days, to_days);
    return ServerCertificate{issued.cert_file, issued.key_file};
  }

  static std::string LocalhostUrl(const ScriptedServer& server, const std::string& path) {
    return "https://localhost:" + std::to_string(server.port()) + path;
  }

  TestCa ca_;
  ServerCertificate good_;
  int issued_ = 0;
  HttpClient client_;
};

TEST_F(TlsTest, PagesArriveByteExactInEveryFraming) {
  std::string binary;
  for (int i = 0; i < 100000; ++i) binary.push_back(static_cast<char>(i * 13));
  ScriptedServer server({Concat({Answer(Ok(binary)),
                                 Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                        "3\r\nabc\r\n4000\r\n" +
                                        std::string(0x4000, 'q') + "\r\n0\r\n\r\n"),
                                 Answer(Ok("", "Set-Cookie: a=1; Path=/\r\n"))}),
                         // Ended by closing the socket without a close_notify, as many servers do.
                         Concat({Answer("HTTP/1.1 200 OK\r\n\r\nuntil the end"), {CloseSocket()}}),
                         Concat({Answer("HTTP/1.0 200 OK\r\n\r\nuntil close_notify"), {Close()}})},
                        good_);
  FetchResult r = client_.Get(server.Url("/bin"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, binary);
  EXPECT_EQ(client_.Get(server.Url("/chunked#frag")).body, "abc" + std::string(0x4000, 'q'));
  r = client_.Get(server.Url("/empty"));
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "");
  r = client_.Get(LocalhostUrl(server, "/close"));
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "until the end");
  EXPECT_EQ(client_.Get(server.Url("/notify")).body, "until close_notify");

  const std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 5u);
  const std::string port = std::to_string(server.port());
  EXPECT_EQ(requests[0], "GET /bin HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1:" + port +
                             "\r\nAccept: text/html, */*\r\nUser-Agent: " + client_.user_agent() +
                             "\r\n\r\n");
  EXPECT_EQ(requests[1].rfind("GET /chunked HTTP/1.1\r\n", 0), 0u);
  EXPECT_NE(requests[3].find("\r\nHost: localhost:" + port + "\r\n"), std::string::npos);
  EXPECT_EQ(requests[3].find("Cookie:"), std::string::npos);  // set for 127.0.0.1 only
  EXPECT_NE(requests[4].find("\r\nCookie: a=1\r\n"), std::string::npos);
  EXPECT_EQ(server.connections(), 3);
}

TEST_F(TlsTest, KeepsTheConnectionAliveAndResumesTheSessionAfterAClose) {
  ScriptedServer server(
      {Concat({Answer(Ok("1")), Answer(Ok("2")), Answer(Ok("3", "Connection: close\r\n"))}),
       Concat({Answer(Ok("4")), {Pause(100)}, Answer(Ok("5"))})},
      good_);
  for (const char* body : {"1", "2", "3"}) {
    const FetchResult r = client_.Get(server.Url("/"));
    EXPECT_EQ(r.body, body) << r.error;
  }
  EXPECT_FALSE(client_.connected());
  EXPECT_EQ(client_.Get(server.Url("/")).body, "4");
  // Idle past the server's session tickets: still the same connection.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(client_.Get(server.Url("/")).body, "5");
  EXPECT_EQ(server.connections(), 2);
  EXPECT_EQ(server.resumed_sessions(), 1);
}

TEST_F(TlsTest, HousekeepingWhileIdleKeepsTheConnectionUnaskedDataDoesNot) {
  // The pauses outlast a delayed acknowledgement, so that the tickets come
  // apart from the answer before them.
  ScriptedServer server({Concat({Answer(Ok("1")),
                                 {Pause(200), Ticket(), Ticket()},
                                 Answer(Ok("2")),
                                 {Pause(200), Send("unasked")}}),
                         Answer(Ok("3"))},
                        good_);
  EXPECT_EQ(client_.Get(server.Url("/")).body, "1");
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(client_.Get(server.Url("/")).body, "2");
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(client_.Get(server.Url("/")).body, "3");
  EXPECT_EQ(server.connections(), 2);
}

TEST_F(TlsTest, MovingBetweenPlainAndTlsOpensAFreshConnection) {
  ScriptedServer tls({Answer(Ok("secure")), Answer(Ok("secure again"))}, good_);
  ScriptedServer plain({Answer(Ok("plain"))});
  EXPECT_EQ(client_.Get(tls.Url("/")).body, "secure");
  EXPECT_EQ(client_.Get(plain.Url("/")).body, "plain");
  EXPECT_EQ(client_.Get(tls.Url("/")).body, "secure again");
  // The TLS connection was given up for the plain one.
  EXPECT_EQ(tls.connections(), 2);
}

TEST_F(TlsTest, CertificatesThatDoNotVerifyFailWithTheirReason) {
  TestCa stranger("Some Other CA");
  const TestCa::Issued foreign = stranger.Issue("foreign", "DNS:localhost,IP:127.0.0.1");
  struct Case {
    ServerCertificate certificate;
    bool by_name;
    std::string error;
  } cases[] = {
      {Issue("DNS:other.example"), true,
       "Certificate verification failed: the certificate is not valid for localhost."},
      {Issue("DNS:localhost"), false,
       "Certificate verification failed: the certificate is not valid for 127.0.0.1."},
      // A wildcard covers one whole label only.
      {Issue("DNS:*host"), true,
       "Certificate verification failed: the certificate is not valid for localhost."},
      {Issue("DNS:localhost,IP:127.0.0.1", -30, -1), true,
       "Certificate verification failed: the certificate has expired."},
      {Issue("DNS:localhost,IP:127.0.0.1", 2, 30), false,
       "Certificate verification failed: the certificate is not yet valid."},
      {ServerCertificate{foreign.cert_file, foreign.key_file}, true,
       "Certificate verification failed: the certificate is not signed by a trusted "
       "authority."},
  };
  for (const Case& c : cases) {
    ScriptedServer server({Answer(Ok("never"))}, c.certificate);
    const FetchResult r = client_.Get(c.by_name ? LocalhostUrl(server, "/") : server.Url("/"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_FALSE(client_.connected());
    EXPECT_TRUE(server.requests().empty()) << "a request went to an unverified server";
  }
}

TEST_F(TlsTest, TrustComesFromTheSystemUnlessSet) {
  ScriptedServer server({Answer(Ok("a")), Answer(Ok("b"))}, good_);
  HttpClient system_trust;
  EXPECT_EQ(system_trust.Get(server.Url("/")).error,
            "Certificate verification failed: the certificate is not signed by a trusted "
            "authority.");
  // A folder of hashed certificates serves as well as a file.
  const std::string dir = ca_.dir() + "/hashed";
  ASSERT_EQ(std::system(("mkdir -p " + dir + " && cp " + ca_.ca_file() + " " + dir +
                         " && openssl rehash " + dir + " 2>/dev/null")
                            .c_str()),
            0);
  system_trust.SetTrust(TlsTrust{"", dir});
  const FetchResult r = system_trust.Get(server.Url("/"));
  EXPECT_TRUE(r.ok) << r.error;

  HttpClient broken;
  broken.SetTrust(TlsTrust{"/nonexistent/ca.pem", ""});
  EXPECT_EQ(broken.Get(server.Url("/")).error,
            "Trusted certificates could not be loaded: /nonexistent/ca.pem");
}

TEST_F(TlsTest, ServersThatDoNotSpeakTlsFailTheHandshake) {
  // One answers the hello with plain HTTP, one just closes.
  ScriptedServer plain({{Send("HTTP/1.1 400 Bad Request\r\n\r\n"), Close()}, {Close()}});
  const std::string url = "https://127.0.0.1:" + std::to_string(plain.port()) + "/";
  FetchResult r = client_.Get(url);
  EXPECT_EQ(r.error.rfind("TLS handshake failed: ", 0), 0u) << r.error;
  r = client_.Get(url);
  EXPECT_EQ(r.error.rfind("TLS handshake failed: ", 0), 0u) << r.error;
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

TEST_F(TlsTest, TimeOutsAndStopsWorkAsOverTcp) {
  // A server that accepts and never answers the handshake.
  ScriptedServer silent({{Hold()}, {Hold()}});
  const std::string silent_url = "https://127.0.0.1:" + std::to_string(silent.port()) + "/";
  client_.SetReadTimeout(100);
  EXPECT_EQ(client_.Get(silent_url).error, "Connect timed out.");
  client_.SetReadTimeout(kPatientMs);
  FetchResult r =
      GetWhileStopping(client_, silent_url, [&silent] { return silent.connections() >= 2; });
  EXPECT_TRUE(r.stopped) << r.error;
  client_.ClearStop();

  ScriptedServer server(
      {{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"), Pause(1000),
        Send("defghij" + Ok("stale")), Hold()},
       {ReadRequest(), Hold()},
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n"), Reset()},
       Answer(Ok("fresh"))},
      good_);
  client_.SetReadTimeout(100);
  EXPECT_EQ(client_.Get(server.Url("/")).error, "Read Timeout");
  EXPECT_FALSE(client_.connected());
  client_.SetReadTimeout(kPatientMs);
  r = GetWhileStopping(client_, server.Url("/stall"),
                       [&server] { return server.requests().size() >= 2; });
  EXPECT_TRUE(r.stopped) << r.error;
  EXPECT_FALSE(client_.connected());
  client_.ClearStop();
  EXPECT_EQ(client_.Get(server.Url("/")).error,
            "Socket Error # " + std::to_string(ECONNRESET) + "\r\n" + std::strerror(ECONNRESET));
  EXPECT_EQ(client_.Get(server.Url("/")).body, "fresh");
  EXPECT_EQ(server.connections(), 4);
}

TEST_F(TlsTest, SecureCookiesGoOnlyOverTls) {
  ScriptedServer tls({Concat({Answer(Ok("set",
                                        "Set-Cookie: s=1; Path=/; Secure\r\n"
                                        "Set-Cookie: p=2; Path=/\r\n")),
                              Answer(Ok("again"))})},
                     good_);
  ScriptedServer plain({Answer(Ok("plain"))});
  EXPECT_TRUE(client_.Get(tls.Url("/")).ok);
  EXPECT_TRUE(client_.Get(tls.Url("/")).ok);
  EXPECT_TRUE(client_.Get(plain.Url("/")).ok);
  ASSERT_EQ(tls.requests().size(), 2u);
  EXPECT_NE(tls.requests()[1].find("\r\nCookie: s=1; p=2\r\n"), std::string::npos);
  ASSERT_EQ(plain.requests().size(), 1u);
  EXPECT_NE(plain.requests()[0].find("\r\nCookie: p=2\r\n"), std::string::npos);
}

}  // namespace
}  // namespace duvra
