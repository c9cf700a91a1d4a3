#include "indexer/index_options.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "base/text_file.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using Strings = std::vector<std::string>;
using testing::TempDir;

class IndexOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.open = true;
    db.folder = dir.path();
    db.base_name = "site";
    db.settings.database_name = "site";
    db.settings.site_address = "www.site.example";
    db.script_settings_line = "^results.html^0^0^0^1";
    db.excluded_words = {"the", "and"};
    db.excluded_pages = {"/b.htm", "/A.htm"};
    ASSERT_TRUE(SaveDatabase(db).ok());
    opts.FormActivate(db);
  }
  TempDir dir;
  Database db;
  IndexOptions opts;
};

TEST_F(IndexOptionsTest, ActivateLoadsSortedListsAndSelections) {
  EXPECT_EQ(opts.name, "site");
  EXPECT_EQ(opts.address, "www.site.example");
  EXPECT_TRUE(opts.keywords_checked);
  EXPECT_EQ(opts.timeout_item, 2);
  EXPECT_EQ(opts.delay_item, 0);
  EXPECT_EQ(opts.words.items(), (Strings{"and", "the"}));
  EXPECT_EQ(opts.pages.items(), (Strings{"/A.htm", "/b.htm"}));
  EXPECT_TRUE(opts.word_controls_enabled);
  EXPECT_FALSE(opts.add_words_enabled);
  EXPECT_FALSE(opts.remove_words_enabled);
}

TEST_F(IndexOptionsTest, AddLowersWordsAndRootsPages) {
  opts.words_edit = "Search";
  opts.ExcludeWordsEditChange();
  EXPECT_TRUE(opts.add_words_enabled);
  opts.AddWordsButtonClick();
  opts.words_edit = "the";
  opts.AddWordsButtonClick();  // a word already present is added again
  EXPECT_EQ(opts.words.items(), (Strings{"and", "search", "the", "the"}));
  EXPECT_EQ(opts.words_edit, "");
  EXPECT_FALSE(opts.add_words_enabled);

  opts.pages_edit = "docs/a.htm";
  opts.AddPagesButtonClick();
  opts.pages_edit = "/Z.htm";
  opts.AddPagesButtonClick();
  opts.AddPagesButtonClick();  // an empty edit adds nothing
  EXPECT_EQ(opts.pages.items(), (Strings{"/A.htm", "/b.htm", "/docs/a.htm", "/Z.htm"}));
}

TEST_F(IndexOptionsTest, RemoveDeletesSelectedItems) {
  opts.words.SetSelected(0, true);
  opts.ExcludeWordsListClick();
  EXPECT_TRUE(opts.remove_words_enabled);
  opts.RemoveWordsButtonClick();
  EXPECT_EQ(opts.words.items(), Strings{"the"});
  EXPECT_FALSE(opts.remove_words_enabled);
}

TEST_F(IndexOptionsTest, UncheckingKeywordsGreysWordControlsButKeepsTheWords) {
  opts.words_edit = "x";
  opts.ExcludeWordsEditChange();
  opts.keywords_checked = false;
  opts.KeywordsCheckClick();
  EXPECT_FALSE(opts.word_controls_enabled);
  EXPECT_FALSE(opts.add_words_enabled);
  opts.keywords_checked = true;
  opts.KeywordsCheckClick();
  EXPECT_TRUE(opts.add_words_enabled);  // as the edit's text says

  opts.keywords_checked = false;
  ASSERT_TRUE(opts.OKButtonClick(db).ok());
  EXPECT_EQ(db.settings.create_keywords, "0");
  EXPECT_EQ(db.excluded_words, (Strings{"and", "the"}));
}

