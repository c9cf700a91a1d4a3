// The link scan of any page and AddToList for every link value found. The
// first byte chooses the page address, the site root and the cut length,
// the second the crawl table's room; the rest is the page. Properties: the
// scan and the table equal the literal reference; the table holds distinct
// page addresses within its room; and the record line of the page read at
// any address the table holds has exactly six fields.
#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "../indexer/reference_indexer.h"
#include "database/record_line.h"
#include "fuzz_support.h"
#include "indexer/link_discovery.h"
#include "indexer/page_analysis.h"

namespace duvra {
namespace {

constexpr std::array<size_t, 4> kCuts = {kScanCutLength, 6, 30, 200};
constexpr std::array<std::string_view, 8> kAddresses = {"http://site/",
                                                        "http://site/a/b/p.htm",
                                                        "http://site/dir",
                                                        "http://site.pl",
                                                        "http://Site/Docs/Index.HTML",
                                                        "http://site/x^y.htm",
                                                        "http://site/a/./b/../c.htm",
                                                        "http://site/q.php?a=/b/"};
constexpr std::array<std::string_view, 3> kRoots = {"http://site", "http://site/a",
                                                    "http://Site/Docs"};

std::vector<std::string> TableAddresses(const CrawlTable& table) {
  std::vector<std::string> out;
  for (size_t n = 1; n <= table.count(); ++n) out.emplace_back(table.address(n));
  return out;
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const uint8_t config = in.Byte();
  const std::string address(kAddresses[config & 7]);
  const size_t root_choice = (config >> 3) & 3;
  const std::string root =
      root_choice < kRoots.size() ? std::string(kRoots[root_choice]) : SiteRootOf(address);
  const size_t cut = kCuts[(config >> 5) & 3];
  const size_t capacity = 2 + in.Byte() % 16;
  const std::string page(in.Rest());
  const std::string search = LowerAscii(page);

  std::vector<std::string> values;
  ScanLinks(page, search, cut, [&](std::string_view v) { values.emplace_back(v); });
  FUZZ_CHECK(values == reference::ScanLinks(page, cut));

  CrawlTable table(capacity);
  table.Reset(address);
  DiscoverLinks(page, search, address, root, cut, table);
  reference::Table literal;
  literal.capacity = capacity;
  literal.addresses = {address};
  literal.pending = {true};
  for (const std::string& v : values) {
    reference::AddToList(v, PageDirectoryOf(address), root, literal);
  }
  const std::vector<std::string> found = TableAddresses(table);
  FUZZ_CHECK(found == literal.addresses);

  FUZZ_CHECK(table.count() >= 1 && table.count() <= capacity);
  const std::set<std::string> distinct(found.begin(), found.end());
  FUZZ_CHECK(distinct.size() == found.size());
  const KeywordSettings settings(true, {});
  for (size_t n = 1; n <= table.count(); ++n) {
    FUZZ_CHECK(table.pending(n));
    if (n > 1) FUZZ_CHECK(IsPageAddress(table.address(n)));
    const std::string line =
        PageRecordLine(AnalysePage(page, search, table.address(n), settings, cut));
    FUZZ_CHECK(std::count(line.begin(), line.end(), kFieldSeparator) == 5);
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
  }
  return 0;
}
