// The few file-system calls that writing a file safely needs, behind an
// interface, so that tests can fail any one of them on demand. Every call
// returns 0 on success or the errno of the failure.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>

namespace duvra {

struct FileInfo {
  bool is_symlink = false;
  bool is_directory = false;
  bool is_regular = false;
  mode_t mode = 0;  // permission bits, set-id and sticky bits included
  uid_t owner = 0;
  gid_t group = 0;
};

// A file opened for writing by FileSystem::CreateNew. The destructor closes
// it (ignoring errors) when Close was not called.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all of data, or fails.
  virtual int Append(std::string_view data) = 0;
  // Gives the file an owner and group; only a privileged process may change
  // the owner, so callers treat a failure as "not possible here".
  virtual int SetOwner(uid_t owner, gid_t group) = 0;
  virtual int SetMode(mode_t mode) = 0;
  // Flushes the file's data to the device.
  virtual int Sync() = 0;
  virtual int Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Describes path itself, not what a symbolic link points at (ENOENT when
  // there is nothing).
  virtual int Lstat(const std::string& path, FileInfo* info) = 0;
  virtual int ReadLink(const std::string& path, std::string* target) = 0;
  // Whether this process may write the existing file.
  virtual bool MayWrite(const std::string& path) = 0;
  // Creates a file that must not exist yet (a link standing there is not
  // followed), with the permission bits mode less the process's umask.
  virtual int CreateNew(const std::string& path, mode_t mode,
                        std::unique_ptr<WritableFile>* file) = 0;
  // Replaces `to` by `from` in one step.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Removes a file (never a folder).
  virtual int Remove(const std::string& path) = 0;
  // Flushes the folder's entries, so that a rename in it survives a crash.
  virtual int SyncFolder(const std::string& folder) = 0;
  // Makes a folder that must not exist yet.
  virtual int MakeFolder(const std::string& path) = 0;
  // Flushes every file written so far on the file system that holds the
  // folder: one flush for a folder of many new files instead of one each.
  virtual int SyncFiles(const std::string& folder) = 0;
};

// The POSIX file system of the running process; lives for the whole run.
FileSystem& DefaultFileSystem();

}  // namespace duvra
