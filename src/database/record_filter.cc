#include "database/record_filter.h"

#include <string.h>

#include "base/ascii.h"
#include "database/text_encoding.h"

namespace duvra {
namespace {

// Base letters of U+00C0..U+00FF; '*' keeps the character (x and division
// signs), '2' marks the letters that fold to two.
constexpr char kLatin1Base[] = "aaaaaa2ceeeeiiiidnooooo*ouuuuy22aaaaaa2ceeeeiiiidnooooo*ouuuuy2y";
// Base letters of U+0100..U+017F (Latin Extended-A), '2' as above.
constexpr char kExtendedABase[] =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii22jjkkklllllll"
    "lllnnnnnnnnnoooooo22rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";

// The two-letter folds.
const char* TwoLetters(char32_t c) {
  switch (c) {
    case 0xC6:
    case 0xE6:
      return "ae";
    case 0xDE:
    case 0xFE:
      return "th";
    case 0xDF:
      return "ss";
    case 0x132:
    case 0x133:
      return "ij";
    case 0x152:
    case 0x153:
      return "oe";
    default:
      return nullptr;
  }
}

void AppendFolded(std::string& out, char32_t c) {
  char base = 0;
  if (c >= 0xC0 && c <= 0xFF) base = kLatin1Base[c - 0xC0];
  if (c >= 0x100 && c <= 0x17F) base = kExtendedABase[c - 0x100];
  if (base == '2') {
    out.append(TwoLetters(c));
  } else if (base != 0 && base != '*') {
    out.push_back(base);
  } else {
    AppendUtf8(out, c);
  }
}

void FoldInto(std::string& out, std::string_view bytes) {
  const bool ascii = [&] {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
  }();
  if (ascii) {
    for (char c : bytes) out.push_back(AsciiLower(c));
    return;
  }
  const std::string utf8 = ToUtf8(bytes);
  const std::string_view text(utf8);
  for (size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      out.push_back(AsciiLower(static_cast<char>(byte)));
      ++pos;
      continue;
    }
    AppendFolded(out, NextCodePoint(text, pos));
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string FoldForSearch(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  FoldInto(out, bytes);
  return out;
}

std::vector<std::string> FilterWords(std::string_view typed) {
  std::vector<std::string> words;
  const std::string folded = FoldForSearch(typed);
  size_t i = 0;
  while (i < folded.size()) {
    while (i < folded.size() && IsBlank(folded[i])) ++i;
    size_t end = i;
    while (end < folded.size() && !IsBlank(folded[end])) ++end;
    if (end > i) words.push_back(folded.substr(i, end - i));
    i = end;
  }
  return words;
}

std::string_view SearchedFields(std::string_view line) {
  const size_t first = line.find('^');
  if (first == std::string_view::npos) return {};
  size_t end = first;
  for (int field = 0; field < 4 && end != std::string_view::npos; ++field) {
    end = line.find('^', end + 1);
  }
  if (end == std::string_view::npos) end = line.size();
  return line.substr(first + 1, end - first - 1);
}

void RecordFilter::SetText(std::string_view typed) {
  text_ = std::string(typed);
  words_ = FilterWords(typed);
}

void RecordFilter::Fold(const RecordList& list) {
  if (folded_list_ == &list && folded_revision_ == list.revision()) return;
  folded_.clear();
  starts_.clear();
  starts_.reserve(list.size() + 1);
  for (size_t i = 0; i < list.size(); ++i) {
    starts_.push_back(folded_.size());
    FoldInto(folded_, SearchedFields(list.line(i)));
  }
  starts_.push_back(folded_.size());
  folded_list_ = &list;
  folded_revision_ = list.revision();
}

bool RecordFilter::Matches(size_t row) const {
  const char* text = folded_.data() + starts_[row];
  const size_t size = starts_[row + 1] - starts_[row];
  for (const std::string& word : words_) {
    if (memmem(text, size, word.data(), word.size()) == nullptr) return false;
  }
  return true;
}

const std::vector<size_t>& RecordFilter::Apply(const RecordList& list) {
  std::string query;
  for (const std::string& word : words_) query += word + " ";
  const bool same_list = rows_valid_ && rows_list_ == &list && rows_revision_ == list.revision();
  if (same_list && query == rows_query_) return rows_;

  std::vector<size_t> rows;
  if (!active()) {
    rows.resize(list.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
  } else {
    Fold(list);
    // Every word of a grown query holds a word of the shorter one, so
    // only the rows that matched before can match now.
    if (same_list && !rows_query_.empty() &&
        query.compare(0, rows_query_.size() - 1, rows_query_, 0, rows_query_.size() - 1) == 0) {
      for (size_t row : rows_) {
        if (Matches(row)) rows.push_back(row);
      }
    } else {
      for (size_t row = 0; row < list.size(); ++row) {
        if (Matches(row)) rows.push_back(row);
      }
    }
  }
  rows_ = std::move(rows);
  rows_query_ = std::move(query);
  rows_list_ = &list;
  rows_revision_ = list.revision();
  rows_valid_ = true;
  ++generation_;
  return rows_;
}

}  // namespace duvra
