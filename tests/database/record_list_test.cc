#include "database/record_list.h"

#include <gtest/gtest.h>

#include "database/record_line.h"
#include "database/view_state.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

Database OpenDbWithRows(size_t n) {
  Database db;
  db.open = true;
  db.settings.database_name = "db";
  Lines lines;
  for (size_t i = 0; i < n; ++i)
    lines.push_back(std::to_string(i) + "^t" + std::to_string(i) + "^/u^x^k^0");
  db.records.Assign(lines);
  return db;
}

std::vector<size_t> Selected(const Database& db) { return db.records.SelectedRows(); }
std::string TitleAt(const Database& db, size_t i) {
  return SplitRecordLine(db.records.line(i)).title;
}

TEST(EditSort, RenumbersWithoutReordering) {
  RecordList list;
  list.Assign({"7^a^u", "3^b^u", "plain"});
  list.SetSelected(1, true);
  EditSort(list);
  EXPECT_EQ(list.lines(), (Lines{"0^a^u", "1^b^u", "2^plain"}));
  EXPECT_EQ(list.selected_count(), 0u);
}

// Lines without "^" (an empty one too) keep their text through any number
// of moves and renumberings: the number is put in front once, not again.
TEST(EditSort, LinesWithoutSeparatorKeepTheirTextThroughMoves) {
  Database db;
  db.open = true;
  std::vector<std::string> lines;
  for (int i = 0; i < 250; ++i) lines.push_back(i % 50 == 0 ? "" : std::to_string(i) + "^t^u");
  lines[120] = "plain 42";
  db.records.Assign(lines);
  ViewState vs;
  std::vector<std::string> texts;  // each line's text after its number
  EditSort(db.records);
  for (const auto& l : db.records.lines()) texts.push_back(l.substr(l.find('^')));
  for (int round = 0; round < 4; ++round) {
    db.records.SetSelected(200, true);
    TBXMoveUpClick(db, &vs);
    db.records.ClearSelection();
    db.records.SetSelected(199, true);
    TBXMoveDownClick(db, &vs);
    db.records.ClearSelection();
    EditSort(db.records);
  }
  for (size_t i = 0; i < db.records.size(); ++i) {
    EXPECT_EQ(db.records.line(i), std::to_string(i) + texts[i]) << i;
  }
  EXPECT_EQ(db.records.line(200), "200^");
  EXPECT_EQ(db.records.line(120), "120^plain 42");
}

TEST(StateUpdate, ClosedOpenEmptyAndFull) {
  Database db;
  ViewState vs;
  StateUpdate(db, &vs);
  EXPECT_EQ(vs.title, "Duvra");
  EXPECT_FALSE(vs.list_visible);
  EXPECT_EQ(vs.address_text, "");
  for (Command item : {Command::kClose, Command::kSave, Command::kSaveAs, Command::kInsertFile,
                       Command::kAddressEdit, Command::kOptions, Command::kNewRecord,
                       Command::kIndex, Command::kExport, Command::kCreate, Command::kDelete}) {
    EXPECT_FALSE(vs.IsEnabled(item)) << static_cast<int>(item);
  }
  EXPECT_EQ(vs.count_text, "No Records");

  db = OpenDbWithRows(0);
  StateUpdate(db, &vs);
  EXPECT_EQ(vs.title, "db");
  EXPECT_TRUE(vs.list_visible);
  EXPECT_TRUE(vs.IsEnabled(Command::kSave));
  EXPECT_TRUE(vs.IsEnabled(Command::kAddressEdit));
  EXPECT_FALSE(vs.IsEnabled(Command::kIndex));  // no site address
  EXPECT_FALSE(vs.IsEnabled(Command::kExport));
  EXPECT_FALSE(vs.IsEnabled(Command::kInsertNewRecord));
  EXPECT_EQ(vs.horizontal_extent, 0);

  db.settings.site_address = "example.com";
  db.records.Assign({"0^t^/u^x^k^0"});
  StateUpdate(db, &vs);
  EXPECT_EQ(vs.address_text, "example.com");
  EXPECT_TRUE(vs.IsEnabled(Command::kIndex));
  EXPECT_TRUE(vs.IsEnabled(Command::kExport));
  EXPECT_TRUE(vs.IsEnabled(Command::kDelete));
  EXPECT_EQ(vs.count_text, "1 Record");
  EXPECT_EQ(vs.horizontal_extent, 6 * 12);
}

TEST(StateUpdate, CountText) {
  EXPECT_EQ(RecordCountText(0), "No Records");
  EXPECT_EQ(RecordCountText(1), "1 Record");
  EXPECT_EQ(RecordCountText(2), "2 Records");
}

TEST(SelectionRule, EnablesMovesByPosition) {
  Database db = OpenDbWithRows(3);
  ViewState vs;
  StateUpdate(db, &vs);
  EXPECT_TRUE(vs.IsEnabled(Command::kDelete));
  EXPECT_FALSE(vs.IsEnabled(Command::kMoveUp));  // nothing selected yet: kept as it was

  db.records.SetSelected(1, true);
  EditListClick(db.records, &vs);
  EXPECT_TRUE(vs.IsEnabled(Command::kMoveUp));
  EXPECT_TRUE(vs.IsEnabled(Command::kMoveDown));
  EXPECT_TRUE(vs.IsEnabled(Command::kInsertNewRecord));

  // An empty selection keeps what the moves had.
  db.records.ClearSelection();
  EditListClick(db.records, &vs);
  EXPECT_TRUE(vs.IsEnabled(Command::kMoveUp));

  Database one = OpenDbWithRows(1);
  TBXSelectAllClick(one, &vs);
  EXPECT_FALSE(vs.IsEnabled(Command::kMoveUp));
  EXPECT_FALSE(vs.IsEnabled(Command::kMoveDown));
  EXPECT_FALSE(one.dirty);
}

