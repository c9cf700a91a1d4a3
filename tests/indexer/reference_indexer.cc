#include "reference_indexer.h"

#include <algorithm>

#include "indexer/page_charset.h"

namespace duvra::reference {
namespace {

constexpr size_t npos = std::string::npos;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

bool EndsWith(const std::string& s, const std::string& e) {
  return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

bool BeginsWith(const std::string& s, const std::string& b) {
  return s.compare(0, b.size(), b) == 0;
}

void EraseAll(std::string& s, char c) {
  size_t p;
  while ((p = s.find(c)) != npos) s.erase(p, 1);
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  size_t p;
  while ((p = s.find(from)) != npos) s.replace(p, from.size(), to);
}

const std::vector<std::string> kExtensions = {".htm", ".asp",  ".php", ".pl",
                                              ".jsp", ".mspx", ".cgi"};
const std::vector<std::string> kSkip4 = {".gif", ".png", ".jpg", ".pdf", ".doc", ".zip",
                                         ".css", ".exe", ".rar", ".mp3", ".mpg", ".avi"};
const std::vector<std::string> kSkip5 = {".ping", ".jpeg", ".mpeg"};

// Where the path begins: after "scheme://host[:port]".
size_t PathStart(const std::string& a) {
  size_t mark = a.find("://");
  if (mark == npos) return 0;
  size_t p = a.find_first_of("/?#", mark + 3);
  return p == npos ? a.size() : p;
}

// The extension test looks at what follows the host, never at the host.
bool HasExtension(const std::string& lowered) {
  const std::string rest = lowered.substr(PathStart(lowered));
  for (const auto& e : kExtensions) {
    if (rest.find(e) != npos) return true;
  }
  return false;
}

std::string PageDirectory(const std::string& a) {
  if (HasExtension(Lower(a))) {
    size_t slash = a.rfind('/');
    if (slash == npos || slash < PathStart(a)) return a.substr(0, PathStart(a)) + "/";
    return a.substr(0, slash + 1);
  }
  return EndsWith(a, "/") ? a : a + "/";
}

std::string LowerSchemeHost(std::string a) {
  size_t end = PathStart(a);
  for (size_t i = 0; i < end; ++i) a[i] = Lower(std::string(1, a[i]))[0];
  return a;
}

// Equal to the root, or the root followed by "/", "?" or "#".
bool Inside(const std::string& a, const std::string& root) {
  if (!BeginsWith(a, root)) return false;
  if (a.size() == root.size() || EndsWith(root, "/")) return true;
  return std::string("/?#").find(a[root.size()]) != npos;
}

std::string SiteRoot(const std::string& s) {
  if (EndsWith(s, "/")) return s.substr(0, s.size() - 1);
  if (EndsWith(s, ".htm") || EndsWith(s, ".html")) return s.substr(0, s.rfind('/'));
  return s;
}

// RFC 3986 5.2.4 on the path, with its input and output buffers; false
// when a ".." finds nothing left to remove.
bool RemoveDots(const std::string& address, std::string* out) {
  *out = address;
  size_t scheme = address.find("://");
  if (scheme == npos) return true;
  size_t start = address.find_first_of("/?", scheme + 3);
  if (start == npos || address[start] != '/') return true;
  size_t end = address.find('?', start);
  if (end == npos) end = address.size();
  std::string in = address.substr(start, end - start), output;
  while (!in.empty()) {
    if (BeginsWith(in, "../")) {
      in.erase(0, 3);
    } else if (BeginsWith(in, "./")) {
      in.erase(0, 2);
    } else if (BeginsWith(in, "/./")) {
      in.replace(0, 3, "/");
    } else if (in == "/.") {
      in = "/";
    } else if (BeginsWith(in, "/../") || in == "/..") {
      in.replace(0, BeginsWith(in, "/../") ? 4 : 3, "/");
      if (output.empty()) return false;
      size_t last = output.rfind('/');
      output.erase(last == npos ? 0 : last);
    } else if (in == "." || in == "..") {
      in.clear();
    } else {
      size_t next = in.find('/', 1);
      if (next == npos) next = in.size();
      output += in.substr(0, next);
      in.erase(0, next);
    }
  }
  *out = address.substr(0, start) + output + address.substr(end);
  return true;
}

bool IsPage(const std::string& address) {
  std::string a = Lower(address);
  bool page = HasExtension(a);
  if (page) {
    for (const auto& e : kSkip4) {
      if (a.size() >= 4 && a.substr(a.size() - 4) == e) page = false;
    }
    for (const auto& e : kSkip5) {
      if (a.size() >= 5 && a.substr(a.size() - 5) == e) page = false;
    }
  }
  if (!a.empty() && a.back() == '/') page = true;
  return page;
}

std::string Safe(std::string s) {
  for (char& c : s) {
    if (c == '^' || c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

std::string Meta(const std::string& page, const std::string& search, const std::string& pattern,
                 size_t cut) {
  size_t p = search.find(pattern);
  if (p == npos) return "";
  std::string rest = page.substr(p + pattern.size(), cut);
  size_t q = rest.find('"');
  return q == npos ? "" : rest.substr(0, q);
}

std::string DeletePunct(std::string s) {
  for (char c : {',', '.', ';', ':'}) EraseAll(s, c);
  return s;
}

std::string Keywords(const std::string& page, const std::vector<std::string>& excluded,
                     size_t cut) {
  std::string region;
  size_t p = page.find("<!-- duvra -->");
  size_t e = page.find("<!-- /duvra -->");
  if (p != npos) {
    if (e != npos) {
      region = e < p + 14 ? "" : page.substr(p + 14, e - p - 14);
    } else {
      region = page.substr(p + 14, cut);
    }
  } else {
    region = page;
  }
  region = StripTags(region);
  ReplaceAll(region, "\r\n", " ");
  ReplaceAll(region, "\n", " ");
  region = DeletePunct(region);
  std::vector<std::string> accepted;
  std::string r = region;
  while (accepted.size() < 255) {
    size_t sp = r.find(' ');
    if (sp == npos) break;
    std::string cand = r.substr(0, sp);
    while (!cand.empty() && static_cast<unsigned char>(cand.front()) <= 32) cand.erase(0, 1);
    while (!cand.empty() && static_cast<unsigned char>(cand.back()) <= 32) cand.pop_back();
    r = r.substr(sp + 1, cut);
    if (cand.size() < 2) continue;
    if (std::find(accepted.begin(), accepted.end(), cand) != accepted.end()) continue;
    // Excluded words match whatever the A-Z case of either side.
    auto lower = [](std::string s) {
      for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      return s;
    };
    if (std::any_of(excluded.begin(), excluded.end(),
                    [&](const std::string& e) { return lower(e) == lower(cand); })) {
      continue;
    }
    accepted.push_back(cand);
  }
  std::string out;
  for (size_t i = 0; i < accepted.size(); ++i) out += (i ? " " : "") + accepted[i];
  return out;
}

}  // namespace

std::vector<std::string> ScanLinks(const std::string& page, size_t cut) {
  const std::string search = Lower(page);
  std::vector<std::string> values;
  std::string rem = search;
  size_t base = 0;  // where rem starts in the page
  while (true) {
    size_t h = rem.find("href=");
    if (h == npos) break;
    base += h + 5;
    rem = rem.substr(h + 5, cut);
    size_t g = rem.find('>');
    std::string value;
    if (g != npos) {
      size_t q = npos;
      if (!rem.empty() && (rem[0] == '"' || rem[0] == '\'')) q = rem.find(rem[0], 1);
      if (q != npos && q < g) {
        value = page.substr(base + 1, q - 1);
      } else {
        size_t s = rem.find_first_of(std::string(" \t\r\n\f"));
        value = page.substr(base, s != npos && s < g ? s : g);
      }
      base += g + 1;
      rem = rem.substr(g + 1, cut);
    }
    values.push_back(value);
  }
  return values;
}

void AddToList(std::string link, const std::string& dir, const std::string& root, Table& table) {
  // Quotes go only at the ends; inside a value they are part of it.
  while (!link.empty() && (link[0] == '"' || link[0] == '\'')) link.erase(0, 1);
  while (!link.empty() && (link.back() == '"' || link.back() == '\'')) link.pop_back();
  if (!link.empty() && link[0] == '#') return;
  if (size_t f = link.find('#'); f != npos) link.erase(f);
  bool has_scheme = false;
  size_t colon = link.find(':');
  size_t sep = link.find_first_of("/?#");
  if (colon != npos && colon > 0 && (sep == npos || colon < sep)) {
    has_scheme = true;
    for (size_t i = 0; i < colon; ++i) {
      char c = link[i];
      if (!isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
        has_scheme = false;
    }
    const std::string name = Lower(link.substr(0, colon));
    if (has_scheme && name != "http" && name != "https") return;
  }
  std::string address;
  if (has_scheme) {
    address = LowerSchemeHost(link);
    if (!Inside(address, root)) return;
  } else if (BeginsWith(link, "//")) {
    address = LowerSchemeHost(root.substr(0, root.find(':') + 1) + link);
    if (!Inside(address, root)) return;
  } else {
    if (link == "/") return;
    address = (BeginsWith(link, "/") ? root : dir) + link;
  }
  std::string resolved;
  if (!RemoveDots(address, &resolved)) return;
  if (resolved != address && !Inside(resolved, root)) return;
  if (!IsPage(resolved)) return;
  for (const auto& a : table.addresses) {
    if (a == resolved) return;
  }
  if (table.addresses.size() >= table.capacity) return;
  table.addresses.push_back(resolved);
  table.pending.push_back(true);
}

std::string StripTags(std::string region) {
  while (true) {
    size_t l = region.find('<');
    if (l == npos) break;
    size_t g = region.find('>');
    if (g == npos) {
      region.erase(l, 1);  // a "<" that nothing closes goes alone
    } else if (g > l) {
      region.erase(l, g - l + 1);
    } else {
      region.erase(g, 1);
    }
  }
  return region;
}

PageRecord AnalysePage(const std::string& page, const std::string& address, bool create_keywords,
                       const std::vector<std::string>& excluded_words, size_t cut) {
  const std::string search = Lower(page);
  PageRecord r;
  size_t p = search.find("<title>"), q = search.find("</title>");
  if (p != npos && q != npos && q >= p + 7) r.title = page.substr(p + 7, q - p - 7);
  r.address = address;
  r.text = Meta(page, search, "name=\"description\" content=\"", cut);
  std::string meta = Meta(page, search, "name=\"keywords\" content=\"", cut);
  if (!meta.empty()) meta = DeletePunct(meta);
  std::string generated = create_keywords ? Keywords(page, excluded_words, cut) : "";
  r.keywords = meta.size() >= 2 ? meta + " " + generated : generated;
  r.title = Safe(r.title);
  r.address = Safe(r.address);
  r.text = Safe(r.text);
  r.keywords = Safe(r.keywords);
  return r;
}

CrawlResult Crawl(const std::map<std::string, std::string>& site, const std::string& site_address,
                  bool create_keywords, const std::vector<std::string>& excluded_words,
                  const std::vector<std::string>& excluded_pages, size_t max_pages,
                  size_t table_capacity, size_t cut) {
  CrawlResult out;
  auto get = [&](const std::string& a, std::string* body) {
    out.fetched.push_back(a);
    auto it = site.find(a);
    if (it == site.end()) return false;
    *body = it->second;
    return true;
  };
  out.lines.push_back("Connecting ...");
  // A site address with a scheme is used as typed.
  const size_t mark = site_address.find("://");
  bool has_scheme =
      mark != npos && mark > 0 && isalpha(static_cast<unsigned char>(site_address[0]));
  for (size_t i = 0; has_scheme && i < mark; ++i) {
    const char c = site_address[i];
    if (!isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
      has_scheme = false;
    }
  }
  std::string start = has_scheme ? site_address : "http://" + site_address;
  std::string body;
  if (!get(start, &body)) {
    // A page missing from the map is what a server answers with 404.
    out.lines.insert(out.lines.end(), {"Invalid address or site unavailable.",
                                       "The server answered \"404\".", "", "Index stopped."});
    return out;
  }
  out.started = true;
  start = LowerSchemeHost(start);
  const std::string root = SiteRoot(start);
  Table table;
  table.capacity = table_capacity;
  table.addresses = {start};
  table.pending = {true};
  bool stop = false;
  while (!stop) {
    bool fetched = false, early = false;
    size_t count = table.addresses.size();
    for (size_t i = 0; i < count && !early; ++i) {
      if (!table.pending[i]) continue;
      for (const auto& e : excluded_pages) {
        if (table.addresses[i] == root + e) {
          table.pending[i] = false;
          early = true;
          break;
        }
      }
      if (early) break;
      fetched = true;
      if (!get(table.addresses[i], &body)) {
        table.pending[i] = false;
        early = true;
        break;
      }
      const std::string address = table.addresses[i];
      body = DecodePage("", body);
      for (const auto& v : ScanLinks(body, cut)) AddToList(v, PageDirectory(address), root, table);
      out.lines.push_back("Reading " + address);
      out.pages.push_back(AnalysePage(body, address, create_keywords, excluded_words, cut));
      table.pending[i] = false;
      if (out.pages.size() >= max_pages) {
        stop = true;
        early = true;
      }
    }
    if (!early && !fetched) stop = true;
  }
  out.lines.insert(out.lines.end(), {"", "Index complete.", ""});
  out.table = table.addresses;
  return out;
}

void Merge(std::vector<std::string>& list, const std::vector<PageRecord>& pages,
           const std::string& root, MergeMode mode) {
  for (const PageRecord& pg : pages) {
    const std::string line =
        "0^" + pg.title + "^" + pg.address + "^" + pg.text + "^" + pg.keywords + "^0";
    if (mode == MergeMode::kAll) {
      list.push_back(line);
      continue;
    }
    bool matched = false;
    for (size_t i = 0; i < list.size(); ++i) {
      std::vector<std::string> f;
      std::string rest = list[i];
      for (int k = 0; k < 5; ++k) {
        size_t c = rest.find('^');
        if (c == npos) {
          f.push_back(rest);
          rest.clear();
          for (int m = k + 1; m < 5; ++m) f.push_back("");
          break;
        }
        f.push_back(rest.substr(0, c));
        rest = rest.substr(c + 1);
      }
      const std::string new_window = rest.substr(0, 1);
      std::string addr = f[2];
      if (addr.find(root) == npos) addr = root + (BeginsWith(addr, "/") ? "" : "/") + addr;
      if (addr != pg.address) continue;
      matched = true;
      if (mode == MergeMode::kUpdate &&
          (f[1] != pg.title || f[3] != pg.text || f[4] != pg.keywords)) {
        list[i] = std::to_string(i) + "^" + pg.title + "^" + pg.address + "^" + pg.text + "^" +
                  pg.keywords + "^" + new_window;
      }
    }
    if (!matched) list.push_back(line);
  }
}

}  // namespace duvra::reference
