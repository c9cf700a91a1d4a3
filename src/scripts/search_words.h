// The words of a record as the visitor's search (search.dat) reads them, so
// that an index written here finds exactly what the search finds when it
// reads the records itself: character references decoded, the address cut
// into the page's name and its folders, words cut and folded alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace duvra {

// A word as the search compares it: folded (lower case, accents removed)
// and, for a word with a German umlaut, its spelling with "e" ("groesse").
struct SearchWord {
  std::string bare;
  std::string alt;
  bool operator==(const SearchWord&) const = default;
};

// UTF-8 text with its character references decoded as the search decodes
// them (the names HTML also reads without ";" included).
std::string DecodeSearchRefs(std::string_view text);

// The words of one field (UTF-8, references already decoded), in order.
// Nothing when the text holds a character outside the scripts this
// generator knows (Latin, Greek, Cyrillic, punctuation and symbols); the
// search then reads that record itself.
std::optional<std::vector<SearchWord>> SearchFieldWords(std::string_view text);

// The address's last path segment without its file type, and the folders
// above it; an index or default page is named by its folder.
std::pair<std::string, std::string> SearchAddressParts(std::string_view url);

// The first two characters of a word, its leading dot aside: words that a
// query word can match share the query word's.
std::string SearchWordHead(std::string_view bare);

// The word as the search files it, its leading dot aside: a query word's
// matches all have keys that begin with the query word or with its stem.
std::string_view SearchWordKey(std::string_view bare);

// Whether UTF-8 text a comes before b as the search compares strings: by
// UTF-16 code units, which put characters beyond U+FFFF before
// U+E000..U+FFFF, unlike UTF-8's bytes.
bool SearchKeyLess(std::string_view a, std::string_view b);

// The record's fields as the search splits them (Title, URL, Text,
// Keywords, New Window): at "^", the fifth holding the rest, missing ones
// empty.
std::vector<std::string_view> SearchRecordFields(std::string_view record);

}  // namespace duvra
