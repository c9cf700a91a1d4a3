// Page analysis of any page. The first input byte chooses the settings
// (keyword creation, excluded words, the cut length), the rest is the page.
// Properties: the linear analysis equals the literal reference; tag
// stripping leaves no "<"; the created keywords are distinct, allowed words
// of two characters or more, at most 255; and the page's record line has
// exactly six fields. With the extra settings (visible text, opening text,
// a keyword limit) and a declared charset: the page decodes to UTF-8, the
// record line still has six fields, the keywords keep the limit and the
// opening text its length.
#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "../indexer/reference_indexer.h"
#include "database/record_line.h"
#include "database/text_encoding.h"
#include "fuzz_support.h"
#include "indexer/link_discovery.h"
#include "indexer/page_analysis.h"
#include "indexer/page_charset.h"

namespace duvra {
namespace {

// Small cuts make the bound of the scans show on small pages.
constexpr std::array<size_t, 4> kCuts = {kScanCutLength, 7, 40, 300};
const std::vector<std::string> kExcluded = {"the", "and", "Alpha", "a&ampb", "\xE9t\xE9"};
// An address that needs making safe, as a crawl-table entry may.
constexpr std::string_view kAddress = "http://site/a^b\r\n.htm";

std::vector<std::string_view> SplitAtSpaces(std::string_view text) {
  std::vector<std::string_view> words;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(' ', from);
    words.push_back(text.substr(from, at == std::string_view::npos ? at : at - from));
    if (at == std::string_view::npos) return words;
    from = at + 1;
  }
}

void CheckKeywords(std::string_view page, const KeywordSettings& settings, size_t cut) {
  const std::string keywords = CreateKeywords(page, settings, cut);
  if (keywords.empty()) return;
  const std::vector<std::string_view> words = SplitAtSpaces(keywords);
  FUZZ_CHECK(words.size() <= settings.max_words());
  std::set<std::string_view> seen;
  for (std::string_view w : words) {
    FUZZ_CHECK(w.size() >= 2);
    FUZZ_CHECK(static_cast<unsigned char>(w.front()) > ' ' &&
               static_cast<unsigned char>(w.back()) > ' ');
    FUZZ_CHECK(!settings.Excluded(w));
    FUZZ_CHECK(seen.insert(w).second);
  }
}

void CheckRecordLine(const PageRecord& record) {
  const std::string line = PageRecordLine(record);
  FUZZ_CHECK(std::count(line.begin(), line.end(), '^') == 5);
  FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
  const RecordFields f = SplitRecordLine(line);
  FUZZ_CHECK(f.num == "0" && f.new_window == "0");
  FUZZ_CHECK(f.title == record.title && f.url == record.address && f.text == record.text &&
             f.keywords == record.keywords);
}

}  // namespace
}  // namespace duvra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace duvra;
  fuzz::Input in(data, size);
  const uint8_t config = in.Byte();
  const bool create = (config & 1) == 0;
  const std::vector<std::string> excluded = (config & 2) ? kExcluded : std::vector<std::string>{};
  const size_t cut = kCuts[(config >> 2) & 3];
  const std::string page(in.Rest());
  const std::string search = LowerAscii(page);
  FUZZ_CHECK(search.size() == page.size());

  const KeywordSettings settings(create, excluded);
  const PageRecord fast = AnalysePage(page, search, kAddress, settings, cut);
  const PageRecord literal =
      reference::AnalysePage(page, std::string(kAddress), create, excluded, cut);
  FUZZ_CHECK(fast == literal);
  CheckRecordLine(fast);

  const std::string stripped = StripTags(page);
  FUZZ_CHECK(stripped == reference::StripTags(page));
  FUZZ_CHECK(stripped.find('<') == std::string::npos);
  CheckKeywords(page, settings, cut);

  // The extra settings, on the page as the crawl decodes it.
  constexpr std::array<const char*, 4> kTypes = {"", "text/html; charset=shift_jis",
                                                 "text/html; charset=utf-16le",
                                                 "text/html; charset=windows-1252"};
  const std::string decoded = DecodePage(kTypes[(config >> 4) & 3], page);
  FUZZ_CHECK(IsValidUtf8(decoded));
  KeywordSettings extra(true, excluded);
  extra.set_visible_text(true);
  extra.set_opening_text((config & 0x40) != 0);
  extra.set_max_words((config & 0x80) ? 3 : 1000);
  const PageRecord on = AnalysePage(decoded, LowerAscii(decoded), kAddress, extra, cut);
  CheckRecordLine(on);
  CheckKeywords(decoded, extra, cut);
  const std::string opening = OpeningText(decoded, LowerAscii(decoded), cut);
  size_t chars = 0;
  for (size_t pos = 0; pos < opening.size(); ++chars) NextCodePoint(opening, pos);
  FUZZ_CHECK(chars <= kOpeningTextLength);
  FUZZ_CHECK(IsValidUtf8(opening));
  return 0;
}
