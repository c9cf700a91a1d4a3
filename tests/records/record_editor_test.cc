#include "records/record_editor.h"

#include <gtest/gtest.h>

#include "database/record_line.h"

namespace duvra {
namespace {

using Lines = std::vector<std::string>;

// A database whose record i reads "i^t<i>^/u<i>^x^k^0".
Database DbWithRows(size_t n) {
  Database db;
  db.open = true;
  db.settings.database_name = "db";
  Lines lines;
  for (size_t i = 0; i < n; ++i) {
    lines.push_back(std::to_string(i) + "^t" + std::to_string(i) + "^/u" + std::to_string(i) +
                    "^x^k^0");
  }
  db.records.Assign(lines);
  return db;
}

std::string TitleAt(const Database& db, size_t i) {
  return SplitRecordLine(db.records.line(i)).title;
}

Lines Titles(const Database& db) {
  Lines t;
  for (size_t i = 0; i < db.records.size(); ++i) t.push_back(TitleAt(db, i));
  return t;
}

struct EditorTest : ::testing::Test {
  Database db;
  long long reselect = 0;
  ViewState vs;
  RecordEditor editor{db, reselect};

  void Use(size_t rows) { db = DbWithRows(rows); }
  void Select(size_t row) {
    db.records.ClearSelection();
    db.records.SetSelected(row, true);
  }
};

TEST(RecordLineFields, BuildAndLoad) {
  EditorFields f{"3", "a^b", "/u\r\n", "t", "k", true};
  EXPECT_EQ(BuildRecordLine(f), "3^a b^/u  ^t^k^1");
  f.new_window = false;
  EXPECT_EQ(BuildRecordLine(f), "3^a b^/u  ^t^k^0");

  // Only the first character after the fifth "^" decides New Window.
  EXPECT_TRUE(LoadRecordLine("0^a^b^c^d^1").new_window);
  EXPECT_TRUE(LoadRecordLine("0^a^b^c^d^x").new_window);
  EXPECT_TRUE(LoadRecordLine("0^a^b^c^d^").new_window);
  EXPECT_TRUE(LoadRecordLine("0^a^b^c^d").new_window);
  EXPECT_FALSE(LoadRecordLine("0^a^b^c^d^0").new_window);
  EXPECT_FALSE(LoadRecordLine("0^a^b^c^d^01").new_window);
  EditorFields g = LoadRecordLine("7^T^U^X^K^0");
  EXPECT_EQ(g, (EditorFields{"7", "T", "U", "X", "K", false}));
}

TEST(RecordLineFields, WholeNumbers) {
  EXPECT_EQ(ParseNumBox("12"), 12);
  EXPECT_EQ(ParseNumBox("  -3"), -3);
  EXPECT_EQ(ParseNumBox("+4"), 4);
  EXPECT_EQ(ParseNumBox("2147483647"), 2147483647);
  EXPECT_EQ(ParseNumBox("-2147483648"), -2147483647 - 1);
  for (const char* bad :
       {"", " ", "-", "1x", "1 ", "2147483648", "0x10", "1.5", "99999999999999"}) {
    EXPECT_EQ(ParseNumBox(bad), std::nullopt) << bad;
  }
}

TEST(RecordLineFields, StoredSizeFallsBackToDesignSize) {
  EXPECT_EQ(StoredEditorSize("500", kEditorDesignWidth, kEditorMinWidth), 500);
  EXPECT_EQ(StoredEditorSize("", kEditorDesignWidth, kEditorMinWidth), kEditorDesignWidth);
  EXPECT_EQ(StoredEditorSize("wide", kEditorDesignHeight, kEditorMinHeight), kEditorDesignHeight);
  EXPECT_EQ(StoredEditorSize("10", kEditorDesignWidth, kEditorMinWidth), kEditorMinWidth);
  EXPECT_EQ(WideBoxWidth(300), 215);
}

TEST_F(EditorTest, NewOnEmptyListStoresBlankRecordAndSelectsIt) {
  Use(0);
  db.open = true;
  editor.OpenNew();
  EXPECT_EQ(editor.caption(), "New");
  EXPECT_EQ(editor.fields.num, "0");
  EXPECT_FALSE(editor.num_enabled());
  EXPECT_FALSE(editor.previous_enabled());
  EXPECT_TRUE(editor.next_enabled());
  EXPECT_EQ(editor.focus(), EditorFocus::kTitle);
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(db.records.lines(), (Lines{"0^^^^^0"}));
  EXPECT_TRUE(db.dirty);
  editor.AfterClose(&vs);
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{0}));
  EXPECT_EQ(vs.count_text, "1 Record");
}

