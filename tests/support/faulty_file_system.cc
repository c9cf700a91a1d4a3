#include "support/faulty_file_system.h"

#include <filesystem>

#include "support/temp_dir.h"

namespace duvra::testing {
namespace {

class FaultyFile : public WritableFile {
 public:
  FaultyFile(FaultyFileSystem& fs, std::string path, std::unique_ptr<WritableFile> real)
      : fs_(fs), path_(std::move(path)), real_(std::move(real)) {}

  int Append(std::string_view data) override {
    const bool dead = fs_.crashed();
    if (int err = fs_.Step("write", path_); err != 0) {
      if (!dead) (void)real_->Append(data.substr(0, data.size() / 2));  // torn, not empty
      return err;
    }
    return real_->Append(data);
  }
  int SetOwner(uid_t owner, gid_t group) override {
    return fs_.crashed() ? EIO : real_->SetOwner(owner, group);
  }
  int SetMode(mode_t mode) override { return fs_.crashed() ? EIO : real_->SetMode(mode); }
  int Sync() override {
    if (int err = fs_.Step("sync", path_); err != 0) return err;
    return real_->Sync();
  }
  // Closing changes nothing on disk, so it happens even after a crash.
  int Close() override { return real_->Close(); }

 private:
  FaultyFileSystem& fs_;
  std::string path_;
  std::unique_ptr<WritableFile> real_;
};

}  // namespace

void FaultyFileSystem::FailAt(int n, int error, bool crash) {
  fail_at_ = n;
  error_ = error;
  crash_ = crash;
  steps_ = 0;
  fired_ = false;
  crashed_ = false;
  log_.clear();
}

int FaultyFileSystem::Step(const char* kind, const std::string& path) {
  if (crashed_) return EIO;
  ++steps_;
  log_.push_back(std::string(kind) + " " + path);
  if (steps_ != fail_at_) return 0;
  fired_ = true;
  crashed_ = crash_;
  return error_;
}

int FaultyFileSystem::Lstat(const std::string& path, FileInfo* info) {
  return real_.Lstat(path, info);
}

int FaultyFileSystem::ReadLink(const std::string& path, std::string* target) {
  return real_.ReadLink(path, target);
}

bool FaultyFileSystem::MayWrite(const std::string& path) {
  return read_only.count(path) == 0 && real_.MayWrite(path);
}

int FaultyFileSystem::CreateNew(const std::string& path, mode_t mode,
                                std::unique_ptr<WritableFile>* file) {
  if (int err = Step("create", path); err != 0) return err;
  std::unique_ptr<WritableFile> real;
  if (int err = real_.CreateNew(path, mode, &real); err != 0) return err;
  *file = std::make_unique<FaultyFile>(*this, path, std::move(real));
  return 0;
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int err = Step("rename", from); err != 0) return err;
  return real_.Rename(from, to);
}

int FaultyFileSystem::Remove(const std::string& path) {
  return crashed_ ? EIO : real_.Remove(path);
}

int FaultyFileSystem::SyncFolder(const std::string& folder) {
  if (int err = Step("sync", folder); err != 0) return err;
  return real_.SyncFolder(folder);
}

int FaultyFileSystem::MakeFolder(const std::string& path) {
  if (int err = Step("mkdir", path); err != 0) return err;
  return real_.MakeFolder(path);
}

int FaultyFileSystem::SyncFiles(const std::string& folder) {
  if (int err = Step("sync", folder); err != 0) return err;
  return real_.SyncFiles(folder);
}

std::string OldOrNewInOrder(const std::vector<WrittenFile>& files, size_t failed) {
  std::string wrong;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string now = ReadFile(files[i].path);
    const bool is_old = now == files[i].old_content;
    const bool is_new = now == files[i].new_content;
    if ((i < failed && !is_new) || (i == failed && !is_old && !is_new) || (i > failed && !is_old)) {
      wrong += files[i].path + (is_old ? " is old" : is_new ? " is new" : " is torn") + "; ";
    }
  }
  return wrong;
}

std::map<std::string, std::string> FolderFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.is_regular_file()) files[e.path().filename().string()] = ReadFile(e.path().string());
  }
  return files;
}

}  // namespace duvra::testing
