// A file system for tests that runs on the real one but fails on demand: the
// n-th create, write, sync or rename (counted together, from 1) returns an
// error. A write that fails has written half of its bytes first, as a full
// disk does. In crash mode every change after the failing step is dropped as
// well, as when the process is killed there, so nothing is cleaned up.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "database/file_system.h"

namespace duvra::testing {

class FaultyFileSystem : public FileSystem {
 public:
  // Fails the n-th counted step with `error`; 0 fails none. Resets the count.
  void FailAt(int n, int error = EIO, bool crash = false);
  // Counted steps since the last FailAt, and whether the failure happened.
  int steps() const { return steps_; }
  bool fired() const { return fired_; }
  // "create <path>", "write <path>", "sync <path>", "rename <from>",
  // "mkdir <path>" per step.
  const std::vector<std::string>& log() const { return log_; }

  // Paths that MayWrite refuses, as if the user lacked the right.
  std::set<std::string> read_only;

  int Lstat(const std::string& path, FileInfo* info) override;
  int ReadLink(const std::string& path, std::string* target) override;
  bool MayWrite(const std::string& path) override;
  int CreateNew(const std::string& path, mode_t mode, std::unique_ptr<WritableFile>* file) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  int SyncFolder(const std::string& folder) override;
  int MakeFolder(const std::string& path) override;
  int SyncFiles(const std::string& folder) override;

  // For the files it creates: 0 to go on, or the error of this step.
  int Step(const char* kind, const std::string& path);
  bool crashed() const { return crashed_; }

 private:
  FileSystem& real_ = DefaultFileSystem();
  int fail_at_ = 0;
  int error_ = 0;
  bool crash_ = false;
  int steps_ = 0;
  bool fired_ = false;
  bool crashed_ = false;
  std::vector<std::string> log_;
};

// A file that a command writes, with what it holds before and after.
struct WrittenFile {
  std::string path;
  std::string old_content;
  std::string new_content;
};

// After a command that writes `files` in this order failed while writing
// files[failed]: the files before it hold their new content, it holds its
// old or its new one, the files after it their old one. Returns "" when so,
// else what differs.
std::string OldOrNewInOrder(const std::vector<WrittenFile>& files, size_t failed);

// Every plain file of a folder (not below it) with its content; links are
// listed with the content of what they point at.
std::map<std::string, std::string> FolderFiles(const std::string& folder);

}  // namespace duvra::testing
