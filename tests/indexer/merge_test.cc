#include "indexer/merge.h"

#include <gtest/gtest.h>

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

Database DbWith(const Lines& lines) {
  Database db;
  db.open = true;
  db.records.Assign(lines);
  return db;
}

const std::string kRoot = "http://site";

TEST(MergePages, AllModeAppendsEverythingAndDoublesOnARerun) {
  Database db = DbWith({"0^Old^http://site/a.htm^t^k^1"});
  std::vector<PageRecord> pages = {{"A", "http://site/a.htm", "t", "k"},
                                   {"B", "http://site/b.htm", "", ""}};
  MergeResult r = MergePages(db, pages, kRoot, MergeMode::kAll);
  MergePages(db, pages, kRoot, MergeMode::kAll);
  EXPECT_EQ(db.records.lines(),
            (Lines{"0^Old^http://site/a.htm^t^k^1", "0^A^http://site/a.htm^t^k^0",
                   "0^B^http://site/b.htm^^^0", "0^A^http://site/a.htm^t^k^0",
                   "0^B^http://site/b.htm^^^0"}));
  EXPECT_EQ(r.added, 2u);
  EXPECT_TRUE(db.dirty);
}

TEST(MergePages, UpdateReplacesChangedItemsInPlaceWithTheirNewWindowFlag) {
  Database db = DbWith({"0^Keep^http://site/same.htm^t^k^0", "1^Old title^/a.htm^t^k^1",
                        "2^Other^http://other/a.htm^t^k^0"});
  std::vector<PageRecord> pages = {{"New title", "http://site/a.htm", "t", "k"},
                                   {"Keep", "http://site/same.htm", "t", "k"},
                                   {"Fresh", "http://site/new.htm", "x", "y"}};
  MergeResult r = MergePages(db, pages, kRoot, MergeMode::kUpdate);
  EXPECT_EQ(db.records.lines(),
            (Lines{"0^Keep^http://site/same.htm^t^k^0", "1^New title^http://site/a.htm^t^k^1",
                   "2^Other^http://other/a.htm^t^k^0", "0^Fresh^http://site/new.htm^x^y^0"}));
  EXPECT_EQ(r.updated, 1u);
  EXPECT_EQ(r.added, 1u);
  EXPECT_EQ(r.reselect_index, 3);
}

TEST(MergePages, UpdateTreatsEveryMatchingItemAndLinesAddedEarlier) {
  // Both local forms of one address match; a page read twice under one
  // address meets the line its first reading appended.
  Database db = DbWith({"0^x^a.htm^^^1", "1^y^/a.htm^^^", "2^z^http://site/a.htm^c^^0"});
  std::vector<PageRecord> pages = {{"T", "http://site/a.htm", "c", ""},
                                   {"U", "http://site/b.htm", "", ""},
                                   {"V", "http://site/b.htm", "", ""}};
  MergePages(db, pages, kRoot, MergeMode::kUpdate);
  EXPECT_EQ(db.records.lines(), (Lines{"0^T^http://site/a.htm^c^^1", "1^T^http://site/a.htm^c^^",
                                       "2^T^http://site/a.htm^c^^0", "3^V^http://site/b.htm^^^0"}));
}

TEST(MergePages, NewModeComparesAddressesOnly) {
  Database db = DbWith({"0^Old^/a.htm^t^k^1"});
  std::vector<PageRecord> pages = {{"Changed", "http://site/a.htm", "t2", "k2"},
                                   {"B", "http://site/b.htm", "", ""},
                                   {"B again", "http://site/b.htm", "", ""}};
  MergeResult r = MergePages(db, pages, kRoot, MergeMode::kNew);
  EXPECT_EQ(db.records.lines(), (Lines{"0^Old^/a.htm^t^k^1", "0^B^http://site/b.htm^^^0"}));
  EXPECT_EQ(r.added, 1u);
  EXPECT_EQ(r.reselect_index, 1);
}

TEST(MergePages, NothingToMergeStillSetsDirty) {
  Database db = DbWith({});
  MergeResult r = MergePages(db, {}, kRoot, MergeMode::kAll);
  EXPECT_TRUE(db.dirty);
  EXPECT_EQ(r.reselect_index, -1);
}

TEST(ComparableAddress, RootInFrontUnlessContainedAnywhere) {
  EXPECT_EQ(ComparableAddress("/a.htm", kRoot), "http://site/a.htm");
  EXPECT_EQ(ComparableAddress("a.htm", kRoot), "http://site/a.htm");
  EXPECT_EQ(ComparableAddress("/go.htm?u=http://site", kRoot), "/go.htm?u=http://site");
  EXPECT_EQ(ComparableAddress("", kRoot), "http://site/");
}

}  // namespace
}  // namespace duvra
