// Saving and opening a database when the file system fails at any step.
#include <gtest/gtest.h>

#include "database/commands.h"
#include "database/db_files.h"
#include "database/file_writer.h"
#include "support/faulty_file_system.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using testing::FaultyFileSystem;
using testing::FolderFiles;
using testing::OldOrNewInOrder;
using testing::ReadFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::WriteFile;
using testing::WrittenFile;

constexpr const char* kMembers[] = {".duv", ".dat", ".wod", ".pag"};

class SaveFaultsTest : public ::testing::Test {
 protected:
  SaveFaultsTest() : commands_(db_, prompter_, recent_, nullptr, dir_.File("keywords.dat")) {
    WriteFile(dir_.File("keywords.dat"), "the\r\nand\r\n");
    EXPECT_TRUE(FreshState(db_, dir_.File("site.duv"), dir_.File("keywords.dat")).ok());
    db_.records.Assign({"0^Old^/old.html^old text^old^0"});
    EXPECT_TRUE(SaveDatabase(db_).ok());
    for (const char* ext : kMembers)
      files_.push_back({db_.MemberPath(ext), ReadFile(db_.MemberPath(ext)), ""});

    // Every file changes; the new contents are those of a healthy save.
    db_.settings.site_address = "www.example.com";
    db_.records.Assign({"0^New^/new.html^new text^new^1", "1^Two^/2.html^^^0"});
    db_.excluded_words = {"only"};
    db_.excluded_pages = {"/private.html"};
    Database copy = db_;
    TempDir other;
    copy.folder = other.path();
    EXPECT_TRUE(SaveDatabase(copy).ok());
    for (size_t i = 0; i < files_.size(); ++i) {
      files_[i].new_content = ReadFile(copy.MemberPath(kMembers[i]));
      EXPECT_NE(files_[i].new_content, files_[i].old_content) << kMembers[i];
    }
    commands_.SetFileSystem(fs_);
  }

  void RestoreOldFiles() {
    for (const WrittenFile& f : files_) WriteFile(f.path, f.old_content);
  }

  // The member whose path the message names.
  size_t FailedMember(const std::string& message) const {
    for (size_t i = 0; i < files_.size(); ++i) {
      if (message.find(files_[i].path) != std::string::npos) return i;
    }
    ADD_FAILURE() << "no member named in: " << message;
    return 0;
  }

  TempDir dir_;
  Database db_;
  ScriptedPrompter prompter_;
  RecentFiles recent_;
  DatabaseCommands commands_;
  FaultyFileSystem fs_;
  std::vector<WrittenFile> files_;
};

// Save fails at every step in turn: each file is then its complete old or
// complete new content, in the order of writing; the error names the file in
// the message the header or a list gives; the save stays undone.
TEST_F(SaveFaultsTest, FailureAtAnyStepKeepsFilesWholeAndTheDatabaseDirty) {
  int n = 1;
  for (;; ++n) {
    RestoreOldFiles();
    db_.dirty = true;
    prompter_.log.clear();
    fs_.FailAt(n, ENOSPC);
    const bool saved = commands_.TBXSaveClick();
    if (!fs_.fired()) {
      ASSERT_TRUE(saved);
      EXPECT_FALSE(db_.dirty);
      EXPECT_EQ(OldOrNewInOrder(files_, files_.size()), "");
      break;
    }
    SCOPED_TRACE(fs_.log().back());
    EXPECT_FALSE(saved);
    EXPECT_TRUE(db_.dirty);
    ASSERT_EQ(prompter_.log.size(), 1u);
    EXPECT_EQ(prompter_.log[0].kind, "error");
    const std::string& message = prompter_.log[0].text;
    const size_t failed = FailedMember(message);
    if (failed == 0) {
      EXPECT_EQ(message.rfind("I/O error ", 0), 0u) << message;
    } else {
      EXPECT_EQ(message,
                "Cannot create file \"" + files_[failed].path + "\". No space left on device");
    }
    EXPECT_EQ(OldOrNewInOrder(files_, failed), "");
    EXPECT_EQ(FolderFiles(dir_.path()).size(), 5u) << "a temporary file was left";
  }
  // Four files of create, write, sync, rename and a folder flush each (the
  // empty lists have no write).
  EXPECT_GE(n, 4 * 4 + 1);
}

