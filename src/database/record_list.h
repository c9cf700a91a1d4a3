// The record list: the ordered record lines of the open database, each row
// with a selected state. It is the record store itself; the main window's
// list view only shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace duvra {

class RecordList {
 public:
  size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  const std::string& line(size_t i) const { return lines_[i]; }
  const std::vector<std::string>& lines() const { return lines_; }

  // Replaces the whole content; clears the selection.
  void Assign(std::vector<std::string> lines);
  // Replaces one line in place; its selected state is kept.
  void SetLine(size_t i, std::string text);
  void Append(std::string text);
  // Inserts before row i (i == size() appends); the new row is unselected.
  void Insert(size_t i, std::string text);
  void Clear();

  bool selected(size_t i) const { return selected_[i] != 0; }
  void SetSelected(size_t i, bool on);
  void ClearSelection();
  void SelectAll();
  // Selects rows first..last inclusive (clamped to the list).
  void SelectRange(size_t first, size_t last);
  size_t selected_count() const { return selected_count_; }
  std::optional<size_t> FirstSelected() const;
  std::optional<size_t> LastSelected() const;
  std::vector<size_t> SelectedRows() const;

  // Removes every selected row, keeping the order of the rest.
  void RemoveSelected();
  // Moves row `from` to position `to` (indices of the list before the move),
  // shifting the rows in between by one. Selection moves with the rows.
  void MoveRow(size_t from, size_t to);

  // Length of the longest line, in bytes.
  size_t LongestLineLength() const;

  // Counts every change of content or order, so that a view can tell when
  // to reread.
  uint64_t revision() const { return revision_; }

 private:
  friend void EditSort(RecordList& list);
  std::vector<std::string> lines_;
  std::vector<char> selected_;  // same size as lines_
  size_t selected_count_ = 0;   // number of non-zero entries of selected_
  uint64_t revision_ = 0;
};

// Renumbers every line: the text before the first "^" becomes the line's
// index; a line without "^" gets the index and a "^" put in front of it, so
// it becomes a record whose Title is the whole line. Clears the selection.
void EditSort(RecordList& list);

}  // namespace duvra