TEST(PopupRule, FollowsSelection) {
  Database db = OpenDbWithRows(3);
  PopupState p = TBXPopupMenuPopup(db.records);
  EXPECT_EQ(p, PopupState{});
  db.records.SetSelected(2, true);
  p = TBXPopupMenuPopup(db.records);
  EXPECT_TRUE(p[Command::kInsertNewRecord]);
  EXPECT_TRUE(p[Command::kDelete]);
  EXPECT_TRUE(p[Command::kMoveUp]);
  EXPECT_FALSE(p[Command::kMoveDown]);
}

TEST(Delete, SelectsRowBeforeFirstSelected) {
  Database db = OpenDbWithRows(6);
  ViewState vs;
  db.records.SetSelected(2, true);
  db.records.SetSelected(4, true);
  TBXDeleteClick(db, &vs);
  ASSERT_EQ(db.records.size(), 4u);
  EXPECT_EQ(db.records.lines()[2], "2^t3^/u^x^k^0");
  EXPECT_EQ(db.records.lines()[3], "3^t5^/u^x^k^0");
  EXPECT_EQ(Selected(db), (std::vector<size_t>{1}));
  EXPECT_TRUE(db.dirty);
  EXPECT_EQ(vs.count_text, "4 Records");
}

TEST(Delete, FromRowZeroAndAllAndNothing) {
  Database db = OpenDbWithRows(3);
  ViewState vs;
  db.records.SetSelected(0, true);
  TBXDeleteClick(db, &vs);
  EXPECT_EQ(Selected(db), (std::vector<size_t>{0}));
  EXPECT_EQ(TitleAt(db, 0), "t1");

  // Nothing selected: nothing removed, row 0 selected, dirty.
  db.records.ClearSelection();
  db.dirty = false;
  TBXDeleteClick(db, &vs);
  EXPECT_EQ(db.records.size(), 2u);
  EXPECT_EQ(Selected(db), (std::vector<size_t>{0}));
  EXPECT_TRUE(db.dirty);

  db.records.SelectAll();
  TBXDeleteClick(db, &vs);
  EXPECT_TRUE(db.records.empty());
  EXPECT_EQ(vs.count_text, "No Records");
  EXPECT_FALSE(vs.IsEnabled(Command::kDelete));
}

TEST(MoveUp, MovesRowAboveBelowTheSpan) {
  Database db = OpenDbWithRows(6);
  ViewState vs;
  db.records.SetSelected(2, true);
  db.records.SetSelected(4, true);
  TBXMoveUpClick(db, &vs);
  std::vector<std::string> titles;
  for (size_t i = 0; i < 6; ++i) titles.push_back(TitleAt(db, i));
  EXPECT_EQ(titles, (Lines{"t0", "t2", "t3", "t4", "t1", "t5"}));
  EXPECT_EQ(Selected(db), (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(db.records.line(4).substr(0, 2), "4^");
  EXPECT_TRUE(db.dirty);
}

TEST(MoveUpDown, GuardsAtTheEnds) {
  Database db = OpenDbWithRows(3);
  ViewState vs;
  db.records.SetSelected(0, true);
  TBXMoveUpClick(db, &vs);
  EXPECT_FALSE(db.dirty);
  db.records.ClearSelection();
  db.records.SetSelected(2, true);
  TBXMoveDownClick(db, &vs);
  EXPECT_FALSE(db.dirty);
  db.records.ClearSelection();
  TBXMoveDownClick(db, &vs);
  TBXMoveUpClick(db, &vs);
  EXPECT_FALSE(db.dirty);
}

TEST(MoveDown, MovesRowBelowAboveTheSpan) {
  Database db = OpenDbWithRows(5);
  ViewState vs;
  db.records.SetSelected(1, true);
  db.records.SetSelected(2, true);
  TBXMoveDownClick(db, &vs);
  std::vector<std::string> titles;
  for (size_t i = 0; i < 5; ++i) titles.push_back(TitleAt(db, i));
  EXPECT_EQ(titles, (Lines{"t0", "t3", "t1", "t2", "t4"}));
  EXPECT_EQ(Selected(db), (std::vector<size_t>{2, 3}));
  EXPECT_TRUE(vs.IsEnabled(Command::kMoveDown));
  db.records.ClearSelection();
  db.records.SetSelected(3, true);
  TBXMoveDownClick(db, &vs);
  EXPECT_EQ(Selected(db), (std::vector<size_t>{4}));
  EXPECT_FALSE(vs.IsEnabled(Command::kMoveDown));
}

TEST(Clear, EmptiesAndDirties) {
  Database db = OpenDbWithRows(4);
  ViewState vs;
  TBXClearClick(db, &vs);
  EXPECT_TRUE(db.records.empty());
  EXPECT_TRUE(db.dirty);
  EXPECT_FALSE(vs.IsEnabled(Command::kClear));
}

TEST(Reselect, SelectsInsideTheListOnly) {
  Database db = OpenDbWithRows(3);
  db.records.Assign({"9^a^u", "9^b^u", "9^c^u"});
  ViewState vs;
  ReselectAfterWindow(db, &vs, 2);
  EXPECT_EQ(db.records.line(2), "2^c^u");
  EXPECT_EQ(Selected(db), (std::vector<size_t>{2}));
  ReselectAfterWindow(db, &vs, 3);
  EXPECT_TRUE(Selected(db).empty());
  ReselectAfterWindow(db, &vs, -1);
  EXPECT_TRUE(Selected(db).empty());
}

}  // namespace
}  // namespace duvra
