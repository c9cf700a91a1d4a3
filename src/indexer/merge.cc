#include "indexer/merge.h"

#include <unordered_map>

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

// Rows of the list by comparable address, so that each page finds its
// matching items without scanning the list.
using AddressIndex = std::unordered_map<std::string, std::vector<size_t>>;

AddressIndex IndexList(const RecordList& list, std::string_view site_root) {
  AddressIndex index;
  index.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    index[ComparableAddress(SplitRecordLine(list.line(i)).url, site_root)].push_back(i);
  }
  return index;
}

// Replaces every matching row whose content differs; returns how many. A
// row that matched holds the page's address afterwards, which compares
// equal to itself (it contains the root), so the index stays right.
size_t UpdateRows(RecordList& list, const std::vector<size_t>& rows, const PageRecord& page) {
  size_t updated = 0;
  for (size_t row : rows) {
    RecordFields item = SplitRecordLine(list.line(row));
    if (item.title == page.title && item.text == page.text && item.keywords == page.keywords) {
      continue;
    }
    list.SetLine(row, JoinRecordLine({std::to_string(row), page.title, page.address, page.text,
                                      page.keywords, item.new_window.substr(0, 1)}));
    ++updated;
  }
  return updated;
}

}  // namespace

MergeResult MergePages(Database& db, const std::vector<PageRecord>& pages,
                       const std::string& site_root, MergeMode mode) {
  MergeResult result;
  RecordList& list = db.records;
  AddressIndex index;
  if (mode != MergeMode::kAll) index = IndexList(list, site_root);
  for (const PageRecord& page : pages) {
    if (mode != MergeMode::kAll) {
      auto it = index.find(page.address);
      if (it != index.end() && !it->second.empty()) {
        if (mode == MergeMode::kUpdate) result.updated += UpdateRows(list, it->second, page);
        continue;
      }
      index[ComparableAddress(page.address, site_root)].push_back(list.size());
    }
    list.Append(PageRecordLine(page));
    ++result.added;
  }
  result.reselect_index = static_cast<long long>(list.size()) - 1;
  db.dirty = true;
  return result;
}

}  // namespace duvra
