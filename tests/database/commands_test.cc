#include "database/commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "base/text_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using testing::ReadFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::WriteFile;
using Paths = std::vector<std::string>;

std::string CurrentDir() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

// A database commands object over its own state, with the default words
// file in a temporary folder and a count of window refreshes.
class CommandsTest : public ::testing::Test {
 protected:
  CommandsTest()
      : commands(
            db, prompter, recent, [this] { ++refreshes; }, dir.File("keywords.dat")) {
    WriteFile(dir.File("keywords.dat"), "the\r\nand\r\n");
  }

  // Writes a database of the given records under dir and returns its header.
  std::string MakeDatabase(const std::string& base, const Paths& records) {
    Database other;
    EXPECT_TRUE(FreshState(other, dir.File(base + ".duv"), dir.File("keywords.dat")).ok());
    other.records.Assign(records);
    EXPECT_TRUE(SaveDatabase(other).ok());
    return dir.File(base + ".duv");
  }

  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const auto& a : prompter.log) kinds.push_back(a.kind);
    return kinds;
  }

  TempDir dir;
  Database db;
  ScriptedPrompter prompter;
  RecentFiles recent;
  int refreshes = 0;
  DatabaseCommands commands;
};

TEST_F(CommandsTest, NewProposesCountedNamesAndWritesFourFiles) {
  prompter.files = {dir.File("site"), dir.File("other.duv")};
  commands.TBXNewClick();
  ASSERT_TRUE(db.open);
  EXPECT_EQ(prompter.log[0].text, "New");
  EXPECT_EQ(prompter.log[0].second, "db1.duv");
  for (const char* ext : {".duv", ".dat", ".wod", ".pag"}) {
    EXPECT_TRUE(FileExists(dir.File(std::string("site") + ext))) << ext;
  }
  EXPECT_EQ(db.settings.database_name, "site");
  EXPECT_EQ(ReadFile(dir.File("site.wod")), "the\r\nand\r\n");
  EXPECT_FALSE(db.dirty);

  commands.TBXNewClick();  // the second proposal counts on, whatever the first was named
  EXPECT_EQ(prompter.log.back().second, "db2.duv");
  EXPECT_EQ(db.base_name, "other");
  EXPECT_EQ(recent.entries(), Paths{dir.File("site.duv")});
}