TEST_F(IndexOptionsTest, OkWritesTheHeaderAtOnceAndTheListsInMemory) {
  opts.name = "Renamed";
  opts.address = "";
  opts.agent = "Agent/2";
  opts.timeout_item = 5;
  opts.delay_item = 9;
  opts.pages_edit = "c.htm";
  opts.AddPagesButtonClick();
  ASSERT_TRUE(opts.OKButtonClick(db).ok());
  EXPECT_TRUE(db.dirty);
  EXPECT_EQ(db.excluded_pages, (Strings{"/A.htm", "/b.htm", "/c.htm"}));
  EXPECT_EQ(testing::ReadFile(db.HeaderPath()),
            "T1.0F^Renamed^^1^Agent/2^5^9\r\n^results.html^0^0^0^1\r\n");
  // The list files wait for the next Save.
  EXPECT_EQ(testing::ReadFile(db.MemberPath(".pag")), "/b.htm\r\n/A.htm\r\n");
}

TEST_F(IndexOptionsTest, RestoreThenCancelChangesNothing) {
  db.settings.user_agent = "Mine";
  db.settings.timeout_index = "4";
  opts.FormActivate(db);
  opts.RestoreButtonClick();
  EXPECT_EQ(opts.agent, kDefaultUserAgent);
  EXPECT_EQ(opts.timeout_item, 2);
  EXPECT_EQ(opts.delay_item, 0);
  // Cancel is simply not calling OK: the database still holds its values.
  EXPECT_EQ(db.settings.user_agent, "Mine");
  opts.FormActivate(db);
  EXPECT_EQ(opts.agent, "Mine");
}

TEST_F(IndexOptionsTest, AStoredIndexThatNamesNoItemIsKept) {
  db.settings.timeout_index = "x";
  db.settings.delay_index = "15";
  opts.FormActivate(db);
  EXPECT_EQ(opts.timeout_item, -1);
  EXPECT_EQ(opts.delay_item, -1);
  ASSERT_TRUE(opts.OKButtonClick(db).ok());
  EXPECT_EQ(db.settings.timeout_index, "x");
  EXPECT_EQ(db.settings.delay_index, "15");
}

TEST_F(IndexOptionsTest, AFailedHeaderWriteLeavesTheListsAndDirtyFlag) {
  opts.pages_edit = "new.htm";
  opts.AddPagesButtonClick();
  // A folder where the header should be cannot be replaced by a file.
  ASSERT_EQ(::unlink(db.HeaderPath().c_str()), 0);
  ASSERT_EQ(::mkdir(db.HeaderPath().c_str(), 0700), 0);
  Status s = opts.OKButtonClick(db);
  ::rmdir(db.HeaderPath().c_str());
  EXPECT_FALSE(s.ok());
  EXPECT_FALSE(db.dirty);
  EXPECT_EQ(db.excluded_pages, (Strings{"/b.htm", "/A.htm"}));
}

TEST(SortedList, OrdersWithoutRegardToCaseAndKeepsDuplicates) {
  SortedList list;
  list.Assign({"b", "B", "a", "C", "b"});
  EXPECT_EQ(list.items(), (Strings{"a", "b", "B", "b", "C"}));
  EXPECT_EQ(list.Add("A"), 1u);
  EXPECT_EQ(list.selected_count(), 0u);
}

}  // namespace
}  // namespace duvra

namespace duvra {
namespace {

// A "^" or line break in a field of the settings line would shift every
// later field of the header; each field refuses it with its own name, and
// every other text is accepted.
TEST(IndexOptionsFields, CaretAndLineBreaksAreRefusedInEachField) {
  IndexOptions o;
  o.name = "Site";
  o.address = "www.site.example";
  o.agent = "Agent/1 (x; y)";
  EXPECT_EQ(o.FieldProblem(), "");
  const std::pair<std::string IndexOptions::*, const char*> fields[] = {
      {&IndexOptions::name, "The database name"},
      {&IndexOptions::address, "The site address"},
      {&IndexOptions::agent, "The user agent"}};
  for (const auto& [field, label] : fields) {
    for (const char* bad : {"a^b", "a\nb", "a\rb", "^"}) {
      IndexOptions copy = o;
      copy.*field = bad;
      EXPECT_EQ(copy.FieldProblem(), std::string(label) + " cannot hold \"^\" or a line break.")
          << bad;
    }
  }
}

}  // namespace
}  // namespace duvra
