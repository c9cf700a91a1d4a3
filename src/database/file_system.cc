#include "database/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace duvra {
namespace {

class PosixFile : public WritableFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  int Append(std::string_view data) override {
    while (!data.empty()) {
      ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
  }
  int SetOwner(uid_t owner, gid_t group) override {
    return ::fchown(fd_, owner, group) == 0 ? 0 : errno;
  }
  int SetMode(mode_t mode) override { return ::fchmod(fd_, mode) == 0 ? 0 : errno; }
  int Sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }
  int Close() override {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  int Lstat(const std::string& path, FileInfo* info) override {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno;
    info->is_symlink = S_ISLNK(st.st_mode);
    info->is_directory = S_ISDIR(st.st_mode);
    info->is_regular = S_ISREG(st.st_mode);
    info->mode = st.st_mode & 07777;
    info->owner = st.st_uid;
    info->group = st.st_gid;
    return 0;
  }

  int ReadLink(const std::string& path, std::string* target) override {
    std::vector<char> buf(256);
    for (;;) {
      ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
      if (n < 0) return errno;
      if (static_cast<size_t>(n) < buf.size()) {
        target->assign(buf.data(), static_cast<size_t>(n));
        return 0;
      }
      buf.resize(buf.size() * 2);  // the link may have been cut: read again
    }
  }

  bool MayWrite(const std::string& path) override { return ::access(path.c_str(), W_OK) == 0; }

  int CreateNew(const std::string& path, mode_t mode,
                std::unique_ptr<WritableFile>* file) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return errno;
    *file = std::make_unique<PosixFile>(fd);
    return 0;
  }

  int Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }

  int Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

  int SyncFolder(const std::string& folder) override {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot flush a folder; there is nothing more to do.
    return err == EINVAL ? 0 : err;
  }

  int MakeFolder(const std::string& path) override {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
  }

  int SyncFiles(const std::string& folder) override {
#ifdef __linux__
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return err;
#else
    (void)folder;
    ::sync();
    return 0;
#endif
  }
};

}  // namespace

FileSystem& DefaultFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace duvra
