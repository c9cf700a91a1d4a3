#include "http/request.h"

#include <gtest/gtest.h>

#include <sstream>

namespace duvra {
namespace {

Address At(std::string host, int port, std::string target) {
  return Address{"http", std::move(host), port, std::move(target)};
}

TEST(RequestTest, HeadersComeInTheFixedOrder) {
  EXPECT_EQ(
      BuildRequest(At("example.com", 80, "/a?b=c"), "Bot/1", kDefaultAccept, "s=1; t=2", false),
      "GET /a?b=c HTTP/1.1\r\n"
      "Content-Type: text/html\r\n"
      "Host: example.com\r\n"
      "Accept: text/html, */*\r\n"
      "User-Agent: Bot/1\r\n"
      "Cookie: s=1; t=2\r\n"
      "\r\n");
}

TEST(RequestTest, HostNamesPortOtherThan80AndEmptyLinesAreLeftOut) {
  EXPECT_EQ(BuildRequest(At("example.com", 8080, "/"), "", kDefaultAccept, "", false),
            "GET / HTTP/1.1\r\n"
            "Content-Type: text/html\r\n"
            "Host: example.com:8080\r\n"
            "Accept: text/html, */*\r\n"
            "\r\n");
}

TEST(RequestTest, HttpsLeavesOut443AndKeeps80) {
  const auto host_line = [](int port) {
    const std::string r =
        BuildRequest(Address{"https", "example.com", port, "/"}, "", "", "", false);
    const size_t at = r.find("Host: ");
    return r.substr(at, r.find("\r\n", at) - at);
  };
  EXPECT_EQ(host_line(443), "Host: example.com");
  EXPECT_EQ(host_line(80), "Host: example.com:80");
  EXPECT_EQ(host_line(8443), "Host: example.com:8443");
}

TEST(RequestTest, CrLfAndNulAreNeverSentRaw) {
  const std::string request =
      BuildRequest(At("h", 80, std::string("/a\r\nX-Evil: 1\0", 14)), "UA\r\nX-Evil: 2",
                   kDefaultAccept, "c=v\nX-Evil: 3", true);
  EXPECT_EQ(request.find("\nX-Evil"), std::string::npos);
  EXPECT_EQ(request.find('\0'), std::string::npos);
  EXPECT_NE(request.find("GET /a%0D%0AX-Evil:%201%00 HTTP/1.1\r\n"), std::string::npos);
  EXPECT_NE(request.find("User-Agent: UA  X-Evil: 2\r\n"), std::string::npos);
  // Only the block's own line ends remain: request line, 5 headers, blank.
  size_t crlf = 0;
  for (size_t at = request.find("\r\n"); at != std::string::npos;
       at = request.find("\r\n", at + 2)) {
    ++crlf;
  }
  EXPECT_EQ(crlf, 7u);
}

TEST(RequestTest, TargetsCarryOnlyBytesTheRfcAllows) {
  // Every byte value, alone and after a "%": what is sent is the RFC's
  // character set, and decoding it gives back the input (escapes already
  // made are kept, so "%41" stays "%41" rather than becoming "%2541").
  const std::string allowed =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~!$&'()*+,;=:@/?%";
  auto decode = [](const std::string& t) {
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '%' && i + 2 < t.size()) {
        out.push_back(static_cast<char>(std::stoi(t.substr(i + 1, 2), nullptr, 16)));
        i += 2;
      } else {
        out.push_back(t[i]);
      }
    }
    return out;
  };
  for (int b = 0; b < 256; ++b) {
    const std::string raw = "/p" + std::string(1, static_cast<char>(b)) + "q";
    const std::string safe = SafeTarget(raw);
    EXPECT_EQ(safe.find_first_not_of(allowed), std::string::npos) << b;
    EXPECT_EQ(decode(safe), raw) << b;
    EXPECT_EQ(SafeTarget(safe), safe) << b;  // never encoded twice
  }
  EXPECT_EQ(SafeTarget("/my page.html?q=a b"), "/my%20page.html?q=a%20b");
  EXPECT_EQ(SafeTarget("/caf\xc3\xa9%20x%zz%4"), "/caf%C3%A9%20x%25zz%254");
  EXPECT_EQ(SafeTarget("/o'brien.html"), "/o'brien.html");
}

TEST(RequestTest, LongHeaderLinesFoldWithinTheWidth) {
  const std::string agent =
      "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/120.0.0.0 Safari/537.36";
  const std::string folded = FoldHeaderLine("User-Agent", agent);
  std::istringstream lines(folded);
  std::string line, unfolded;
  int count = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    EXPECT_LE(line.size(), kFoldWidth) << line;
    EXPECT_NE(line.back(), ' ');
    if (count++ > 0) {
      ASSERT_EQ(line[0], ' ');
      EXPECT_NE(line[1], ' ');
    }
    unfolded += line;
  }
  EXPECT_GE(count, 2);
  EXPECT_EQ(unfolded, "User-Agent: " + agent);
  EXPECT_EQ(folded.substr(0, 13), "User-Agent: M");
}

TEST(RequestTest, LongLinesFoldOnlyWhenAsked) {
  const std::string agent(40, 'a');
  const std::string long_agent = agent + " " + agent;
  const Address a = At("h", 80, "/");
  EXPECT_NE(BuildRequest(a, long_agent, kDefaultAccept, "", false)
                .find("\r\nUser-Agent: " + long_agent + "\r\n"),
            std::string::npos);
  EXPECT_NE(BuildRequest(a, long_agent, kDefaultAccept, "", true)
                .find("\r\nUser-Agent: " + agent + "\r\n " + agent + "\r\n"),
            std::string::npos);
}

TEST(RequestTest, FoldingKeepsCommasAndGivesUpOnUnbreakableText) {
  const std::string value = std::string(70, 'a') + "," + std::string(20, 'b');
  EXPECT_EQ(FoldHeaderLine("Cookie", value),
            "Cookie: " + std::string(70, 'a') + ",\r\n " + std::string(20, 'b'));
  const std::string solid(100, 'x');
  EXPECT_EQ(FoldHeaderLine("Cookie", solid), "Cookie: " + solid);
  // No room before the first blank: fold at the first blank there is.
  const std::string late = std::string(90, 'y') + " z";
  EXPECT_EQ(FoldHeaderLine("X", late), "X: " + std::string(90, 'y') + "\r\n z");
}

}  // namespace
}  // namespace duvra
