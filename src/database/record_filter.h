// The record table's filter: which records hold every word typed into the
// filter box, compared without regard to case or accents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/record_list.h"

namespace duvra {

// Text made comparable: the bytes read as UTF-8 or windows-1252 (ToUtf8),
// ASCII and Latin letters lowered and stripped of their accents ("É" and
// "é" become "e", "ß" becomes "ss"); everything else is kept as UTF-8.
std::string FoldForSearch(std::string_view bytes);

// The words of a typed filter, folded; blanks separate them.
std::vector<std::string> FilterWords(std::string_view typed);

// The part of a record line the filter reads: Title, URL, Text and
// Keywords (Num and New Window would match nearly every record).
std::string_view SearchedFields(std::string_view line);

// The rows shown while a filter is typed. Folded record text is kept until
// the list changes, and a filter that only grows searches the rows of the
// previous one, so each keystroke stays cheap on large lists.
class RecordFilter {
 public:
  // Sets the typed text. An empty or blank text switches the filter off.
  void SetText(std::string_view typed);
  const std::string& text() const { return text_; }
  bool active() const { return !words_.empty(); }

  // The rows of `list` that hold every word, in list order (every row when
  // the filter is off). Recomputed only when the list or the text changed.
  const std::vector<size_t>& Apply(const RecordList& list);
  // The rows of the last Apply.
  const std::vector<size_t>& rows() const { return rows_; }
  // Counts every change of rows(), so that a view can tell when to reread.
  uint64_t generation() const { return generation_; }

 private:
  void Fold(const RecordList& list);
  bool Matches(size_t row) const;

  std::string text_;
  std::vector<std::string> words_;
  // The folded text of every row, one after the other.
  std::string folded_;
  std::vector<size_t> starts_;  // row i is folded_[starts_[i], starts_[i+1])
  const RecordList* folded_list_ = nullptr;
  uint64_t folded_revision_ = 0;
  // What rows_ was computed for.
  const RecordList* rows_list_ = nullptr;
  uint64_t rows_revision_ = 0;
  std::string rows_query_;  // the folded words joined by spaces
  bool rows_valid_ = false;
  std::vector<size_t> rows_;
  uint64_t generation_ = 0;
};

}  // namespace duvra
