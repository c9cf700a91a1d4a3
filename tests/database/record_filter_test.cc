// The record table's filter: folding, the fields it reads, the rows it
// shows while a user types, and the main window's state around it.
#include "database/record_filter.h"

#include <gtest/gtest.h>

#include <random>

#include "database/view_state.h"

namespace duvra {
namespace {

using Rows = std::vector<size_t>;

TEST(FoldForSearch, LowersAndStripsAccentsOfUtf8AndWindows1252Alike) {
  EXPECT_EQ(FoldForSearch("Caf\xC3\xA9 CR\xC3\x88ME"), "cafe creme");  // UTF-8
  EXPECT_EQ(FoldForSearch("Caf\xE9 CR\xC8ME"), "cafe creme");          // windows-1252
  EXPECT_EQ(FoldForSearch("Stra\xC3\x9F"
                          "e \xC5\x92uvre \xC3\x86on"),
            "strasse oeuvre aeon");
  EXPECT_EQ(FoldForSearch("\xC5\xBD\xC3\xA1\xC4\x8D"
                          "ek \xC5\x81\xC3\xB3"
                          "d\xC5\xBA"),
            "zacek lodz");
  // Signs that are not letters stay as they are; so do other scripts.
  EXPECT_EQ(FoldForSearch("2\xC3\x97"
                          "3 \xE2\x82\xAC \xD0\x94"),
            "2\xC3\x97"
            "3 \xE2\x82\xAC \xD0\x94");
  // windows-1252 punctuation becomes its UTF-8 form, so it can be typed.
  EXPECT_EQ(FoldForSearch("it\x92s \x80"
                          "5"),
            "it\xE2\x80\x99s \xE2\x82\xAC"
            "5");
  EXPECT_EQ(FoldForSearch(""), "");
}

TEST(FilterWords, SplitOnBlanksAndFold) {
  EXPECT_EQ(FilterWords("  Caf\xC3\xA9\t  MILL  "), (std::vector<std::string>{"cafe", "mill"}));
  EXPECT_TRUE(FilterWords(" \t ").empty());
}

TEST(SearchedFields, SkipsNumAndNewWindow) {
  EXPECT_EQ(SearchedFields("12^Title^/u.html^text^keys^1"), "Title^/u.html^text^keys");
  EXPECT_EQ(SearchedFields("12^Title^/u"), "Title^/u");
  EXPECT_EQ(SearchedFields("no separator"), "");
  RecordList list;
  list.Assign({"0^a^/a^^^0", "1^b^/b^^^1"});
  RecordFilter f;
  f.SetText("0");
  EXPECT_TRUE(f.Apply(list).empty());  // neither Num nor New Window matches
  f.SetText("1");
  EXPECT_TRUE(f.Apply(list).empty());
}

// The rows a plain scan finds: every word in the folded searched fields.
Rows Reference(const RecordList& list, const std::string& typed) {
  const std::vector<std::string> words = FilterWords(typed);
  Rows rows;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string hay = FoldForSearch(SearchedFields(list.line(i)));
    bool all = true;
    for (const auto& w : words) all = all && hay.find(w) != std::string::npos;
    if (all) rows.push_back(i);
  }
  return rows;
}

// Typing, deleting and editing the list in between, the kept folded text and
// the narrowing of a growing filter must give what a fresh scan gives.
TEST(RecordFilter, MatchesAPlainScanWhileTypingDeletingAndEditing) {
  std::mt19937 rng(16);
  const std::vector<std::string> pieces = {
      "caf\xC3\xA9", "Cafe",     "CAF\xC9", "mill",      "Millbrook", "brook", " ", " ", "^", "ab",
      "x",           "\xC3\x9F", "ss",      "\xE9t\xE9", "ETE",       "\x92",  "'", "0", "1"};
  auto piece = [&] { return pieces[rng() % pieces.size()]; };
  auto line = [&](size_t num) {
    std::string l = std::to_string(num);
    for (int f = 0; f < 5; ++f) l += "^" + piece() + piece();
    return l;
  };
  RecordList list;
  std::vector<std::string> lines;
  for (size_t i = 0; i < 60; ++i) lines.push_back(line(i));
  list.Assign(lines);

  const std::string alphabet = "cafe\xC3\xA9 mil brok ss\xC3\x9F x";
  RecordFilter filter;
  std::string typed;
  for (int step = 0; step < 3000; ++step) {
    const unsigned action = rng() % 10;
    if (action < 6) {
      typed.push_back(alphabet[rng() % alphabet.size()]);
    } else if (action < 8 && !typed.empty()) {
      typed.pop_back();
    } else if (action == 8) {
      list.SetLine(rng() % list.size(), line(0));
    } else {
      typed.clear();
    }
    filter.SetText(typed);
    ASSERT_EQ(filter.Apply(list), Reference(list, typed)) << "after typing '" << typed << "'";
  }
}

TEST(RecordFilter, OffShowsEveryRowAndCountsGenerations) {
  RecordList list;
  list.Assign({"0^Alpha^/a^^^0", "1^Beta^/b^^^0", "2^alphabet^/c^^^0"});
  RecordFilter f;
  EXPECT_FALSE(f.active());
  EXPECT_EQ(f.Apply(list), (Rows{0, 1, 2}));
  const uint64_t g = f.generation();
  f.Apply(list);
  EXPECT_EQ(f.generation(), g);  // nothing changed, nothing recomputed
  f.SetText("ALPHA");
  EXPECT_EQ(f.Apply(list), (Rows{0, 2}));
  EXPECT_GT(f.generation(), g);
  list.Append("3^ALPHA^/d^^^0");
  EXPECT_EQ(f.Apply(list), (Rows{0, 2, 3}));
}

Database FilterDb() {
  Database db;
  db.open = true;
  db.settings.database_name = "db";
  db.records.Assign({"0^Alpha^/a^^^0", "1^Beta^/b^^^0", "2^alpha two^/c^^^0", "3^Gamma^/g^^^0",
                     "4^ALPHA^/e^^^0"});
  return db;
}

TEST(FilterState, CountsHidesSelectionAndStopsMoves) {
  Database db = FilterDb();
  ViewState vs;
  RecordFilter filter;
  db.records.SetSelected(1, true);
  db.records.SetSelected(2, true);
  FilterEditChange(filter, db.records, "alpha");
  EXPECT_EQ(db.records.SelectedRows(), (Rows{2}));  // Beta is hidden, so no longer selected
  StateUpdate(db, &vs);
  EXPECT_EQ(ShowFilterState(filter, db.records, &vs), (Rows{0, 2, 4}));
  EXPECT_EQ(vs.count_text, "3 of 5 Records");
  EXPECT_FALSE(vs.IsEnabled(Command::kMoveUp));
  EXPECT_FALSE(vs.IsEnabled(Command::kMoveDown));
  EXPECT_TRUE(vs.IsEnabled(Command::kDelete));
  EXPECT_TRUE(vs.IsEnabled(Command::kEditRecord));
  PopupState pop = FilteredPopupState(filter, db.records);
  EXPECT_FALSE(pop[Command::kMoveUp]);
  EXPECT_FALSE(pop[Command::kMoveDown]);
  EXPECT_TRUE(pop[Command::kEditRecord]);

  // Select All then Delete touch only the records shown.
  TBXSelectAllClick(db, &vs);
  ShowFilterState(filter, db.records, &vs);
  EXPECT_EQ(db.records.SelectedRows(), (Rows{0, 2, 4}));
  EXPECT_EQ(DeleteQuestion(db.records), "Delete the 3 selected records?");
  TBXDeleteClick(db, &vs);
  EXPECT_EQ(db.records.lines(), (std::vector<std::string>{"0^Beta^/b^^^0", "1^Gamma^/g^^^0"}));
  EXPECT_TRUE(ShowFilterState(filter, db.records, &vs).empty());
  EXPECT_EQ(vs.count_text, "0 of 2 Records");

  // Off again: the plain count and enabling come back.
  FilterEditChange(filter, db.records, "");
  StateUpdate(db, &vs);
  ShowFilterState(filter, db.records, &vs);
  EXPECT_EQ(vs.count_text, "2 Records");
  EXPECT_TRUE(vs.IsEnabled(Command::kMoveDown));
}

TEST(FilterState, TypingSelectsTheFirstShownRowWhenNothingShownIsSelected) {
  Database db = FilterDb();
  RecordFilter filter;
  db.records.SetSelected(1, true);
  FilterEditChange(filter, db.records, "gam");
  EXPECT_EQ(db.records.SelectedRows(), (Rows{3}));
  FilterEditChange(filter, db.records, "nothing like it");
  EXPECT_TRUE(db.records.SelectedRows().empty());
}

TEST(FilterState, ClearRemovesOnlyTheRecordsShown) {
  Database db = FilterDb();
  ViewState vs;
  RecordFilter filter;
  FilterEditChange(filter, db.records, "alpha");
  ShowFilterState(filter, db.records, &vs);
  EXPECT_EQ(ClearQuestion(db.records, filter), "Delete the 3 records shown?");
  TBXClearClick(db, &vs, filter);
  EXPECT_EQ(db.records.lines(), (std::vector<std::string>{"0^Beta^/b^^^0", "1^Gamma^/g^^^0"}));
  EXPECT_TRUE(db.dirty);
  FilterEditChange(filter, db.records, "");
  EXPECT_EQ(ClearQuestion(db.records, filter), "Delete all 2 records?");
  TBXClearClick(db, &vs, filter);
  EXPECT_TRUE(db.records.empty());
  EXPECT_EQ(ClearQuestion(db.records, filter), "");
}

TEST(DeleteQuestion, AskedForSeveralOrAllRecordsOnly) {
  RecordList list;
  list.Assign({"0^a^^^^0", "1^b^^^^0", "2^c^^^^0"});
  EXPECT_EQ(DeleteQuestion(list), "");  // nothing selected: nothing is deleted
  list.SetSelected(1, true);
  EXPECT_EQ(DeleteQuestion(list), "");  // one of several
  list.SetSelected(2, true);
  EXPECT_EQ(DeleteQuestion(list), "Delete the 2 selected records?");
  list.SelectAll();
  EXPECT_EQ(DeleteQuestion(list), "Delete all 3 records?");
  list.Assign({"0^only^^^^0"});
  list.SetSelected(0, true);
  EXPECT_EQ(DeleteQuestion(list), "Delete the only record?");
}

}  // namespace
}  // namespace duvra
