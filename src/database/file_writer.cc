#include "database/file_writer.h"

#include <cerrno>

namespace duvra {
namespace {

// More links than this in a row are taken for a loop, as the system does.
constexpr int kMaxLinkHops = 40;
// The lines writer hands the file this much at a time.
constexpr size_t kLineBufferSize = 1 << 18;
// A new file gets the usual bits, less the umask; an existing one gets its
// own bits back, after being private while it is written.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kTempFileMode = 0600;

std::string FolderPart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int ResolveWriteTarget(FileSystem& fs, const std::string& path, std::string* target) {
  std::string current = path;
  for (int hops = 0;; ++hops) {
    FileInfo info;
    int err = fs.Lstat(current, &info);
    if (err == ENOENT || (err == 0 && !info.is_symlink)) {
      *target = current;
      return 0;
    }
    if (err != 0) return err;
    if (hops == kMaxLinkHops) return ELOOP;
    std::string link;
    if ((err = fs.ReadLink(current, &link)) != 0) return err;
    if (link.empty()) return ENOENT;
    current = link[0] == '/' ? link : FolderPart(current) + link;
  }
}

void RemoveLeftoverTemp(FileSystem& fs, const std::string& path) {
  std::string target;
  if (ResolveWriteTarget(fs, path, &target) != 0) return;
  const std::string temp = target + std::string(kTempFileSuffix);
  FileInfo info;
  // Only a plain file (or a stray link, removed without touching what it
  // points at) can stand there from a write; a folder is left for the user.
  if (fs.Lstat(temp, &info) == 0 && (info.is_regular || info.is_symlink)) (void)fs.Remove(temp);
}

int ReplaceFile(FileSystem& fs, const std::string& path, const ContentWriter& write) {
  std::string target;
  if (int err = ResolveWriteTarget(fs, path, &target); err != 0) return err;
  FileInfo old;
  int err = fs.Lstat(target, &old);
  const bool exists = err == 0;
  if (err != 0 && err != ENOENT) return err;
  if (exists && old.is_directory) return EISDIR;
  // A device or pipe cannot be replaced by a file without breaking it.
  if (exists && !old.is_regular) return EINVAL;
  if (exists && !fs.MayWrite(target)) return EACCES;

  const std::string temp = target + std::string(kTempFileSuffix);
  RemoveLeftoverTemp(fs, target);
  std::unique_ptr<WritableFile> file;
  if ((err = fs.CreateNew(temp, exists ? kTempFileMode : kNewFileMode, &file)) != 0) return err;

  err = write(*file);
  if (err == 0 && exists) {
    // The owner is kept where the process may set it; the bits after it,
    // since a change of owner clears the set-id bits.
    (void)file->SetOwner(old.owner, old.group);
    err = file->SetMode(old.mode);
  }
  if (err == 0) err = file->Sync();
  if (int close_err = file->Close(); err == 0) err = close_err;
  if (err == 0) err = fs.Rename(temp, target);
  if (err != 0) {
    (void)fs.Remove(temp);
    return err;
  }
  std::string folder = FolderPart(target);
  return fs.SyncFolder(folder.empty() ? "." : folder);
}

int WriteNewFile(FileSystem& fs, const std::string& path, std::string_view data) {
  std::unique_ptr<WritableFile> file;
  if (int err = fs.CreateNew(path, kNewFileMode, &file); err != 0) return err;
  int err = file->Append(data);
  if (int close_err = file->Close(); err == 0) err = close_err;
  if (err != 0) (void)fs.Remove(path);
  return err;
}

int ReplaceFileWith(FileSystem& fs, const std::string& path, std::string_view data) {
  return ReplaceFile(fs, path, [data](WritableFile& f) { return f.Append(data); });
}

int ReplaceFileWithLines(FileSystem& fs, const std::string& path,
                         const std::vector<std::string>& lines) {
  return ReplaceFile(fs, path, [&lines](WritableFile& f) {
    std::string buf;
    buf.reserve(kLineBufferSize + 2);
    for (const std::string& l : lines) {
      if (l.size() >= kLineBufferSize) {
        if (int err = f.Append(buf); err != 0) return err;
        if (int err = f.Append(l); err != 0) return err;
        buf.assign("\r\n");
        continue;
      }
      if (buf.size() + l.size() + 2 > kLineBufferSize) {
        if (int err = f.Append(buf); err != 0) return err;
        buf.clear();
      }
      buf.append(l).append("\r\n");
    }
    return buf.empty() ? 0 : f.Append(buf);
  });
}

}  // namespace duvra
