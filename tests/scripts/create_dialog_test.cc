#include "scripts/create_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text_file.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(CreateOk, NeedsTwoCharactersInBothBoxes) {
  EXPECT_FALSE(CreateOkEnabled("", "results.html"));
  EXPECT_FALSE(CreateOkEnabled("/", "results.html"));
  EXPECT_FALSE(CreateOkEnabled("/site", "r"));
  EXPECT_TRUE(CreateOkEnabled("/s", "r."));
  // Characters, not bytes: one accented letter is one character.
  EXPECT_FALSE(CreateOkEnabled("/site", "\xC3\xA9"));
  EXPECT_TRUE(CreateOkEnabled("/site", "\xC3\xA9\xC3\xA9"));
}

class ConfirmCreateTest : public ::testing::Test {
 protected:
  ConfirmCreateTest() {
    WriteFile(templates_.File("form.dat"), "f\r\n");
    WriteFile(templates_.File("search.dat"), "s\r\n");
    db_.open = true;
    db_.script_settings_line = "^results.html^0^0^0^1";
    db_.records.Assign({"0^Home^/^Welcome^home^0"});
    controls_ = SplitScriptSettings(db_.script_settings_line);
    controls_.folder = site_.path() + "www";
    std::filesystem::create_directory(controls_.folder);
  }
  TempDir templates_, site_;
  Database db_;
  ScriptSettings controls_;
};

TEST_F(ConfirmCreateTest, ExistingFolderRebuildsLineMarksDirtyAndWrites) {
  controls_.return_index = 2;
  controls_.bold = true;
  CreateConfirmation c = ConfirmCreate(db_, controls_, true, templates_.path());
  EXPECT_EQ(c.outcome, CreateOutcome::kCreated);
  EXPECT_TRUE(c.status.ok());
  EXPECT_TRUE(c.close_dialog);
  EXPECT_EQ(db_.script_settings_line, controls_.folder + "^results.html^2^0^1^1");
  EXPECT_TRUE(db_.dirty);
  EXPECT_EQ(ReadFile(controls_.folder + "/duv_data.js"),
            "var s = new Array();\r\n\r\ns[0] = \"Home^/^Welcome^home^0\";\r\n");
  EXPECT_TRUE(FileExists(controls_.folder + "/duv_search.js"));
}

TEST_F(ConfirmCreateTest, UnchangedControlsStillRewriteTheLineAndMarkDirty) {
  ConfirmCreate(db_, controls_, false, templates_.path());
  EXPECT_TRUE(db_.dirty);
  EXPECT_EQ(db_.script_settings_line, controls_.folder + "^results.html^0^0^0^1");
  EXPECT_FALSE(FileExists(controls_.folder + "/duv_form.js"));
  EXPECT_TRUE(FileExists(controls_.folder + "/duv_data.js"));
}

TEST_F(ConfirmCreateTest, InvalidFolderKeepsTheNewLineButNotDirty) {
  for (std::string folder : {site_.path() + "missing", site_.path() + "file.txt"}) {
    WriteFile(site_.File("file.txt"), "x");
    controls_.folder = folder;
    controls_.include_num = true;
    CreateConfirmation c = ConfirmCreate(db_, controls_, true, templates_.path());
    EXPECT_EQ(c.outcome, CreateOutcome::kInvalidFolder);
    EXPECT_TRUE(c.close_dialog);
    EXPECT_EQ(db_.script_settings_line, folder + "^results.html^0^1^0^1");
    EXPECT_FALSE(db_.dirty);
  }
  EXPECT_FALSE(FileExists(site_.File("missing/duv_data.js")));
}

TEST_F(ConfirmCreateTest, FailedGenerationKeepsTheDialogOpenAndAnnouncesNothing) {
  std::filesystem::remove(templates_.File("form.dat"));
  CreateConfirmation c = ConfirmCreate(db_, controls_, true, templates_.path());
  EXPECT_FALSE(c.status.ok());
  EXPECT_FALSE(c.close_dialog);
  EXPECT_EQ(c.outcome, CreateOutcome::kCancelled);
  EXPECT_FALSE(CreateOutcomeMessage(c.outcome, controls_.folder, true).has_value());
}

TEST(CreateMessages, TheMainWindowsThreeTexts) {
  EXPECT_EQ(CreateOutcomeMessage(CreateOutcome::kInvalidFolder, "C:\\nowhere", true),
            "C:\\nowhere is not a valid folder.");
  EXPECT_EQ(CreateOutcomeMessage(CreateOutcome::kCreated, "/srv/www", true),
            "The Duvra Scripts have been created in the /srv/www folder.");
  EXPECT_EQ(CreateOutcomeMessage(CreateOutcome::kCreated, "/srv/www", false),
            "The Duvra data file has been created in the /srv/www folder.");
  EXPECT_FALSE(CreateOutcomeMessage(CreateOutcome::kCancelled, "/srv/www", true).has_value());
}

// Generation fails at every step in turn: the scripts written before the
// failing one are complete and new, the failing one is whole (old, or new when
// only the folder flush failed), the later ones untouched; the dialog stays
// open with the error naming the file, and the database is dirty as for any
// confirmed Create.
TEST_F(ConfirmCreateTest, FailureAtAnyStepLeavesEveryScriptWhole) {
  // The new contents, from a healthy run into another folder.
  ScriptSettings other = controls_;
  TempDir elsewhere;
  other.folder = elsewhere.path() + "www";
  std::filesystem::create_directory(other.folder);
  Database copy = db_;
  ASSERT_TRUE(ConfirmCreate(copy, other, true, templates_.path()).status.ok());
  std::vector<testing::WrittenFile> files;
  for (const char* name : {"duv_form.js", "duv_search.js", "duv_data.js", "duv_words.js"}) {
    files.push_back({controls_.folder + "/" + name, std::string("old ") + name,
                     ReadFile(other.folder + "/" + name)});
  }
  // The search index has its own failure test; here it stays out.
  testing::FaultyFileSystem fs;
  for (int n = 1;; ++n) {
    for (const auto& f : files) WriteFile(f.path, f.old_content);
    db_.dirty = false;
    fs.FailAt(n, ENOSPC);
    CreateConfirmation c = ConfirmCreate(db_, controls_, true, templates_.path(), false, fs);
    if (!fs.fired()) {
      EXPECT_EQ(c.outcome, CreateOutcome::kCreated);
      EXPECT_EQ(testing::OldOrNewInOrder(files, files.size()), "");
      break;
    }
    SCOPED_TRACE(fs.log().back());
    EXPECT_EQ(c.outcome, CreateOutcome::kCancelled);
    EXPECT_FALSE(c.close_dialog);
    EXPECT_TRUE(db_.dirty);
    size_t failed = files.size();
    for (size_t i = 0; i < files.size(); ++i) {
      if (c.status.message() ==
          "Cannot create file \"" + files[i].path + "\". No space left on device") {
        failed = i;
      }
    }
    ASSERT_LT(failed, files.size()) << c.status.message();
    EXPECT_EQ(testing::OldOrNewInOrder(files, failed), "");
    EXPECT_EQ(testing::FolderFiles(controls_.folder).size(), files.size());
  }
}

}  // namespace
}  // namespace duvra
