#include "database/address_conversion.h"

#include "base/address_scheme.h"
#include "database/record_line.h"

namespace duvra {

namespace {

constexpr std::string_view kHttp = "http://";

// Schemes whose addresses do not go on with "//".
constexpr std::string_view kSchemesWithoutSlashes[] = {
    "mailto:", "tel:", "javascript:", "data:", "file:"};

// True when the URL starts with a scheme, which Absolute leaves alone: a
// scheme followed by "//" ("https://", "ftp://") or one of the schemes that
// never have it. A host and port ("localhost:8080/a") is no scheme.
bool HasScheme(std::string_view url) {
  if (StartsWithScheme(url)) return true;
  for (std::string_view scheme : kSchemesWithoutSlashes) {
    if (StartsWithIgnoreCase(url, scheme)) return true;
  }
  return false;
}

struct SplitLine {
  std::string_view num, title, url, tail;
};

SplitLine Split(std::string_view line) {
  SplitLine s;
  size_t a = line.find('^');
  if (a == std::string_view::npos) {
    s.title = line;  // a line without "^" is all Title, as renumbering makes it
    return s;
  }
  s.num = line.substr(0, a);
  size_t b = line.find('^', a + 1);
  if (b == std::string_view::npos) {
    s.title = line.substr(a + 1);
    return s;
  }
  s.title = line.substr(a + 1, b - a - 1);
  size_t c = line.find('^', b + 1);
  if (c == std::string_view::npos) {
    s.url = line.substr(b + 1);
    return s;
  }
  s.url = line.substr(b + 1, c - b - 1);
  s.tail = line.substr(c);
  return s;
}

template <typename Convert>
void ConvertSelected(Database& db, Convert convert) {
  const std::string base = ConversionBase(db.settings.site_address);
  for (size_t i = 0; i < db.records.size(); ++i) {
    if (!db.records.selected(i)) continue;
    SplitLine s = Split(db.records.line(i));
    std::string line = std::to_string(i);
    line.append(1, '^').append(s.title).append(1, '^').append(convert(s.url, base)).append(s.tail);
    db.records.SetLine(i, std::move(line));
    db.dirty = true;
  }
}

}  // namespace

std::string ConversionBase(std::string_view site_address) {
  // Sites served over HTTPS are typed with their scheme; only a bare host
  // and path get the plain-HTTP one.
  if (StartsWithScheme(site_address)) return std::string(site_address);
  return std::string(kHttp) + std::string(site_address);
}

std::string AbsoluteUrl(std::string_view url, std::string_view base) {
  if (url.find(kHttp) != std::string_view::npos || HasScheme(url)) return std::string(url);
  std::string out(base);
  size_t slash = url.find('/');
  if (slash == std::string_view::npos) {
    out.append(1, '/').append(url);
  } else {
    out.append(url.substr(slash));
  }
  if (out.size() == base.size() + 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string LocalUrl(std::string_view url, std::string_view base) {
  if (url.substr(0, base.size()) != base) return std::string(url);
  std::string rest(url.substr(base.size()));
  return rest.empty() ? "/" : rest;
}

void TBXAddressEditChange(Database& db, ViewState* vs, std::string_view text) {
  vs->Enable(Command::kIndex, true);
  db.settings.site_address = SafeField(text);
  db.dirty = true;
}

void TBXAbsoluteClick(Database& db) { ConvertSelected(db, AbsoluteUrl); }
void TBXLocalClick(Database& db) { ConvertSelected(db, LocalUrl); }

}  // namespace duvra
