// Any bytes as a sitemap, and as an address for the folder source. The
// first byte chooses the site root and whether plain addresses are on; the
// rest is both the sitemap and the address. Properties: every <loc> read
// is trimmed and not empty, and decoding never makes text longer than the
// document; the files an address maps to never climb out of the folder
// (no ".." segment, no leading "/", no NUL), and a redirect only adds the
// "/" of a folder to the address.
#include <array>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "indexer/folder_source.h"
#include "indexer/sitemap.h"

namespace {

constexpr std::array<std::string_view, 4> kRoots = {"http://site", "http://site/docs",
                                                    "https://Site:8080/a/b", "http://site/%2e"};

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const uint8_t config = in.Byte();
  const std::string text(in.Rest());

  const SitemapDocument doc = ParseSitemap(text);
  size_t total = 0;
  for (const std::string& loc : doc.locations) {
    FUZZ_CHECK(!loc.empty() && !IsXmlSpace(loc.front()) && !IsXmlSpace(loc.back()));
    total += loc.size();
  }
  FUZZ_CHECK(total <= text.size());
  FUZZ_CHECK(doc.kind != SitemapDocument::kNone || doc.locations.empty());
  FUZZ_CHECK(DecodeXmlText(text).size() <= text.size());

  const std::string root(kRoots[config & 3]);
  const bool plain = (config & 4) != 0;
  for (const std::string& address : {text, root + "/" + text}) {
    const FolderTarget t =
        MapFolderAddress(address, root, plain, [](const std::string&) { return true; });
    for (const std::string& c : t.candidates) {
      FUZZ_CHECK(!c.empty() && c.front() != '/');
      FUZZ_CHECK(c.find('\0') == std::string::npos);
      FUZZ_CHECK(c != ".." && !c.starts_with("../") && c.find("/../") == std::string::npos &&
                 !c.ends_with("/.."));
    }
    if (t.kind == FolderTarget::kAddSlash) {
      FUZZ_CHECK(t.redirect.find('/') != std::string::npos);
      FUZZ_CHECK(t.redirect.size() <= address.size() + 1);
    }
  }
  return 0;
}
