#include "indexer/page_analysis.h"

#include <algorithm>

#include "base/ascii.h"
#include "database/record_line.h"
#include "database/text_encoding.h"
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

namespace {

bool IsTagNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// Whether lowered[at] starts the tag `<name` (followed by a blank, ">" or "/").
bool OpensTag(std::string_view lowered, size_t at, std::string_view name) {
  if (lowered.compare(at, 1, "<") != 0 || lowered.compare(at + 1, name.size(), name) != 0) {
    return false;
  }
  const size_t after = at + 1 + name.size();
  return after == lowered.size() || !IsTagNameChar(lowered[after]);
}

// Where the element opened at `open` (a "<name" tag) ends: after its
// matching "</name ...>", counting nested ones; the text's end when unclosed.
size_t ElementEnd(std::string_view lowered, size_t open, std::string_view name) {
  int depth = 0;
  size_t at = open;
  while (at < lowered.size()) {
    const size_t lt = lowered.find('<', at);
    if (lt == std::string_view::npos) break;
    if (OpensTag(lowered, lt, name)) {
      ++depth;
    } else if (lt + 1 < lowered.size() && lowered[lt + 1] == '/' &&
               lowered.compare(lt + 2, name.size(), name) == 0 &&
               (lt + 2 + name.size() == lowered.size() ||
                !IsTagNameChar(lowered[lt + 2 + name.size()]))) {
      if (--depth == 0) {
        const size_t gt = lowered.find('>', lt);
        return gt == std::string_view::npos ? lowered.size() : gt + 1;
      }
    }
    at = lt + 1;
  }
  return lowered.size();
}

// The contents of the first element opened by a tag for which `opens` holds.
template <class Pred>
std::string_view FirstElementContent(std::string_view page, std::string_view lowered, Pred opens,
                                     std::string_view* name_out) {
  for (size_t lt = lowered.find('<'); lt != std::string_view::npos;
       lt = lowered.find('<', lt + 1)) {
    std::string_view name;
    if (!opens(lt, &name)) continue;
    const size_t gt = lowered.find('>', lt);
    if (gt == std::string_view::npos) return {};
    const size_t end = ElementEnd(lowered, lt, name);
    if (name_out) *name_out = name;
    return page.substr(gt + 1, end > gt + 1 ? end - gt - 1 : 0);
  }
  return {};
}

constexpr std::string_view kHiddenElements[] = {"script", "style", "noscript", "template", "svg"};
constexpr std::string_view kFurnitureElements[] = {"nav", "header", "footer", "aside"};

}  // namespace

std::string VisibleText(std::string_view html, bool skip_page_furniture, size_t enough) {
  const std::string lowered = LowerAscii(html);
  std::string out;
  out.reserve(std::min(html.size(), enough));
  size_t i = 0, shown = 0;
  // A stop never falls inside a UTF-8 sequence.
  while (i < html.size() && (shown < enough || IsUtf8Continuation(html[i]))) {
    const char c = html[i];
    if (c != '<') {
      out.push_back(c);
      if (!IsBlank(c)) ++shown;
      ++i;
      continue;
    }
    if (lowered.compare(i, 4, "<!--") == 0) {
      const size_t close = lowered.find("-->", i + 4);
      i = close == std::string::npos ? html.size() : close + 3;
      out.push_back(' ');
      continue;
    }
    const char next = i + 1 < html.size() ? lowered[i + 1] : '\0';
    if (!((next >= 'a' && next <= 'z') || next == '/' || next == '!' || next == '?')) {
      out.push_back(c);  // "a < b": no tag
      ++shown;
      ++i;
      continue;
    }
    bool skipped = false;
    auto skip_element = [&](std::string_view name) {
      if (!OpensTag(lowered, i, name)) return false;
      // Raw-text elements end at their first closing tag; others may nest.
      const bool raw = name == "script" || name == "style";
      if (raw) {
        const std::string closing = "</" + std::string(name);
        const size_t close = lowered.find(closing, i + 1);
        const size_t gt = close == std::string::npos ? std::string::npos : lowered.find('>', close);
        i = gt == std::string::npos ? html.size() : gt + 1;
      } else {
        i = ElementEnd(lowered, i, name);
      }
      return true;
    };
    // Most tags start with a letter none of the skipped names has.
    if (std::string_view("sntvhfa").find(next) != std::string_view::npos) {
      for (std::string_view name : kHiddenElements) {
        if (!skipped && name[0] == next) skipped = skip_element(name);
      }
      if (skip_page_furniture) {
        for (std::string_view name : kFurnitureElements) {
          if (!skipped && name[0] == next) skipped = skip_element(name);
        }
      }
    }
    if (!skipped) {
      const size_t gt = html.find('>', i);
      i = gt == std::string_view::npos ? html.size() : gt + 1;
    }
    out.push_back(' ');
  }
  return out;
}

