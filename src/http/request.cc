#include "http/request.h"

#include "base/ascii.h"
#include "http/http_text.h"

namespace duvra {
namespace {

bool IsFoldPoint(char c) { return c == ' ' || c == '\t' || c == ','; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && http_text::IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && http_text::IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// The piece that a fold at position i of rest leaves on the current line:
// a comma stays with it, a blank goes.
std::string_view PieceBefore(std::string_view rest, size_t i) {
  return TrimRight(rest.substr(0, rest[i] == ',' ? i + 1 : i));
}

void AppendHeader(std::string* out, std::string_view name, std::string_view value, bool fold) {
  const std::string safe = SafeHeaderValue(value);
  if (fold) {
    out->append(FoldHeaderLine(name, safe));
  } else {
    out->append(name).append(": ").append(safe);
  }
  out->append("\r\n");
}

}  // namespace

std::string FoldHeaderLine(std::string_view name, std::string_view value) {
  const std::string line = std::string(name) + ": " + std::string(value);
  if (line.size() <= kFoldWidth) return line;

  std::string out;
  std::string_view rest = line;
  // The first fold may not fall inside "name: ".
  size_t first_allowed = name.size() + 2;
  size_t indent = 0;
  for (;;) {
    if (indent + rest.size() <= kFoldWidth) break;
    size_t best = std::string_view::npos;
    for (size_t i = first_allowed; i < rest.size(); ++i) {
      if (!IsFoldPoint(rest[i])) continue;
      const size_t length = indent + PieceBefore(rest, i).size();
      // Past the width: take the last fitting point, or this one if none fit.
      if (length > kFoldWidth) {
        if (best == std::string_view::npos) best = i;
        break;
      }
      best = i;
    }
    if (best == std::string_view::npos) break;
    const std::string_view piece = PieceBefore(rest, best);
    const std::string_view next = TrimLeft(rest.substr(best + 1));
    if (piece.empty() || next.empty()) break;
    out.append(piece);
    out.append("\r\n ");
    rest = next;
    indent = 1;
    first_allowed = 1;
  }
  out.append(rest);
  return out;
}

std::string SafeHeaderValue(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

namespace {

// RFC 3986's unreserved and sub-delims characters, and ":@/?" of the path
// and query: what a request target may carry as it is.
bool AllowedInTarget(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~!$&'()*+,;=:@/?").find(c) != std::string_view::npos;
}

}  // namespace

std::string SafeTarget(std::string_view target) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(target.size());
  for (size_t i = 0; i < target.size(); ++i) {
    const char c = target[i];
    // An escape already made stays as it is, so nothing is encoded twice.
    const bool escape = c == '%' && i + 2 < target.size() && AsciiHexValue(target[i + 1]) >= 0 &&
                        AsciiHexValue(target[i + 2]) >= 0;
    if (AllowedInTarget(c) || escape) {
      out.push_back(c);
    } else {
      const auto b = static_cast<unsigned char>(c);
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

std::string BuildRequest(const Address& address, std::string_view user_agent,
                         std::string_view accept, std::string_view cookie_line, bool fold) {
  std::string out;
  out.reserve(256 + address.target.size() + user_agent.size() + cookie_line.size());
  out.append("GET ").append(SafeTarget(address.target)).append(" HTTP/").append(kHttpVersion);
  out.append("\r\n");
  AppendHeader(&out, "Content-Type", kRequestContentType, fold);
  std::string host = address.host;
  if (address.port != (IsHttps(address) ? kDefaultHttpsPort : kDefaultHttpPort))
    host += ":" + std::to_string(address.port);
  AppendHeader(&out, "Host", host, fold);
  if (!accept.empty()) AppendHeader(&out, "Accept", accept, fold);
  if (!user_agent.empty()) AppendHeader(&out, "User-Agent", user_agent, fold);
  if (!cookie_line.empty()) AppendHeader(&out, "Cookie", cookie_line, fold);
  out.append("\r\n");
  return out;
}

}  // namespace duvra
