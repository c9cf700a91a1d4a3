#include "indexer/merge.h"

#include <cstdint>
#include <functional>

#include "database/record_line.h"

namespace duvra {

std::string ComparableAddress(std::string_view address, std::string_view site_root) {
  if (address.find(site_root) != std::string_view::npos) return std::string(address);
  std::string out(site_root);
  if (!address.starts_with('/')) out.push_back('/');
  out.append(address);
  return out;
}

namespace {

// The fields of a record line as views, split as SplitRecordLine splits.
struct FieldViews {
  std::string_view title, url, text, keywords, new_window;
};

FieldViews ViewFields(std::string_view line) {
  std::string_view f[6];
  size_t start = 0;
  for (int i = 0; i < 6 && start <= line.size(); ++i) {
    size_t caret = i < 5 ? line.find(kFieldSeparator, start) : std::string_view::npos;
    if (caret == std::string_view::npos) {
      f[i] = line.substr(start);
      break;
    }
    f[i] = line.substr(start, caret - start);
    start = caret + 1;
  }
  return {f[1], f[2], f[3], f[4], f[5]};
}

// Rows of the list by the hash of their comparable address, so that each
// page finds its matching rows without scanning the list: an open-
// addressing table of chain heads, one chain per hash, linked through
// next_. Equal hashes are checked against the addresses themselves.
class RowIndex {
 public:
  RowIndex(const std::string& site_root, size_t max_rows) : root_(site_root) {
    size_t slots = 64;
    while (slots < 2 * max_rows) slots *= 2;
    slots_.assign(slots, 0);
    hash_.reserve(max_rows);
    next_.reserve(max_rows);
  }

  // Adds the row whose address is `url` (rows are added in order 0, 1, ...).
  void Add(std::string_view url) {
    const uint64_t h = Hash(Comparable(url));
    const uint32_t row = static_cast<uint32_t>(hash_.size());
    hash_.push_back(h);
    uint32_t& head = slots_[SlotOf(h)];
    next_.push_back(head);
    head = row + 1;
  }

  // Calls f(row) for every row whose comparable address is `address`.
  template <class F>
  void ForEachMatch(const RecordList& list, const std::string& address, F f) const {
    const uint64_t h = Hash(address);
    for (uint32_t r = slots_[SlotOf(h)]; r != 0; r = next_[r - 1]) {
      if (ComparableEquals(ViewFields(list.line(r - 1)).url, address)) f(r - 1);
    }
  }

 private:
  static uint64_t Hash(std::string_view s) { return std::hash<std::string_view>{}(s); }

  // The slot holding the chain of hash h, or the empty slot for it.
  size_t SlotOf(uint64_t h) const {
    const size_t mask = slots_.size() - 1;
    size_t i = h & mask;
    while (slots_[i] != 0 && hash_[slots_[i] - 1] != h) i = (i + 1) & mask;
    return i;
  }

  // ComparableAddress, in a buffer kept between calls.
  std::string_view Comparable(std::string_view url) {
    if (url.find(root_) != std::string_view::npos) return url;
    scratch_.assign(root_);
    if (!url.starts_with('/')) scratch_.push_back('/');
    scratch_.append(url);
    return scratch_;
  }

  bool ComparableEquals(std::string_view url, std::string_view address) const {
    if (url.find(root_) != std::string_view::npos) return url == address;
    if (!address.starts_with(root_)) return false;
    address.remove_prefix(root_.size());
    if (!url.starts_with('/')) {
      if (!address.starts_with('/')) return false;
      address.remove_prefix(1);
    }
    return url == address;
  }

  const std::string& root_;
  std::vector<uint32_t> slots_;  // row + 1 of a chain's head, 0 when empty
  std::vector<uint64_t> hash_;   // by row
  std::vector<uint32_t> next_;   // by row: row + 1 of the next in its chain, 0 at the end
  std::string scratch_;
};

// Replaces the row when its content differs from the page's; returns
// whether it did. The row then holds the page's address, which compares
// equal to itself (it contains the root), so the index stays right.
bool UpdateRow(RecordList& list, size_t row, const PageRecord& page) {
  const FieldViews item = ViewFields(list.line(row));
  if (item.title == page.title && item.text == page.text && item.keywords == page.keywords) {
    return false;
  }
  std::string line = JoinRecordLine({std::to_string(row), page.title, page.address, page.text,
                                     page.keywords, std::string(item.new_window.substr(0, 1))});
  list.SetLine(row, std::move(line));
  return true;
}

}  // namespace

MergeResult MergePages(Database& db, const std::vector<PageRecord>& pages,
                       const std::string& site_root, MergeMode mode) {
  MergeResult result;
  RecordList& list = db.records;
  if (mode == MergeMode::kAll) {
    for (const PageRecord& page : pages) list.Append(PageRecordLine(page));
    result.added = pages.size();
  } else {
    RowIndex index(site_root, list.size() + pages.size());
    for (size_t i = 0; i < list.size(); ++i) index.Add(ViewFields(list.line(i)).url);
    for (const PageRecord& page : pages) {
      bool known = false;
      index.ForEachMatch(list, page.address, [&](size_t row) {
        known = true;
        if (mode == MergeMode::kUpdate && UpdateRow(list, row, page)) ++result.updated;
      });
      if (known) continue;
      list.Append(PageRecordLine(page));
      index.Add(page.address);
      ++result.added;
    }
  }
  result.reselect_index = static_cast<long long>(list.size()) - 1;
  db.dirty = true;
  return result;
}

}  // namespace duvra