TEST_F(CommandsTest, NewCancelledKeepsOpenDatabase) {
  const std::string header = MakeDatabase("keep", {"0^a^/a^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  db.dirty = true;
  commands.TBXNewClick();  // no file queued: the dialog is cancelled
  EXPECT_TRUE(db.open);
  EXPECT_EQ(db.base_name, "keep");
  EXPECT_EQ(Kinds(), Paths{"save"});
  EXPECT_EQ(commands.new_counter(), 1);
}

TEST_F(CommandsTest, NewReplaceLoopAsksAgainOnNoAndReplacesOnYes) {
  const std::string header = MakeDatabase("site", {"0^old^/o^^^0"});
  prompter.files = {header, header};
  prompter.answers = {Answer::kNo, Answer::kYes};
  commands.TBXNewClick();
  EXPECT_EQ(Kinds(), (Paths{"save", "yesno", "save", "yesno"}));
  EXPECT_EQ(prompter.log[1].text, header + " already exists.");
  EXPECT_EQ(prompter.log[1].second, "Replace this file?");
  ASSERT_TRUE(db.open);
  EXPECT_EQ(ReadFile(dir.File("site.dat")), "");
}

TEST_F(CommandsTest, NewClosesBeforeTheReplaceQuestionAndCancelLeavesNothingOpen) {
  const std::string header = MakeDatabase("site", {"0^a^/a^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  db.dirty = true;
  prompter.files = {header};
  prompter.answers = {Answer::kNo, Answer::kNo};  // do not save, do not replace
  commands.TBXNewClick();                         // then the second dialog is cancelled
  EXPECT_EQ(Kinds(), (Paths{"save", "yesno", "yesno", "save"}));
  EXPECT_EQ(prompter.log[1].text, "Do you want to save the changes to site?");
  EXPECT_FALSE(db.open);
  EXPECT_EQ(ReadFile(dir.File("site.dat")), "0^a^/a^^^0\r\n");
}

TEST_F(CommandsTest, ReplaceQuestionDismissedByCloseBoxDoesNotReplace) {
  const std::string header = MakeDatabase("site", {"0^keep^/k^^^0"});
  prompter.files = {header};
  prompter.answers = {Answer::kClosed};
  commands.TBXNewClick();
  EXPECT_FALSE(db.open);
  EXPECT_EQ(ReadFile(dir.File("site.dat")), "0^keep^/k^^^0\r\n");
}

TEST_F(CommandsTest, NewAsksWhenAnyOfTheFourFilesExistsWhateverTheTypedEnding) {
  // "site" typed without ".duv" still names site.duv and its three others.
  MakeDatabase("site", {"0^keep^/k^^^0"});
  prompter.files = {dir.File("site")};
  commands.TBXNewClick();
  EXPECT_EQ(Kinds(), (Paths{"save", "yesno", "save"}));
  EXPECT_EQ(prompter.log[1].text, dir.File("site.duv") + " already exists.");
  EXPECT_FALSE(db.open);
  EXPECT_EQ(ReadFile(dir.File("site.dat")), "0^keep^/k^^^0\r\n");

  // Each of the four files alone is enough to ask, and Yes replaces.
  for (const char* extension : {".duv", ".dat", ".wod", ".pag"}) {
    TempDir other;
    const std::string lone = other.File(std::string("lone") + extension);
    WriteFile(lone, "x");
    EXPECT_EQ(ExistingMemberFile(other.File("lone")), lone);
    EXPECT_EQ(ExistingMemberFile(other.File("lone.duv")), lone);
    EXPECT_EQ(ExistingMemberFile(other.File("none")), "");
  }
  prompter.log.clear();
  prompter.files = {dir.File("site")};
  prompter.answers = {Answer::kYes};
  commands.TBXNewClick();
  EXPECT_TRUE(db.open);
  EXPECT_EQ(ReadFile(dir.File("site.dat")), "");
}

TEST_F(CommandsTest, SaveAsAsksBeforeReplacingAnotherDatabasesFiles) {
  MakeDatabase("other", {"0^theirs^/t^^^0"});
  const std::string mine = MakeDatabase("mine", {"0^mine^/m^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(mine));
  prompter.files = {dir.File("other"), std::nullopt};
  prompter.answers = {Answer::kNo};
  commands.TBXSaveAsClick();
  EXPECT_EQ(Kinds(), (Paths{"save", "yesno", "save"}));
  EXPECT_EQ(ReadFile(dir.File("other.dat")), "0^theirs^/t^^^0\r\n");
}

TEST_F(CommandsTest, NewWithoutKeywordsFileShowsErrorAndSavesNothing) {
  ::unlink(dir.File("keywords.dat").c_str());
  prompter.files = {dir.File("site.duv")};
  commands.TBXNewClick();
  EXPECT_EQ(Kinds(), (Paths{"save", "error"}));
  EXPECT_NE(prompter.log[1].text.find("Cannot open file"), std::string::npos);
  EXPECT_FALSE(db.open);
  EXPECT_FALSE(FileExists(dir.File("site.duv")));
  EXPECT_EQ(commands.new_counter(), 1);
}

TEST_F(CommandsTest, OpenLoadsSelectsFirstAndClearsDirty) {
  const std::string header = MakeDatabase("site", {"0^a^/a^^^0", "1^b^/b^^^0"});
  prompter.files = {header};
  commands.TBXOpenClick();
  ASSERT_TRUE(db.open);
  EXPECT_EQ(prompter.log[0].text, "Open");
  EXPECT_EQ(db.records.SelectedRows(), std::vector<size_t>{0});
  EXPECT_FALSE(db.dirty);
  EXPECT_GT(refreshes, 0);
}

TEST_F(CommandsTest, OpenOfMissingFilesShowsErrorAndLeavesClosed) {
  WriteFile(dir.File("lone.duv"), "T1.0F^lone^^1^ua^2^0\r\n");
  prompter.files = {dir.File("lone.duv")};
  commands.TBXOpenClick();
  EXPECT_FALSE(db.open);
  ASSERT_EQ(Kinds(), (Paths{"open", "error"}));
  EXPECT_NE(prompter.log[1].text.find("lone.dat"), std::string::npos);
}

TEST_F(CommandsTest, CloseAsksOnlyWhenDirtyAndSavesOnYes) {
  const std::string header = MakeDatabase("site", {"0^a^/a^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  EXPECT_TRUE(commands.TBXCloseClick());
  EXPECT_TRUE(prompter.log.empty());  // nothing changed since the load

  ASSERT_TRUE(commands.OpenHeaderPath(header));
  db.settings.site_address = "www.example.com";
  db.dirty = true;
  prompter.answers = {Answer::kYes};
  EXPECT_TRUE(commands.TBXCloseClick());
  EXPECT_EQ(Kinds(), Paths{"yesno"});
  EXPECT_EQ(prompter.log[0].second, "");
  EXPECT_NE(ReadFile(header).find("www.example.com"), std::string::npos);
  EXPECT_FALSE(db.open);
  EXPECT_TRUE(db.records.empty());
  EXPECT_TRUE(db.excluded_words.empty());
}

TEST_F(CommandsTest, CloseWhoseSaveFailsKeepsTheDatabaseOpen) {
  const std::string header = MakeDatabase("site", {"0^a^/a^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  db.dirty = true;
  db.folder = dir.File("gone/");  // a folder that does not exist
  prompter.answers = {Answer::kYes};
  EXPECT_FALSE(commands.TBXCloseClick());
  EXPECT_EQ(Kinds(), (Paths{"yesno", "error"}));
  EXPECT_TRUE(db.open);
  EXPECT_TRUE(db.dirty);
  EXPECT_EQ(db.records.size(), 1u);
  EXPECT_TRUE(recent.entries().empty());
}

TEST_F(CommandsTest, SaveAsWritesNewNameKeepsOldFilesAndTitle) {
  const std::string header = MakeDatabase("site", {"0^a^/a^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  const std::string old_dat = ReadFile(dir.File("site.dat"));
  db.records.Append("1^b^/b^^^0");
  db.dirty = true;
  prompter.files = {dir.File("copy.duv")};
  commands.TBXSaveAsClick();
  EXPECT_EQ(prompter.log[0].text, "Save As");
  EXPECT_EQ(prompter.log[0].second, header);
  EXPECT_EQ(db.base_name, "copy");
  EXPECT_EQ(db.settings.database_name, "site");
  EXPECT_EQ(ReadFile(dir.File("copy.dat")), "0^a^/a^^^0\r\n1^b^/b^^^0\r\n");
  EXPECT_EQ(ReadFile(dir.File("site.dat")), old_dat);
  EXPECT_FALSE(db.dirty);
  EXPECT_TRUE(recent.entries().empty());
  EXPECT_TRUE(commands.TBXCloseClick());
  EXPECT_EQ(recent.entries(), Paths{dir.File("copy.duv")});
}

TEST_F(CommandsTest, SaveAsCancelledRefreshesAndChangesNothing) {
  const std::string header = MakeDatabase("site", {});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  db.dirty = true;
  const int before = refreshes;
  commands.TBXSaveAsClick();
  EXPECT_EQ(refreshes, before + 1);
  EXPECT_EQ(db.base_name, "site");
  EXPECT_TRUE(db.dirty);
}

TEST_F(CommandsTest, SaveAsOntoExistingFileAsksAgainOnNo) {
  const std::string header = MakeDatabase("site", {});
  const std::string taken = MakeDatabase("taken", {"0^t^/t^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  prompter.files = {taken, std::nullopt};
  prompter.answers = {Answer::kNo};
  commands.TBXSaveAsClick();
  EXPECT_EQ(Kinds(), (Paths{"save", "yesno", "save"}));
  EXPECT_EQ(db.base_name, "site");
  EXPECT_EQ(ReadFile(dir.File("taken.dat")), "0^t^/t^^^0\r\n");
}

TEST_F(CommandsTest, RecentEntryThatVanishedTellsAndKeepsOpenDatabase) {
  const std::string header = MakeDatabase("site", {});
  ASSERT_TRUE(commands.OpenHeaderPath(header));
  const std::string gone = dir.File("gone.duv");
  recent.Add(gone);
  recent.Add(dir.File("x.duv"));
  commands.TBXMRUListClick(gone);
  EXPECT_EQ(Kinds(), Paths{"notify"});
  EXPECT_EQ(prompter.log[0].text, gone + " no longer exists.");
  EXPECT_TRUE(db.open);
  EXPECT_EQ(db.base_name, "site");
  EXPECT_EQ(recent.entries(), (Paths{gone, dir.File("x.duv")}));
}

TEST_F(CommandsTest, RecentEntryClosesCurrentAndOpensChosen) {
  const std::string a = MakeDatabase("a", {});
  const std::string b = MakeDatabase("b", {"0^b^/b^^^0"});
  ASSERT_TRUE(commands.OpenHeaderPath(a));
  recent.Add(b);
  commands.TBXMRUListClick(b);
  EXPECT_EQ(db.base_name, "b");
  EXPECT_EQ(db.records.size(), 1u);
  EXPECT_EQ(recent.entries(), (Paths{a, b}));
}

TEST_F(CommandsTest, StartChoiceRunsNewOpenOrPath) {
  commands.RunStartChoice("");
  commands.RunStartChoice("3");
  EXPECT_TRUE(prompter.log.empty());
  commands.RunStartChoice("1");
  commands.RunStartChoice("2");
  EXPECT_EQ(Kinds(), (Paths{"save", "open"}));

  const std::string header = MakeDatabase("site", {});
  commands.RunStartChoice(header);
  EXPECT_TRUE(db.open);
  commands.RunStartChoice(dir.File("none.duv"));
  EXPECT_EQ(prompter.log.back().text, dir.File("none.duv") + " no longer exists.");
  EXPECT_TRUE(db.open);
}

TEST_F(CommandsTest, FileDialogsLeaveTheCurrentDirectoryAsFound) {
  struct ChdirPrompter : ScriptedPrompter {
    std::string to;
    std::optional<std::string> ChooseOpenFile(const std::string& t, const std::string& f,
                                              const std::string& start = "") override {
      EXPECT_EQ(::chdir(to.c_str()), 0);
      return ScriptedPrompter::ChooseOpenFile(t, f, start);
    }
  } moving;
  moving.to = dir.path();
  commands.SetPrompter(moving);
  const std::string before = CurrentDir();
  commands.TBXOpenClick();
  EXPECT_EQ(CurrentDir(), before);
}

TEST(RecentFiles, AddMovesCaseInsensitiveDuplicatesAndCutsToCapacity) {
  RecentFiles recent;
  for (const char* p : {"/d/a.duv", "/d/b.duv", "/d/c.duv", "/d/d.duv"}) recent.Add(p);
  EXPECT_EQ(recent.entries(), (Paths{"/d/d.duv", "/d/c.duv", "/d/b.duv", "/d/a.duv"}));
  recent.Add("/d/e.duv");
  EXPECT_EQ(recent.entries(), (Paths{"/d/e.duv", "/d/d.duv", "/d/c.duv", "/d/b.duv"}));
  recent.Add("/D/B.DUV");
  EXPECT_EQ(recent.entries(), (Paths{"/D/B.DUV", "/d/e.duv", "/d/d.duv", "/d/c.duv"}));
  recent.SetCapacity(2);
  EXPECT_EQ(recent.entries(), (Paths{"/D/B.DUV", "/d/e.duv"}));
  recent.SetCapacity(0);
  recent.Add("/d/x.duv");
  EXPECT_TRUE(recent.entries().empty());
  recent.SetCapacity(42);
  EXPECT_EQ(recent.capacity(), kMaxRecentCapacity);
}

TEST(RecentFiles, LoadSkipsEmptyAndStoreWritesOrRemovesUpToCapacity) {
  std::map<std::string, std::string> stored = {
      {"MRU1", "/a.duv"}, {"MRU2", ""}, {"MRU3", "/c.duv"}, {"MRU5", "/e.duv"}, {"MRU7", "/g"}};
  auto read = [&](const std::string& n) { return stored.count(n) ? stored[n] : std::string(); };
  RecentFiles recent(5);
  recent.Load(read);
  EXPECT_EQ(recent.entries(), (Paths{"/a.duv", "/c.duv", "/e.duv"}));

  recent.SetCapacity(4);  // drops nothing, three entries
  recent.Store([&](const std::string& n, const std::string& v) { stored[n] = v; },
               [&](const std::string& n) { stored.erase(n); });
  std::map<std::string, std::string> expected = {{"MRU1", "/a.duv"},
                                                 {"MRU2", "/c.duv"},
                                                 {"MRU3", "/e.duv"},
                                                 {"MRU5", "/e.duv"},
                                                 {"MRU7", "/g"}};
  EXPECT_EQ(stored, expected);

  RecentFiles off(0);
  int calls = 0;
  off.Store([&](const std::string&, const std::string&) { ++calls; },
            [&](const std::string&) { ++calls; });
  EXPECT_EQ(calls, 0);
}

TEST(ShortenRecentPath, DrivePartThenEllipsisThenLastFolder) {
  EXPECT_EQ(ShortenRecentPath("C:\\Sites\\Shop\\Data\\shop.duv", '\\'), "C:\\...\\Data\\shop.duv");
  EXPECT_EQ(ShortenRecentPath("C:\\Data\\shop.duv", '\\'), "C:\\Data\\shop.duv");
  EXPECT_EQ(ShortenRecentPath("C:\\a\\b\\c.duv", '\\'), "C:\\a\\b\\c.duv");
  EXPECT_EQ(ShortenRecentPath("/home/me/sites/shop/shop.duv", '/'), "/home/.../shop/shop.duv");
  EXPECT_EQ(ShortenRecentPath("/home/me/shop.duv", '/'), "/home/me/shop.duv");
}

}  // namespace
}  // namespace duvra
