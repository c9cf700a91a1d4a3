#include "database/file_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace duvra {
namespace {

using testing::FaultyFileSystem;
using testing::FolderFiles;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A content big enough to be written in several pieces by the lines writer.
std::vector<std::string> ManyLines() {
  std::vector<std::string> lines;
  for (int i = 0; i < 40'000; ++i) lines.push_back(std::to_string(i) + "^title^/u^text^kw^0");
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

class ReplaceFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  FaultyFileSystem fs_;
};

// Every step of a replacement fails once, in turn: the folder then holds the
// old file (or none, for a new one), never a torn or leftover file, and the
// error is the step's own.
TEST_F(ReplaceFileTest, FailureAtAnyStepLeavesOldContentAndNoTemp) {
  const std::vector<std::string> lines = ManyLines();
  const std::string new_content = Joined(lines);
  for (bool existed : {true, false}) {
    const std::string path = dir_.File(existed ? "old.dat" : "fresh.dat");
    int n = 1;
    for (;; ++n) {
      if (existed) WriteFile(path, "old\r\n");
      fs_.FailAt(n, ENOSPC);
      int err = ReplaceFileWithLines(fs_, path, lines);
      if (!fs_.fired()) {
        ASSERT_EQ(err, 0);
        EXPECT_EQ(ReadFile(path), new_content);
        break;
      }
      const std::string step = fs_.log().back();
      EXPECT_EQ(err, ENOSPC) << step;
      auto files = FolderFiles(dir_.path());
      if (step.rfind("sync " + dir_.path(), 0) == 0 && step.find(".dat") == std::string::npos) {
        // Only the folder flush failed: the new file is complete in place.
        EXPECT_EQ(files[existed ? "old.dat" : "fresh.dat"], new_content);
      } else if (existed) {
        EXPECT_EQ(files["old.dat"], "old\r\n") << step;
      } else {
        EXPECT_EQ(files.count("fresh.dat"), 0u) << step;
      }
      EXPECT_LE(files.size(), 2u) << step;  // old.dat may stand beside fresh.dat
      for (const auto& [name, content] : files) {
        EXPECT_EQ(name.find(kTempFileSuffix), std::string::npos) << step;
      }
    }
    // create, several writes, sync, rename, folder sync.
    EXPECT_GE(n, 6) << "the content should need several writes";
  }
}

// A write killed at any step leaves the target whole; the next write of the
// file removes what the killed one left, and no more than that.
TEST_F(ReplaceFileTest, InterruptedWriteIsCleanedUpByTheNextOne) {
  const std::string path = dir_.File("site.wod");
  for (int n = 1;; ++n) {
    WriteFile(path, "old\r\n");
    fs_.FailAt(n, EIO, /*crash=*/true);
    int err = ReplaceFileWith(fs_, path, "new\r\n");
    if (!fs_.fired()) {
      ASSERT_EQ(err, 0);
      break;
    }
    const std::string content = ReadFile(path);
    EXPECT_TRUE(content == "old\r\n" || content == "new\r\n") << fs_.log().back();
    fs_.FailAt(0);
    ASSERT_EQ(ReplaceFileWith(fs_, path, "next\r\n"), 0);
    EXPECT_EQ(FolderFiles(dir_.path()),
              (std::map<std::string, std::string>{{"site.wod", "next\r\n"}}));
  }
}

TEST_F(ReplaceFileTest, LeftoverIsRemovedButAFolderInItsPlaceIsNot) {
  const std::string path = dir_.File("a.pag");
  WriteFile(path + std::string(kTempFileSuffix), std::string(100'000, 'x'));
  RemoveLeftoverTemp(fs_, path);
  EXPECT_TRUE(FolderFiles(dir_.path()).empty());
  // A link there is removed, not what it points at.
  WriteFile(dir_.File("other"), "kept");
  ASSERT_EQ(::symlink("other", (path + std::string(kTempFileSuffix)).c_str()), 0);
  ASSERT_EQ(ReplaceFileWith(fs_, path, "new\r\n"), 0);
  EXPECT_EQ(FolderFiles(dir_.path()),
            (std::map<std::string, std::string>{{"a.pag", "new\r\n"}, {"other", "kept"}}));
  ASSERT_EQ(::unlink(path.c_str()), 0);
  ASSERT_EQ(::unlink(dir_.File("other").c_str()), 0);

  ASSERT_EQ(::mkdir((path + std::string(kTempFileSuffix)).c_str(), 0755), 0);
  WriteFile(path, "old\r\n");
  EXPECT_EQ(ReplaceFileWith(fs_, path, "new\r\n"), EEXIST);
  EXPECT_EQ(ReadFile(path), "old\r\n");
  struct stat st {};
  EXPECT_EQ(::stat((path + std::string(kTempFileSuffix)).c_str(), &st), 0);
}

TEST_F(ReplaceFileTest, KeepsPermissionBitsAndNewFilesFollowTheUmask) {
  const std::string path = dir_.File("private.wod");
  for (mode_t mode : {0600, 0640, 0604, 0755, 02750}) {
    WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_EQ(ReplaceFileWith(fs_, path, "new"), 0);
    EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
    EXPECT_EQ(ReadFile(path), "new");
  }
  const mode_t old_mask = ::umask(027);
  ASSERT_EQ(ReplaceFileWith(fs_, dir_.File("fresh.js"), "x"), 0);
  ::umask(old_mask);
  EXPECT_EQ(ModeOf(dir_.File("fresh.js")), 0640);
}

TEST_F(ReplaceFileTest, KeepsTheOwnerWhereTheProcessMaySetIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "only a privileged process may give a file away";
  const std::string path = dir_.File("shared.duv");
  WriteFile(path, "old");
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(path.c_str(), 04755), 0);
  ASSERT_EQ(ReplaceFileWith(fs_, path, "new"), 0);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 04755u);  // set after the owner, so not cleared
}

TEST_F(ReplaceFileTest, WritesThroughLinksAndKeepsThem) {
  ASSERT_EQ(::mkdir(dir_.File("real").c_str(), 0755), 0);
  const std::string target = dir_.File("real/site.dat");
  WriteFile(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  // A relative link to a relative link: each resolves against its own folder.
  ASSERT_EQ(::symlink("real/site.dat", dir_.File("hop.dat").c_str()), 0);
  ASSERT_EQ(::symlink("hop.dat", dir_.File("site.dat").c_str()), 0);

  ASSERT_EQ(ReplaceFileWith(fs_, dir_.File("site.dat"), "new"), 0);
  EXPECT_TRUE(IsLink(dir_.File("site.dat")));
  EXPECT_TRUE(IsLink(dir_.File("hop.dat")));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(ModeOf(target), 0640u);
  EXPECT_EQ(FolderFiles(dir_.File("real")).size(), 1u);  // no temporary left beside the target

  // A link to nothing yet creates its target; a loop is refused.
  ASSERT_EQ(::symlink(dir_.File("real/later.js").c_str(), dir_.File("later.js").c_str()), 0);
  ASSERT_EQ(ReplaceFileWith(fs_, dir_.File("later.js"), "made"), 0);
  EXPECT_EQ(ReadFile(dir_.File("real/later.js")), "made");
  EXPECT_TRUE(IsLink(dir_.File("later.js")));
  ASSERT_EQ(::symlink("loop2", dir_.File("loop1").c_str()), 0);
  ASSERT_EQ(::symlink("loop1", dir_.File("loop2").c_str()), 0);
  EXPECT_EQ(ReplaceFileWith(fs_, dir_.File("loop1"), "x"), ELOOP);
}

TEST_F(ReplaceFileTest, RefusesWhatTheUserMayNotWriteFoldersAndPipes) {
  const std::string path = dir_.File("locked.csv");
  WriteFile(path, "old");
  fs_.read_only.insert(path);
  fs_.FailAt(0);
  EXPECT_EQ(ReplaceFileWith(fs_, path, "new"), EACCES);
  EXPECT_EQ(fs_.steps(), 0);  // refused before anything was created
  EXPECT_EQ(ReadFile(path), "old");
  ASSERT_EQ(::mkdir(dir_.File("folder.csv").c_str(), 0755), 0);
  EXPECT_EQ(ReplaceFileWith(fs_, dir_.File("folder.csv"), "new"), EISDIR);
  ASSERT_EQ(::mkfifo(dir_.File("pipe.csv").c_str(), 0644), 0);
  EXPECT_EQ(ReplaceFileWith(fs_, dir_.File("pipe.csv"), "new"), EINVAL);
  struct stat st {};
  ASSERT_EQ(::lstat(dir_.File("pipe.csv").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// The real check, by a user whom the file's bits forbid to write it. When
// the tests run as root, a child process drops to "nobody" for it.
TEST_F(ReplaceFileTest, RealReadOnlyFileIsRefusedForAnUnprivilegedUser) {
  const std::string path = dir_.File("ro.dat");
  WriteFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(ReplaceFileWith(DefaultFileSystem(), path, "new"), EACCES);
    EXPECT_EQ(ReadFile(path), "old");
    return;
  }
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chown(dir_.path().c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  const std::string writable = dir_.File("rw.dat");
  WriteFile(writable, "old");
  ASSERT_EQ(::chown(writable.c_str(), kNobody, kNobody), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(90);
    int refused = ReplaceFileWith(DefaultFileSystem(), path, "new");
    int allowed = ReplaceFileWith(DefaultFileSystem(), writable, "new");
    ::_exit(refused == EACCES && allowed == 0 ? 0 : 91);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(ReadFile(writable), "new");
}

}  // namespace
}  // namespace duvra
