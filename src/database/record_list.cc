#include "database/record_list.h"

#include <algorithm>
#include <charconv>

namespace duvra {

void RecordList::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  selected_.assign(lines_.size(), 0);
  selected_count_ = 0;
  ++revision_;
}

void RecordList::SetLine(size_t i, std::string text) {
  lines_[i] = std::move(text);
  ++revision_;
}

void RecordList::Append(std::string text) { Insert(lines_.size(), std::move(text)); }

void RecordList::Insert(size_t i, std::string text) {
  i = std::min(i, lines_.size());
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(i), std::move(text));
  selected_.insert(selected_.begin() + static_cast<std::ptrdiff_t>(i), 0);
  ++revision_;
}

void RecordList::Clear() { Assign({}); }

void RecordList::SetSelected(size_t i, bool on) {
  if (i >= selected_.size() || (selected_[i] != 0) == on) return;
  selected_[i] = on ? 1 : 0;
  if (on) {
    ++selected_count_;
  } else {
    --selected_count_;
  }
}

void RecordList::ClearSelection() {
  std::fill(selected_.begin(), selected_.end(), 0);
  selected_count_ = 0;
}

void RecordList::SelectAll() {
  std::fill(selected_.begin(), selected_.end(), 1);
  selected_count_ = selected_.size();
}

void RecordList::SelectRange(size_t first, size_t last) {
  if (lines_.empty()) return;
  last = std::min(last, lines_.size() - 1);
  for (size_t i = first; i <= last; ++i) SetSelected(i, true);
}

std::optional<size_t> RecordList::FirstSelected() const {
  if (selected_count_ == 0) return std::nullopt;
  auto it = std::find(selected_.begin(), selected_.end(), 1);
  return static_cast<size_t>(it - selected_.begin());
}

std::optional<size_t> RecordList::LastSelected() const {
  if (selected_count_ == 0) return std::nullopt;
  auto it = std::find(selected_.rbegin(), selected_.rend(), 1);
  return static_cast<size_t>(selected_.rend() - it - 1);
}

std::vector<size_t> RecordList::SelectedRows() const {
  std::vector<size_t> rows;
  rows.reserve(selected_count_);
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i]) rows.push_back(i);
  }
  return rows;
}

void RecordList::RemoveSelected() {
  if (selected_count_ == 0) return;
  size_t out = 0;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!selected_[i]) {
      if (out != i) lines_[out] = std::move(lines_[i]);
      ++out;
    }
  }
  lines_.resize(out);
  selected_.assign(out, 0);
  selected_count_ = 0;
  ++revision_;
}

void RecordList::MoveRow(size_t from, size_t to) {
  if (from >= lines_.size() || to >= lines_.size() || from == to) return;
  auto rotate = [&](auto& v) {
    if (from < to) {
      std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
    } else {
      std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    }
  };
  rotate(lines_);
  rotate(selected_);
  ++revision_;
}

size_t RecordList::LongestLineLength() const {
  size_t longest = 0;
  for (const auto& l : lines_) longest = std::max(longest, l.size());
  return longest;
}

void EditSort(RecordList& list) {
  std::vector<std::string>& lines = list.lines_;
  char digits[24];
  constexpr size_t kPrefetchAhead = 16;
  for (size_t i = 0; i < lines.size(); ++i) {
    // Each line lives in its own heap block; fetching a few ahead hides the
    // cache and TLB misses that otherwise dominate on large lists.
    if (i + kPrefetchAhead < lines.size()) __builtin_prefetch(lines[i + kPrefetchAhead].data(), 1);
    std::string& l = lines[i];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, i);
    (void)ec;
    size_t caret = l.find('^');
    if (caret == std::string::npos) {
      // The number goes in front with its "^", so that the next renumbering
      // replaces it instead of putting another one before it.
      l.insert(0, 1, '^');
      caret = 0;
    }
    const std::string_view num(digits, static_cast<size_t>(end - digits));
    // Most lines already carry their number; leaving them untouched keeps
    // a renumber of a large list from dirtying every line's memory.
    if (std::string_view(l).substr(0, caret) != num) l.replace(0, caret, num);
  }
  list.ClearSelection();
  ++list.revision_;
}

}  // namespace duvra