// A save killed at any step: Open then finds every file whole, removes what
// the killed save left behind, and the next save succeeds.
TEST_F(SaveFaultsTest, OpenAfterAKilledSaveRemovesLeftoversAndLoadsWholeFiles) {
  for (int n = 1;; ++n) {
    RestoreOldFiles();
    fs_.FailAt(n, EIO, /*crash=*/true);
    Status s = SaveDatabase(db_, fs_);
    if (!fs_.fired()) break;
    SCOPED_TRACE(fs_.log().back());
    ASSERT_FALSE(s.ok());
    for (const WrittenFile& f : files_) {
      const std::string now = ReadFile(f.path);
      EXPECT_TRUE(now == f.old_content || now == f.new_content) << f.path;
    }
    fs_.FailAt(0);
    Database reopened;
    reopened.folder = db_.folder;
    reopened.base_name = db_.base_name;
    ASSERT_TRUE(LoadDatabase(reopened, fs_).ok());
    EXPECT_EQ(FolderFiles(dir_.path()).size(), 5u);  // four members and keywords.dat
    EXPECT_TRUE(SaveDatabase(db_, fs_).ok());
    EXPECT_EQ(OldOrNewInOrder(files_, files_.size()), "");
  }
}

TEST_F(SaveFaultsTest, OpenRemovesLeftoversBesideLinkedMembers) {
  // The records live elsewhere, linked in; their leftover lies beside them.
  TempDir elsewhere;
  const std::string dat = db_.MemberPath(".dat");
  WriteFile(elsewhere.File("records.dat"), ReadFile(dat));
  ASSERT_EQ(::unlink(dat.c_str()), 0);
  ASSERT_EQ(::symlink(elsewhere.File("records.dat").c_str(), dat.c_str()), 0);
  WriteFile(elsewhere.File("records.dat") + std::string(kTempFileSuffix), "torn");
  WriteFile(db_.MemberPath(".pag") + std::string(kTempFileSuffix), "torn");
  WriteFile(dir_.File("unrelated.duvra-new"), "not ours to remove");

  Database reopened;
  reopened.folder = db_.folder;
  reopened.base_name = db_.base_name;
  ASSERT_TRUE(LoadDatabase(reopened).ok());
  EXPECT_EQ(FolderFiles(elsewhere.path()).size(), 1u);
  EXPECT_EQ(FolderFiles(dir_.path()).count("site.pag.duvra-new"), 0u);
  EXPECT_EQ(FolderFiles(dir_.path()).count("unrelated.duvra-new"), 1u);

  // Saving writes through the link and keeps it.
  ASSERT_TRUE(SaveDatabase(db_).ok());
  EXPECT_EQ(ReadFile(elsewhere.File("records.dat")), files_[1].new_content);
  char target[4096];
  EXPECT_GT(::readlink(dat.c_str(), target, sizeof target), 0);
}

TEST_F(SaveFaultsTest, ReadOnlyMemberIsRefusedAndKept) {
  fs_.read_only.insert(files_[2].path);
  RestoreOldFiles();
  db_.dirty = true;
  fs_.FailAt(0);
  EXPECT_FALSE(commands_.TBXSaveClick());
  ASSERT_EQ(prompter_.log.size(), 1u);
  EXPECT_EQ(prompter_.log[0].text,
            "Cannot create file \"" + files_[2].path + "\". Permission denied");
  EXPECT_EQ(OldOrNewInOrder(files_, 2), "");
  EXPECT_EQ(ReadFile(files_[2].path), files_[2].old_content);
  EXPECT_TRUE(db_.dirty);
}

}  // namespace
}  // namespace duvra
