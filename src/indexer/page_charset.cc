#include "indexer/page_charset.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "database/text_encoding.h"
#include "http/http_text.h"
#include "indexer/link_discovery.h"

namespace duvra {
namespace {

// The value after "charset=" in text (already lowered), without quotes.
std::string CharsetAfter(std::string_view lowered) {
  const size_t at = lowered.find("charset=");
  if (at == std::string_view::npos) return {};
  std::string_view rest = lowered.substr(at + 8);
  while (!rest.empty() && (rest.front() == '"' || rest.front() == '\'' || rest.front() == ' ')) {
    rest.remove_prefix(1);
  }
  const size_t end = std::min(rest.find_first_of("\"'; \t\r\n/>,"), rest.size());
  return std::string(rest.substr(0, end));
}

bool IsWindows1252Label(std::string_view label) {
  static constexpr std::string_view kLabels[] = {
      "windows-1252", "cp1252",     "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1",
      "latin1",       "iso-ir-100", "l1",       "us-ascii",   "ascii",     "cp819"};
  return std::find(std::begin(kLabels), std::end(kLabels), label) != std::end(kLabels);
}

bool IsUtf8Label(std::string_view label) { return label == "utf-8" || label == "utf8"; }

// Through iconv; false when it does not know the charset.
bool IconvToUtf8(const std::string& label, std::string_view bytes, std::string* out) {
  iconv_t cd = ::iconv_open("UTF-8", label.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->clear();
  out->reserve(bytes.size() + bytes.size() / 2);
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char buffer[4096];
  while (in_left > 0) {
    char* o = buffer;
    size_t o_left = sizeof buffer;
    const size_t r = ::iconv(cd, &in, &in_left, &o, &o_left);
    out->append(buffer, static_cast<size_t>(o - buffer));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An invalid or cut sequence: one replacement, then on past one byte.
    AppendUtf8(*out, U'\uFFFD');
    ++in;
    --in_left;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(cd);
  return true;
}

}  // namespace

bool IsHtmlResponse(std::string_view content_type, std::string_view body) {
  std::string type = LowerAscii(http_text::Trim(content_type.substr(0, content_type.find(';'))));
  if (http_text::Trim(content_type).empty()) {
    return body.substr(0, kSniffLength).find('\0') == std::string_view::npos;
  }
  return type == "text/html" || type == "application/xhtml+xml";
}

std::string DeclaredCharset(std::string_view content_type, std::string_view body) {
  if (std::string label = CharsetAfter(LowerAscii(content_type)); !label.empty()) return label;
  if (body.starts_with("\xEF\xBB\xBF")) return "utf-8";
  if (body.starts_with("\xFF\xFE")) return "utf-16le";
  if (body.starts_with("\xFE\xFF")) return "utf-16be";
  // "<meta charset=x>" and "<meta http-equiv=... content="text/html; charset=x">"
  // both put the name after "charset=".
  const std::string head = LowerAscii(body.substr(0, kSniffLength));
  for (size_t meta = head.find("<meta"); meta != std::string::npos;
       meta = head.find("<meta", meta + 5)) {
    const size_t end = head.find('>', meta);
    const std::string_view tag = std::string_view(head).substr(
        meta, end == std::string::npos ? std::string::npos : end - meta);
    if (std::string label = CharsetAfter(tag); !label.empty()) return label;
  }
  return {};
}

std::string DecodePage(std::string_view content_type, std::string_view body) {
  const std::string label = DeclaredCharset(content_type, body);
  if (body.starts_with("\xEF\xBB\xBF") && IsUtf8Label(label)) body.remove_prefix(3);
  if (label.empty() || IsUtf8Label(label)) return ToUtf8(body);
  if (IsWindows1252Label(label)) return Windows1252ToUtf8(body);
  std::string out;
  if (!IconvToUtf8(label, body, &out)) return Windows1252ToUtf8(body);
  // A byte-order mark decodes to U+FEFF at the start; it is not text.
  if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
  return out;
}

}  // namespace duvra
