// A literal implementation of the indexer's rules, kept only to check the
// fast one against: every step is done the plain way the rules read (delete
// and rescan, scan every entry), so its results are the standard and its
// speed does not matter.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "indexer/merge.h"
#include "indexer/page_analysis.h"

namespace duvra::reference {

struct Table {
  std::vector<std::string> addresses;
  std::vector<bool> pending;
  size_t capacity = 65535;
};

std::vector<std::string> ScanLinks(const std::string& page, size_t cut);
void AddToList(std::string link, const std::string& page_directory, const std::string& site_root,
               Table& table);
std::string StripTags(std::string region);
PageRecord AnalysePage(const std::string& page, const std::string& address, bool create_keywords,
                       const std::vector<std::string>& excluded_words, size_t cut);

// A whole crawl over a site given as address -> body (an address missing
// from the map fails to load), with passes that start from entry 1.
struct CrawlResult {
  bool started = false;
  std::vector<std::string> lines;
  std::vector<PageRecord> pages;
  std::vector<std::string> table;
  std::vector<std::string> fetched;  // every Get, the test read included
};
CrawlResult Crawl(const std::map<std::string, std::string>& site, const std::string& site_address,
                  bool create_keywords, const std::vector<std::string>& excluded_words,
                  const std::vector<std::string>& excluded_pages, size_t max_pages,
                  size_t table_capacity, size_t cut);

// The merge, scanning every list item for every page.
void Merge(std::vector<std::string>& list, const std::vector<PageRecord>& pages,
           const std::string& site_root, MergeMode mode);

}  // namespace duvra::reference
