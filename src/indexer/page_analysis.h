// Page analysis: one fetched page becomes one page record (Title, Address,
// Text, Keywords). Text is bytes: no character-set conversion and no entity
// decoding. Tags and meta patterns are found in the search copy (A-Z
// lowered, same length), the values are copied from the page text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "indexer/link_discovery.h"

namespace duvra {

// Keyword creation stops after this many accepted words.
inline constexpr size_t kMaxKeywordsPerPage = 255;

inline constexpr std::string_view kRegionStartMarker = "<!-- duvra -->";
inline constexpr std::string_view kRegionEndMarker = "<!-- /duvra -->";
inline constexpr std::string_view kReadingPrefix = "Reading ";

struct PageRecord {
  std::string title;
  std::string address;
  std::string text;
  std::string keywords;

  bool operator==(const PageRecord&) const = default;
};

// The record line of a page as the merge appends it: Num "0", New Window "0".
std::string PageRecordLine(const PageRecord& page);

// The settings keyword creation reads, prepared once per crawl.
class KeywordSettings {
 public:
  KeywordSettings(bool create_keywords, const std::vector<std::string>& excluded_words);
  bool create_keywords() const { return create_; }
  // Keywords from the visible text only: script, style, noscript, template
  // and svg elements and comments are skipped, and every tag is a space.
  void set_visible_text(bool on) { visible_text_ = on; }
  bool visible_text() const { return visible_text_; }
  // A page without a description gets its opening words as its Text.
  void set_opening_text(bool on) { opening_text_ = on; }
  bool opening_text() const { return opening_text_; }
  // How many distinct words keyword creation keeps.
  void set_max_words(size_t n) { max_words_ = n; }
  size_t max_words() const { return max_words_; }
  // Exact, case-sensitive, as the words are stored.
  bool Excluded(std::string_view word) const { return excluded_.find(word) != excluded_.end(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  bool create_;
  bool visible_text_ = false;
  bool opening_text_ = false;
  size_t max_words_ = kMaxKeywordsPerPage;
  std::unordered_set<std::string, Hash, std::equal_to<>> excluded_;
};

// Title: the page text between the first "<title>" and the first
// "</title>" of the search copy, untrimmed; empty when either is missing or
// the closing tag comes first.
std::string ExtractTitle(std::string_view page, std::string_view search_copy);

// The value of a meta pattern such as `name="description" content="`: the
// page text after the first occurrence, up to its first double quote (the
// remainder cut to `cut` characters first); empty when either is missing.
std::string ExtractMetaContent(std::string_view page, std::string_view search_copy,
                               std::string_view pattern, size_t cut);

// Deletes every ",", ".", ";" and ":".
std::string DeletePunctuation(std::string_view text);

// Removes tags: from each "<" through the first ">" after it; a ">" before
// the first "<" is deleted, a ">" after the last "<" stays. A "<" with no
// ">" anywhere after it is deleted alone, so its text stays. Linear.
std::string StripTags(std::string_view region);

// The text a reader sees in html: comments and the contents of script,
// style, noscript, template and svg elements left out (and of nav, header,
// footer and aside with skip_page_furniture), every tag one space. A "<"
// that opens no tag is text.
std::string VisibleText(std::string_view html, bool skip_page_furniture = false);

// The opening words of the page's visible text, for a page without a
// description: from the marked region, else the first <main> or element
// with role="main", else the first <article>, else <body> without nav,
// header, footer and aside. White space collapsed, at most kOpeningTextLength
// characters, cut at a word boundary.
inline constexpr size_t kOpeningTextLength = 200;
std::string OpeningText(std::string_view page, std::string_view search_copy, size_t cut);

// Keyword creation over the page text: region between the markers, tags
// stripped, line breaks to spaces, punctuation deleted, then the word scan.
// Returns the accepted words joined by single spaces.
std::string CreateKeywords(std::string_view page, const KeywordSettings& settings, size_t cut);

// Title, Text and Keywords of a page (the Address is the caller's). The
// fields are made safe for a record line: "^", CR and LF become spaces.
PageRecord AnalysePage(std::string_view page, std::string_view search_copy,
                       std::string_view address, const KeywordSettings& settings, size_t cut);

}  // namespace duvra
