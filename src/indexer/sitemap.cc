#include "indexer/sitemap.h"

#include <unordered_set>

#include "base/ascii.h"
#include "base/status.h"
#include "database/text_encoding.h"
#include "indexer/link_discovery.h"
#include "indexer/robots_txt.h"

namespace duvra {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// A <loc> is an address, which the protocol bounds to 2,048 characters;
// anything far longer is not one and is not kept whole.
constexpr size_t kMaxLocationBytes = 64 * 1024;
// Element depth of a page's <loc>: urlset > url > loc (sitemapindex >
// sitemap > loc). Deeper ones (an image's <image:loc>) are not pages.
constexpr size_t kLocDepth = 3;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) { return TrimIf(s, IsXmlSpace); }

// The local name of a tag's name: what follows a namespace prefix.
std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The end of the tag that starts at `open` ("<"): the position after its
// ">", quotes in attribute values respected; npos when it does not end.
size_t TagEnd(std::string_view xml, size_t open) {
  char quote = 0;
  for (size_t i = open + 1; i < xml.size(); ++i) {
    const char c = xml[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

bool ParseNumber(std::string_view digits, int base, uint32_t* value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  for (char c : digits) {
    const int d = AsciiHexValue(c);
    if (d < 0 || d >= base) return false;
    v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
  }
  *value = v;
  return true;
}

}  // namespace

std::string DecodeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out.push_back(text[i]);
      continue;
    }
    const size_t semi = text.find(';', i + 1);
    // References are short; a far ";" belongs to something else.
    if (semi == std::string_view::npos || semi - i > 12) {
      out.push_back('&');
      continue;
    }
    const std::string_view name = text.substr(i + 1, semi - i - 1);
    std::string_view replacement;
    uint32_t code = 0;
    if (name == "amp")
      replacement = "&";
    else if (name == "lt")
      replacement = "<";
    else if (name == "gt")
      replacement = ">";
    else if (name == "quot")
      replacement = "\"";
    else if (name == "apos")
      replacement = "'";
    if (!replacement.empty()) {
      out += replacement;
      i = semi;
    } else if (name.size() > 1 && name[0] == '#' &&
               ((AsciiLower(name[1]) == 'x' && ParseNumber(name.substr(2), 16, &code)) ||
                (AsciiLower(name[1]) != 'x' && ParseNumber(name.substr(1), 10, &code))) &&
               code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
      AppendUtf8(out, static_cast<char32_t>(code));
      i = semi;
    } else {
      out.push_back('&');
    }
  }
  return out;
}

SitemapDocument ParseSitemap(std::string_view xml) {
  SitemapDocument doc;
  if (xml.starts_with(kUtf8ByteOrderMark)) xml.remove_prefix(kUtf8ByteOrderMark.size());
  std::vector<std::string_view> open;  // local names of the open elements
  std::string loc;                     // the <loc> being read
  bool in_loc = false;
  size_t pos = 0;
  while (pos < xml.size()) {
    const size_t lt = xml.find('<', pos);
    const size_t text_end = lt == std::string_view::npos ? xml.size() : lt;
    if (in_loc && loc.size() < kMaxLocationBytes) {
      loc += DecodeXmlText(xml.substr(pos, text_end - pos));
    }
    if (lt == std::string_view::npos) break;
    const std::string_view at = xml.substr(lt);
    if (at.starts_with("<!--")) {
      const size_t end = xml.find("-->", lt + 4);
      pos = end == std::string_view::npos ? xml.size() : end + 3;
      continue;
    }
    if (at.starts_with("<![CDATA[")) {
      const size_t end = xml.find("]]>", lt + 9);
      const size_t stop = end == std::string_view::npos ? xml.size() : end;
      if (in_loc && loc.size() < kMaxLocationBytes) loc += xml.substr(lt + 9, stop - lt - 9);
      pos = end == std::string_view::npos ? xml.size() : end + 3;
      continue;
    }
    if (at.starts_with("<?")) {
      const size_t end = xml.find("?>", lt + 2);
      pos = end == std::string_view::npos ? xml.size() : end + 2;
      continue;
    }
    if (at.starts_with("<!")) {
      // A document type, with or without an internal subset.
      const size_t bracket = xml.find('[', lt);
      const size_t gt = xml.find('>', lt);
      size_t end = gt;
      if (bracket != std::string_view::npos && bracket < gt) {
        const size_t close = xml.find("]>", bracket);
        end = close == std::string_view::npos ? close : close + 1;
      }
      pos = end == std::string_view::npos ? xml.size() : end + 1;
      continue;
    }
    const size_t end = TagEnd(xml, lt);
    if (end == std::string_view::npos) break;
    std::string_view tag = xml.substr(lt + 1, end - lt - 2);
    pos = end;
    const bool closing = tag.starts_with('/');
    if (closing) tag.remove_prefix(1);
    const bool empty_element = !closing && tag.ends_with('/');
    size_t name_end = 0;
    while (name_end < tag.size() && !IsXmlSpace(tag[name_end]) && tag[name_end] != '/') {
      ++name_end;
    }
    const std::string_view name = LocalName(tag.substr(0, name_end));
    if (closing) {
      if (in_loc && open.size() == kLocDepth && name == "loc") {
        const std::string_view value = Trim(loc);
        if (!value.empty()) doc.locations.emplace_back(value);
        in_loc = false;
      }
      if (!open.empty() && open.back() == name) open.pop_back();
      continue;
    }
    if (open.empty() && doc.kind == SitemapDocument::kNone) {
      if (name == "urlset") {
        doc.kind = SitemapDocument::kUrlSet;
      } else if (name == "sitemapindex") {
        doc.kind = SitemapDocument::kIndex;
      } else {
        return doc;  // another document
      }
    }
    if (empty_element) continue;
    open.push_back(name);
    const std::string_view item = doc.kind == SitemapDocument::kIndex ? "sitemap" : "url";
    if (open.size() == kLocDepth && name == "loc" && open[1] == item) {
      in_loc = true;
      loc.clear();
    }
  }
  return doc;
}

