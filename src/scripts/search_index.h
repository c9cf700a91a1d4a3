// The search index: the records cut into many small scripts in the folder
// duv_index beside the three scripts, so that the visitor's search loads only
// what a query needs instead of every record.
//
// duv_index/manifest.js names the current version; the parts live in
// duv_index/<version>/:
//   d<n>.js  the dictionary: every distinct word (folded, umlaut spelling),
//            filed by its first two letters, with where its postings are;
//   a.js     the words that have an umlaut spelling (matched by any query);
//   p<n>.js  postings: per word, the records, fields and word positions
//            that hold it, which is all the ranking reads;
//   r<n>.js  what a result shows of each record (its keywords left out);
//   x<n>.js  records holding characters this generator does not read,
//            which the search reads whole.
// Every part calls duv_index_part(name, data), so it loads with a script
// element from file:// as well as over http.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "database/file_system.h"

namespace duvra {

inline constexpr std::string_view kIndexFolder = "duv_index";
inline constexpr std::string_view kIndexManifest = "manifest.js";

struct IndexLimits {
  size_t records_per_chunk = 64;  // records per r part, at most
  // Fewer when the records' shown text is long: about this much a part.
  size_t chunk_bytes = 16 * 1024;
  size_t pack_bytes = 64 * 1024;  // a p part is closed once it holds this much
  size_t dictionary_bytes = 8 * 1024;
  size_t rest_bytes = 64 * 1024;
};

// Writes a new version of the index for the record lines (Num^Title^URL^
// Text^Keywords^NewWindow) into folder/duv_index, then switches the manifest
// to it and removes the older versions. A failure leaves the old version in
// use (nothing of the new one stays behind) and returns the file error.
Status WriteSearchIndex(const std::string& folder, const std::vector<std::string>& record_lines,
                        FileSystem& files, const IndexLimits& limits = {});

// Takes the index out of use (the manifest first, so that the search reads
// duv_data.js) and removes its versions; files in duv_index that are not the
// index's stay.
Status RemoveSearchIndex(const std::string& folder);

// One number in the postings' text form: five bits a character, most
// significant first; every character but the last is from the upper half
// of the alphabet.
void AppendIndexNumber(std::string& out, unsigned long long n);

}  // namespace duvra
