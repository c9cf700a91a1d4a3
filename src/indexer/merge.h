// The merge of a crawl's page records into the record list, in one of the
// three modes of the Index window. Runs on the thread that owns the open
// database.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/db_files.h"
#include "indexer/page_analysis.h"

namespace duvra {

enum class MergeMode {
  kAll,     // "Add all pages (Ignore duplicates)"
  kUpdate,  // "Add new and update pages where the content has changed"
  kNew,     // "Just add new pages"
};

struct MergeResult {
  size_t added = 0;
  size_t updated = 0;
  long long reselect_index = -1;  // the last row of the list
};

// An item's address as the merge compares it: with the site root put in
// front (and a "/" between) unless the address contains the root anywhere.
std::string ComparableAddress(std::string_view address, std::string_view site_root);

// Appends or updates record lines for every page, in page order; lines
// appended for earlier pages take part in the later comparisons. Sets the
// dirty flag, also when nothing changed. Linear in pages plus items.
MergeResult MergePages(Database& db, const std::vector<PageRecord>& pages,
                       const std::string& site_root, MergeMode mode);

}  // namespace duvra
