// A generated web site for end-to-end crawls: a few hundred pages in nested
// folders, file names with capitals, links in every form (relative with
// "../", root-relative, absolute, with fragments, self-closing tags), links
// to missing pages, to non-pages and to other schemes, an excluded folder,
// and cycles everywhere.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace duvra::testing {

struct FixtureSite {
  // Document path ("/docs/a/Page3.html") -> file content.
  std::map<std::string, std::string> files;
  // Pages to put on the excluded pages list, as the Options dialog stores
  // them.
  std::vector<std::string> excluded_pages;

  std::string base;  // "http://host:port", as absolute links name the site

  // What a static server answers for each address: every file under its
  // path, and each folder's index.html under the folder's path too.
  std::map<std::string, std::string> Addresses() const;
};

// Builds the same site for the same seed and base.
FixtureSite MakeFixtureSite(size_t pages, unsigned seed, const std::string& base);

}  // namespace duvra::testing
