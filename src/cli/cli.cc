#include "cli/cli.h"

#include <unistd.h>

#include "base/text_file.h"

namespace duvra::cli {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::string cwd(4096, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return path;
  cwd.resize(cwd.find('\0'));
  return cwd + "/" + path;
}

Database OpenDatabaseOrThrow(const std::string& path) {
  std::string abs = AbsolutePath(path);
  Database db;
  db.folder = FolderOf(abs);
  db.base_name = BaseNameFromDialogPath(abs);
  if (!FileExists(db.HeaderPath())) throw CliError{db.HeaderPath() + " no longer exists."};
  if (Status s = LoadDatabase(db); !s.ok()) throw CliError{s.message()};
  return db;
}

void SaveOrThrow(Database& db) {
  if (Status s = SaveDatabase(db); !s.ok()) throw CliError{s.message()};
}

}  // namespace duvra::cli
