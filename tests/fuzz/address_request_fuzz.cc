// Addresses as a page's links make them, and the request built for them.
// The input is the address, then (after a NUL) the user agent and (after
// another) the cookie line. Properties: a parsed address has a target that
// starts with "/" and holds no fragment, a port in range, and parses the
// same when written out again; the request is CR LF lines only, its request
// line names the target, and its one empty line is the last, so no input
// can add a header or end the request early; folding changes only blanks
// and line breaks (requests are built both ways).
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "http/address.h"
#include "http/request.h"

namespace duvra {
namespace {

// The request cut at CR LF; false when a CR or LF stands alone.
bool SplitCrLf(std::string_view request, std::vector<std::string_view>* lines) {
  size_t from = 0;
  while (from < request.size()) {
    const size_t at = request.find("\r\n", from);
    if (at == std::string_view::npos) return false;
    const std::string_view line = request.substr(from, at - from);
    if (line.find_first_of("\r\n") != std::string_view::npos) return false;
    lines->push_back(line);
    from = at + 2;
  }
  return true;
}

std::string WithoutBlanks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

void CheckAddress(const Address& a) {
  FUZZ_CHECK(!a.target.empty() && a.target.front() == '/');
  FUZZ_CHECK(a.target.find('#') == std::string::npos);
  FUZZ_CHECK(a.target.find('\\') == std::string::npos);
  FUZZ_CHECK(a.port >= 1 && a.port <= 65535);
  FUZZ_CHECK(a.host.find_first_of("/?#@\\") == std::string::npos);
  if (a.host.find_first_of("[]:") != std::string::npos) return;
  const std::string written = a.scheme + "://" + a.host + ":" + std::to_string(a.port) + a.target;
  const ParsedAddress parsed = ParseAddress(written);
  FUZZ_CHECK(parsed.ok());
  const Address& again = parsed.address();
  FUZZ_CHECK(again.scheme == a.scheme && again.host == a.host && again.port == a.port &&
             again.target == a.target);
}

void CheckRequest(const Address& a, std::string_view user_agent, std::string_view cookies) {
  const std::string plain = BuildRequest(a, user_agent, kDefaultAccept, cookies, false);
  std::vector<std::string_view> lines;
  FUZZ_CHECK(SplitCrLf(plain, &lines));
  FUZZ_CHECK(lines.size() >= 4 && lines.back().empty());
  FUZZ_CHECK(lines[0] == "GET " + SafeTarget(a.target) + " HTTP/1.1");
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    FUZZ_CHECK(!lines[i].empty());
    const std::string_view name = lines[i].substr(0, lines[i].find(": "));
    FUZZ_CHECK(name == "Content-Type" || name == "Host" || name == "Accept" ||
               name == "User-Agent" || name == "Cookie");
  }
  FUZZ_CHECK(lines.size() == 5u + !user_agent.empty() + !cookies.empty());

  const std::string folded = BuildRequest(a, user_agent, kDefaultAccept, cookies, true);
  std::vector<std::string_view> folded_lines;
  FUZZ_CHECK(SplitCrLf(folded, &folded_lines));
  FUZZ_CHECK(folded_lines.back().empty() && folded_lines[0] == lines[0]);
  for (size_t i = 1; i + 1 < folded_lines.size(); ++i) FUZZ_CHECK(!folded_lines[i].empty());
  FUZZ_CHECK(WithoutBlanks(folded) == WithoutBlanks(plain));
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const std::string_view text = in.Part();
  const std::string_view user_agent = in.Part();
  const std::string_view cookies = in.Rest();
  const ParsedAddress parsed = ParseAddress(text);
  Address address;
  if (!parsed.ok()) {
    const Failure& f = parsed.failure();
    FUZZ_CHECK(f.kind == FailureKind::kUnknownProtocol || f.kind == FailureKind::kBadAddress);
    // The request is built from whatever a caller holds; it must stay sound.
    address = Address{};
    address.host = std::string(text);
    address.target = "/" + std::string(text);
  } else {
    address = parsed.address();
    CheckAddress(address);
  }
  CheckRequest(address, user_agent, cookies);
  return 0;
}