TEST_F(EditorTest, NewSaveAndNextThenCloseSelectsLastSaved) {
  Use(5);
  Select(1);
  editor.OpenNew();
  EXPECT_EQ(editor.fields.num, "5");
  editor.fields.title = "five";
  editor.fields.new_window = true;
  ASSERT_TRUE(editor.SaveAndNext().ok());
  EXPECT_EQ(editor.fields, (EditorFields{"6", "", "", "", "", false}));
  EXPECT_TRUE(editor.next_enabled());
  EXPECT_EQ(editor.focus(), EditorFocus::kTitle);
  EXPECT_EQ(db.records.line(5), "5^five^^^^1");
  // Close without saving: nothing more is added.
  editor.fields.title = "dropped";
  editor.AfterClose(&vs);
  EXPECT_EQ(db.records.size(), 6u);
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{5}));
}

TEST_F(EditorTest, NewWithoutSaveOnEmptyListDoesNothing) {
  Use(0);
  reselect = 4;
  editor.OpenNew();
  editor.AfterClose(&vs);
  EXPECT_TRUE(db.records.empty());
  EXPECT_FALSE(db.dirty);
}

TEST_F(EditorTest, EditInPlaceKeepsCount) {
  Use(4);
  Select(2);
  ASSERT_TRUE(editor.OpenEdit());
  EXPECT_EQ(editor.caption(), "Edit");
  EXPECT_EQ(editor.fields.title, "t2");
  EXPECT_TRUE(editor.num_enabled());
  EXPECT_EQ(editor.focus(), EditorFocus::kNum);
  editor.fields.title = "changed";
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(Titles(db), (Lines{"t0", "t1", "changed", "t3"}));
  EXPECT_EQ(db.records.line(2), "2^changed^/u2^x^k^0");
}

TEST_F(EditorTest, EditNumBeyondEndMovesToEndAndReselectsSamePosition) {
  Use(4);
  Select(1);
  ASSERT_TRUE(editor.OpenEdit());
  editor.fields.num = "9";
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(Titles(db), (Lines{"t0", "t2", "t3", "t1"}));
  editor.AfterClose(&vs);
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{1}));
  EXPECT_EQ(db.records.line(1), "1^t2^/u2^x^k^0");
  EXPECT_EQ(db.records.line(3), "3^t1^/u1^x^k^0");
}

TEST_F(EditorTest, EditNumZeroMovesToFront) {
  Use(4);
  Select(3);
  ASSERT_TRUE(editor.OpenEdit());
  editor.fields.num = "0";
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(Titles(db), (Lines{"t3", "t0", "t1", "t2"}));
}

TEST_F(EditorTest, EditNextUsesStaleNumOfMovedRecord) {
  // While the editor is open, lines keep their old Num; Save and Next on such
  // a line moves it to the position its old Num names.
  Use(4);
  Select(0);
  ASSERT_TRUE(editor.OpenEdit());
  editor.fields.num = "3";
  ASSERT_TRUE(editor.SaveAndNext().ok());  // t0 to the end; now showing position 1
  EXPECT_EQ(Titles(db), (Lines{"t1", "t2", "t3", "t0"}));
  EXPECT_EQ(reselect, 1);
  EXPECT_EQ(editor.fields.title, "t2");
  EXPECT_EQ(editor.fields.num, "2");
  ASSERT_TRUE(editor.SaveAndNext().ok());  // t2 (Num 2) leaves position 1 for 2
  EXPECT_EQ(Titles(db), (Lines{"t1", "t3", "t2", "t0"}));
  EXPECT_EQ(reselect, 2);
}

TEST_F(EditorTest, EditEnablingAtEdges) {
  Use(3);
  Select(0);
  ASSERT_TRUE(editor.OpenEdit());
  EXPECT_FALSE(editor.previous_enabled());
  EXPECT_TRUE(editor.next_enabled());
  ASSERT_TRUE(editor.SaveAndNext().ok());
  ASSERT_TRUE(editor.SaveAndNext().ok());
  EXPECT_EQ(reselect, 2);
  EXPECT_TRUE(editor.previous_enabled());
  EXPECT_FALSE(editor.next_enabled());
  ASSERT_TRUE(editor.SaveAndPrevious().ok());
  EXPECT_EQ(reselect, 1);
  EXPECT_EQ(editor.fields.title, "t1");
  EXPECT_TRUE(editor.previous_enabled());
  EXPECT_TRUE(editor.next_enabled());

  Use(1);
  Select(0);
  ASSERT_TRUE(editor.OpenEdit());
  EXPECT_FALSE(editor.previous_enabled());
  EXPECT_FALSE(editor.next_enabled());
}

TEST_F(EditorTest, EditNeedsExactlyOneSelected) {
  Use(3);
  EXPECT_FALSE(editor.OpenEdit());
  db.records.SetSelected(0, true);
  db.records.SetSelected(2, true);
  EXPECT_FALSE(editor.OpenEdit());
}

