#include "indexer/page_analysis.h"

#include "database/record_line.h"
#include "indexer/link_discovery.h"

namespace duvra {
namespace {

constexpr std::string_view kTitleOpen = "<title>";
constexpr std::string_view kTitleClose = "</title>";
constexpr std::string_view kDescriptionPattern = "name=\"description\" content=\"";
constexpr std::string_view kKeywordsPattern = "name=\"keywords\" content=\"";
// Meta keywords shorter than this are dropped from the Keywords field.
constexpr size_t kMinMetaKeywords = 2;
constexpr size_t kMinWordLength = 2;

bool IsPunctuation(char c) { return c == ',' || c == '.' || c == ';' || c == ':'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The part of the page between the markers, or the whole page.
std::string_view KeywordRegion(std::string_view page, size_t cut) {
  size_t open = FindPattern(page, kRegionStartMarker);
  if (open == std::string_view::npos) return page;
  const size_t begin = open + kRegionStartMarker.size();
  size_t close = FindPattern(page, kRegionEndMarker);
  if (close == std::string_view::npos) return page.substr(begin, cut);
  return close < begin ? std::string_view() : page.substr(begin, close - begin);
}

// CR LF, then a lone LF, become one space each; a lone CR stays.
void ReplaceLineBreaks(std::string& text) {
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      text[out++] = ' ';
      ++i;
    } else {
      text[out++] = text[i] == '\n' ? ' ' : text[i];
    }
  }
  text.resize(out);
}

void DeletePunctuationInPlace(std::string& text) {
  size_t out = 0;
  for (char c : text) {
    if (!IsPunctuation(c)) text[out++] = c;
  }
  text.resize(out);
}

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string PageRecordLine(const PageRecord& page) {
  return JoinRecordLine({"0", page.title, page.address, page.text, page.keywords, "0"});
}

KeywordSettings::KeywordSettings(bool create_keywords,
                                 const std::vector<std::string>& excluded_words)
    : create_(create_keywords) {
  for (const std::string& word : excluded_words) excluded_.insert(LowerAscii(word));
}

bool KeywordSettings::Excluded(std::string_view word) const {
  for (char c : word) {
    if (c >= 'A' && c <= 'Z') return excluded_.find(LowerAscii(word)) != excluded_.end();
  }
  return excluded_.find(word) != excluded_.end();
}

std::string ExtractTitle(std::string_view page, std::string_view search_copy) {
  size_t open = FindPattern(search_copy, kTitleOpen);
  size_t close = FindPattern(search_copy, kTitleClose);
  if (open == std::string_view::npos || close == std::string_view::npos ||
      close < open + kTitleOpen.size()) {
    return {};
  }
  const size_t begin = open + kTitleOpen.size();
  return std::string(page.substr(begin, close - begin));
}

std::string ExtractMetaContent(std::string_view page, std::string_view search_copy,
                               std::string_view pattern, size_t cut) {
  size_t at = FindPattern(search_copy, pattern);
  if (at == std::string_view::npos) return {};
  std::string_view rest = page.substr(at + pattern.size(), cut);
  size_t quote = rest.find('"');
  if (quote == std::string_view::npos) return {};
  return std::string(rest.substr(0, quote));
}

std::string DeletePunctuation(std::string_view text) {
  std::string out(text);
  DeletePunctuationInPlace(out);
  return out;
}

std::string StripTags(std::string_view region) {
  // One pass. A ">" outside a tag goes when some "<" follows it, and a "<"
  // opens a tag only when some ">" follows it; otherwise it goes alone (and
  // so does every "<" after it, none of which can be closed either).
  const size_t last_lt = region.rfind('<');
  const size_t last_gt = region.rfind('>');
  std::string out;
  out.resize(region.size());
  size_t n = 0;
  bool in_tag = false;
  for (size_t i = 0; i < region.size(); ++i) {
    const char c = region[i];
    if (in_tag) {
      in_tag = c != '>';
    } else if (c == '<') {
      in_tag = last_gt != std::string_view::npos && last_gt > i;
    } else if (c != '>' || last_lt == std::string_view::npos || last_lt < i) {
      out[n++] = c;
    }
  }
  out.resize(n);
  return out;
}

std::string CreateKeywords(std::string_view page, const KeywordSettings& settings, size_t cut) {
  std::string text = StripTags(KeywordRegion(page, cut));
  ReplaceLineBreaks(text);
  DeletePunctuationInPlace(text);

  std::unordered_set<std::string_view> accepted;
  std::string joined;
  size_t pos = 0;
  size_t end = text.size();
  const std::string_view all(text);
  while (accepted.size() < kMaxKeywordsPerPage) {
    size_t space = all.substr(0, end).find(' ', pos);
    if (space == std::string_view::npos) break;  // the text after the last space is never a word
    std::string_view word = TrimBlanks(all.substr(pos, space - pos));
    pos = space + 1;
    end = std::min(end, pos + std::min(cut, end - pos));
    if (word.size() < kMinWordLength || settings.Excluded(word)) continue;
    if (!accepted.insert(word).second) continue;
    if (!joined.empty()) joined.push_back(' ');
    joined.append(word);
  }
  return joined;
}

PageRecord AnalysePage(std::string_view page, std::string_view search_copy,
                       std::string_view address, const KeywordSettings& settings, size_t cut) {
  PageRecord record;
  record.title = SafeField(ExtractTitle(page, search_copy));
  record.address = SafeField(address);
  record.text = SafeField(ExtractMetaContent(page, search_copy, kDescriptionPattern, cut));
  std::string meta =
      DeletePunctuation(ExtractMetaContent(page, search_copy, kKeywordsPattern, cut));
  std::string generated = settings.create_keywords() ? CreateKeywords(page, settings, cut) : "";
  record.keywords = SafeField(meta.size() >= kMinMetaKeywords ? meta + " " + generated : generated);
  return record;
}

}  // namespace duvra