std::string LoweredOrigin(std::string_view address) { return LowerAscii(OriginOf(address)); }

std::vector<std::string> RobotsTxtSitemaps(std::string_view robots_txt) {
  std::vector<std::string> sitemaps;
  while (!robots_txt.empty()) {
    const size_t end = std::min(robots_txt.find_first_of("\r\n"), robots_txt.size());
    std::string_view line = robots_txt.substr(0, end);
    robots_txt.remove_prefix(std::min(end + 1, robots_txt.size()));
    line = line.substr(0, line.find('#'));
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (LowerAscii(Trim(line.substr(0, colon))) != "sitemap") continue;
    // The value is an absolute address, which holds ":" itself.
    const std::string_view value = Trim(line.substr(colon + 1));
    if (!value.empty()) sitemaps.emplace_back(value);
  }
  return sitemaps;
}

bool ReadSitemaps(PageFetcher& fetcher, const std::vector<std::string>& addresses,
                  const std::string& origin, const SitemapReadOptions& options,
                  const std::function<bool(const std::string&, const std::string&)>& on_page,
                  const std::function<void(const std::string&)>& on_line) {
  std::unordered_set<std::string> seen;
  uint64_t used = 0;
  bool full = false;

  // Reads one sitemap into *doc; false when a stop request came.
  auto read = [&](const std::string& address, SitemapDocument* doc) {
    *doc = SitemapDocument{};
    if (seen.size() >= kMaxSitemapReads || !seen.insert(address).second) return true;
    if (used >= options.max_bytes) {
      on_line(FormatMessage(kSitemapTooLarge, {address}));
      return true;
    }
    if (options.delay_ms > 0 && !fetcher.SleepUnlessStopped(options.delay_ms)) return false;
    const FetchResult r = fetcher.GetAtMost(address, options.max_bytes - used);
    if (r.stopped) return false;
    if (r.too_large || (r.ok && r.body.size() > options.max_bytes - used)) {
      used = options.max_bytes;
      on_line(FormatMessage(kSitemapTooLarge, {address}));
      return true;
    }
    if (!r.ok) return true;  // most sites have none; nothing to tell
    used += r.body.size();
    *doc = ParseSitemap(r.body);
    if (doc->kind == SitemapDocument::kNone) on_line(FormatMessage(kNotASitemap, {address}));
    return true;
  };
  auto take_pages = [&](const std::string& sitemap, const SitemapDocument& doc) {
    on_line(FormatMessage(kSitemapLists, {sitemap, std::to_string(doc.locations.size())}));
    for (const std::string& loc : doc.locations) {
      if (!on_page(sitemap, loc)) {
        full = true;
        return;
      }
    }
  };

  for (const std::string& address : addresses) {
    SitemapDocument doc;
    if (!read(address, &doc)) return false;
    if (doc.kind == SitemapDocument::kUrlSet) take_pages(address, doc);
    if (doc.kind == SitemapDocument::kIndex) {
      on_line(FormatMessage(kSitemapIndexLists, {address, std::to_string(doc.locations.size())}));
      for (const std::string& child : doc.locations) {
        if (full) break;
        // Only sitemaps of the site's own origin; one level down only.
        if (LoweredOrigin(child) != LoweredOrigin(origin)) continue;
        SitemapDocument child_doc;
        if (!read(child, &child_doc)) return false;
        if (child_doc.kind == SitemapDocument::kUrlSet) take_pages(child, child_doc);
      }
    }
    if (full) break;
  }
  return true;
}

}  // namespace duvra