TEST_F(EditorTest, InsertNewNextThenClose) {
  Use(4);
  Select(2);
  editor.OpenInsertNew();
  EXPECT_EQ(editor.caption(), "Insert New");
  EXPECT_EQ(editor.fields.num, "2");
  EXPECT_TRUE(editor.num_enabled());
  EXPECT_FALSE(editor.previous_enabled());
  editor.fields.title = "a";
  ASSERT_TRUE(editor.SaveAndNext().ok());
  EXPECT_EQ(editor.fields, (EditorFields{"3", "", "", "", "", false}));
  EXPECT_EQ(editor.focus(), EditorFocus::kNum);
  editor.fields.title = "b";
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(Titles(db), (Lines{"t0", "t1", "a", "b", "t2", "t3"}));
  editor.AfterClose(&vs);
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{3}));
}

TEST_F(EditorTest, InsertNumBeyondEndGoesBeforeLastRecord) {
  Use(4);
  Select(0);
  editor.OpenInsertNew();
  editor.fields.num = "7";
  editor.fields.title = "new";
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(Titles(db), (Lines{"t0", "t1", "t2", "new", "t3"}));
}

TEST_F(EditorTest, InsertWithNothingSelectedKeepsEarlierReselect) {
  Use(4);
  reselect = 12;
  editor.OpenInsertNew();
  EXPECT_EQ(editor.fields.num, "12");
  ASSERT_TRUE(editor.Save().ok());
  EXPECT_EQ(db.records.size(), 5u);
  EXPECT_EQ(TitleAt(db, 3), "");
  editor.AfterClose(&vs);
  EXPECT_EQ(db.records.selected_count(), 0u);  // 12 lies outside the list
}

TEST_F(EditorTest, HighestSelectedRowWins) {
  Use(5);
  db.records.SetSelected(1, true);
  db.records.SetSelected(3, true);
  editor.OpenInsertNew();
  EXPECT_EQ(editor.fields.num, "3");
  EXPECT_EQ(reselect, 3);
}

TEST_F(EditorTest, BadNumIsRefusedAndNothingMoves) {
  Use(4);
  Select(1);
  ASSERT_TRUE(editor.OpenEdit());
  editor.fields.num = "one";
  editor.fields.title = "x";
  Status s = editor.SaveAndNext();
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.message(), "'one' is not a valid integer value");
  EXPECT_EQ(reselect, 1);
  EXPECT_EQ(editor.fields.title, "x");
  EXPECT_EQ(Titles(db), (Lines{"t0", "t1", "t2", "t3"}));
  EXPECT_FALSE(db.dirty);

  editor.fields.num = "-1";
  s = editor.Save();
  EXPECT_EQ(s.message(), "Unable to insert a line");
  EXPECT_FALSE(editor.SaveAndPrevious().ok());
  EXPECT_EQ(reselect, 1);
  EXPECT_EQ(Titles(db), (Lines{"t0", "t1", "t2", "t3"}));

  editor.OpenInsertNew();
  editor.fields.num = "";
  EXPECT_EQ(editor.Save().message(), "'' is not a valid integer value");
  editor.fields.num = "-5";
  EXPECT_EQ(editor.SaveAndNext().message(), "Unable to insert a line");
  EXPECT_EQ(editor.fields.num, "-5");
  EXPECT_EQ(db.records.size(), 4u);
  EXPECT_FALSE(db.dirty);
}

TEST_F(EditorTest, ClearKeepsNumAndList) {
  Use(2);
  Select(1);
  ASSERT_TRUE(editor.OpenEdit());
  editor.fields.new_window = true;
  editor.Clear();
  EXPECT_EQ(editor.fields, (EditorFields{"1", "", "", "", "", false}));
  EXPECT_EQ(editor.focus(), EditorFocus::kNum);
  EXPECT_EQ(Titles(db), (Lines{"t0", "t1"}));
  EXPECT_FALSE(db.dirty);
}

TEST_F(EditorTest, CaretInFieldDoesNotShiftFields) {
  Use(0);
  editor.OpenNew();
  editor.fields.title = "a^b";
  editor.fields.keywords = "k\nl";
  ASSERT_TRUE(editor.Save().ok());
  RecordFields r = SplitRecordLine(db.records.line(0));
  EXPECT_EQ(r.title, "a b");
  EXPECT_EQ(r.keywords, "k l");
  EXPECT_EQ(r.new_window, "0");
}

TEST_F(EditorTest, EditAfterCloseAlwaysReselects) {
  Use(3);
  Select(2);
  ASSERT_TRUE(editor.OpenEdit());
  ASSERT_TRUE(editor.SaveAndPrevious().ok());
  editor.AfterClose(&vs);
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{1}));
  EXPECT_EQ(vs.count_text, "3 Records");
}

}  // namespace
}  // namespace duvra