std::string OpeningText(std::string_view page, std::string_view search_copy, size_t cut) {
  // Enough visible bytes for the longest opening text in any encoding.
  constexpr size_t kEnough = 4 * kOpeningTextLength + 4;
  std::string text;
  if (FindPattern(page, kRegionStartMarker) != std::string_view::npos) {
    text = VisibleText(KeywordRegion(page, cut), false, kEnough);
  } else {
    const bool has_role = FindPattern(search_copy, "role=") != std::string_view::npos;
    std::string_view found = FirstElementContent(
        page, search_copy,
        [&](size_t lt, std::string_view* name) {
          if (OpensTag(search_copy, lt, "main")) {
            *name = "main";
            return true;
          }
          if (!has_role) return false;
          const size_t gt = search_copy.find('>', lt);
          const std::string_view tag =
              search_copy.substr(lt, gt == std::string_view::npos ? 0 : gt - lt);
          if (tag.find("role=\"main\"") == std::string_view::npos &&
              tag.find("role='main'") == std::string_view::npos &&
              tag.find("role=main") == std::string_view::npos) {
            return false;
          }
          size_t n = 1;
          while (n < tag.size() && IsTagNameChar(tag[n])) ++n;
          *name = tag.substr(1, n - 1);
          return !name->empty();
        },
        nullptr);
    // The content of the first element of that name.
    auto first_named = [&](std::string_view tag_name) {
      return FirstElementContent(
          page, search_copy,
          [&](size_t lt, std::string_view* name) {
            *name = tag_name;
            return OpensTag(search_copy, lt, tag_name);
          },
          nullptr);
    };
    if (found.empty()) found = first_named("article");
    bool body = false;
    if (found.empty()) {
      found = first_named("body");
      body = true;
    }
    text = VisibleText(found, body, kEnough);
  }
  // A region cut at a byte count may end inside a character; that
  // character goes.
  size_t lead = text.size();
  while (lead > 0 && text.size() - lead < 4 && IsUtf8Continuation(text[lead - 1])) {
    --lead;
  }
  if (lead > 0 && !IsValidUtf8(std::string_view(text).substr(lead - 1))) text.resize(lead - 1);
  // White space collapsed, then cut at the last word boundary that fits.
  std::string collapsed;
  for (char c : text) {
    if (IsBlank(c)) {
      if (!collapsed.empty() && collapsed.back() != ' ') collapsed.push_back(' ');
    } else {
      collapsed.push_back(c);
    }
  }
  while (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  size_t chars = 0, pos = 0, last_space = std::string::npos;
  while (pos < collapsed.size()) {
    if (chars == kOpeningTextLength) {
      // Past the limit: cut at the last space, or mid-word when one word fills it.
      return collapsed.substr(0, collapsed[pos] == ' '             ? pos
                                 : last_space != std::string::npos ? last_space
                                                                   : pos);
    }
    if (collapsed[pos] == ' ') last_space = pos;
    NextCodePoint(collapsed, pos);
    ++chars;
  }
  return collapsed;
}

std::string CreateKeywords(std::string_view page, const KeywordSettings& settings, size_t cut) {
  std::string text;
  if (settings.visible_text()) {
    text = VisibleText(KeywordRegion(page, cut));
    // Every blank separates words, and the last word counts too.
    for (char& c : text) {
      if (c == '\t' || c == '\r' || c == '\f' || c == '\v') c = ' ';
    }
    text.push_back(' ');
  } else {
    text = StripTags(KeywordRegion(page, cut));
  }
  ReplaceLineBreaks(text);
  DeletePunctuationInPlace(text);

  std::unordered_set<std::string_view> accepted;
  std::string joined;
  size_t pos = 0;
  size_t end = text.size();
  const std::string_view all(text);
  while (accepted.size() < settings.max_words()) {
    size_t space = all.substr(0, end).find(' ', pos);
    if (space == std::string_view::npos) break;  // the text after the last space is never a word
    std::string_view word = TrimIf(all.substr(pos, space - pos), IsBlank);
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
  if (record.text.empty() && settings.opening_text()) {
    record.text = SafeField(OpeningText(page, search_copy, cut));
  }
  std::string meta =
      DeletePunctuation(ExtractMetaContent(page, search_copy, kKeywordsPattern, cut));
  std::string generated = settings.create_keywords() ? CreateKeywords(page, settings, cut) : "";
  record.keywords = SafeField(meta.size() >= kMinMetaKeywords ? meta + " " + generated : generated);
  return record;
}

}  // namespace duvra
