#include "database/db_files.h"

#include <cerrno>

#include "base/text_file.h"
#include "database/file_writer.h"

namespace duvra {

std::string Database::MemberPath(std::string_view extension) const {
  std::string p = folder;
  p.append(base_name).append(extension);
  return p;
}

std::string ComposeSettingsLine(const DbSettings& s) {
  std::string line(kVersionTag);
  for (const std::string* f : {&s.database_name, &s.site_address, &s.create_keywords, &s.user_agent,
                               &s.timeout_index, &s.delay_index}) {
    line.push_back('^');
    line.append(*f);
  }
  return line;
}

DbSettings ParseSettingsLine(std::string_view line) {
  std::string_view r = line;
  if (size_t caret = r.find('^'); caret != std::string_view::npos) r.remove_prefix(caret + 1);
  DbSettings s;
  for (std::string* f :
       {&s.database_name, &s.site_address, &s.create_keywords, &s.user_agent, &s.timeout_index}) {
    size_t caret = r.find('^');
    if (caret == std::string_view::npos) {
      f->clear();
    } else {
      f->assign(r.substr(0, caret));
      r.remove_prefix(caret + 1);
    }
  }
  s.delay_index.assign(r);
  return s;
}

Status CannotOpenFile(const std::string& path, int error_code) {
  return Status::Error(FormatMessage(kCannotOpenFile, {path, SystemReason(error_code)}));
}

Status ReadFileText(const std::string& path, std::string* data) {
  int err = 0;
  return ReadWholeFile(path, data, &err) ? Status::Ok() : CannotOpenFile(path, err);
}

Status ReadListFile(const std::string& path, std::vector<std::string>* lines) {
  std::string data;
  Status s = ReadFileText(path, &data);
  if (s.ok()) *lines = SplitLines(data, LoneCr::kLineEnd);
  return s;
}

Status WriteListFile(const std::string& path, const std::vector<std::string>& lines,
                     FileSystem& fs) {
  if (int err = ReplaceFileWithLines(fs, path, lines); err != 0) {
    return Status::Error(FormatMessage(kCannotCreateFile, {path, SystemReason(err)}));
  }
  return Status::Ok();
}

Status WriteHeader(Database& db, FileSystem& fs) {
  db.settings_line = ComposeSettingsLine(db.settings);
  const std::string path = db.HeaderPath();
  std::vector<std::string> lines{db.settings_line, db.script_settings_line};
  if (std::string extra = db.extra.Compose(); !extra.empty()) lines.push_back(std::move(extra));
  if (int err = ReplaceFileWith(fs, path, JoinLines(lines)); err != 0) {
    return Status::Error(FormatMessage(
        kHeaderWriteError, {std::to_string(err), SystemReason(err) + " (" + path + ")"}));
  }
  return Status::Ok();
}

Status SaveDatabase(Database& db, FileSystem& fs) {
  if (Status s = WriteHeader(db, fs); !s.ok()) return s;
  if (Status s = WriteListFile(db.MemberPath(".dat"), db.records.lines(), fs); !s.ok()) return s;
  if (Status s = WriteListFile(db.MemberPath(".wod"), db.excluded_words, fs); !s.ok()) return s;
  if (Status s = WriteListFile(db.MemberPath(".pag"), db.excluded_pages, fs); !s.ok()) return s;
  db.dirty = false;
  return Status::Ok();
}

void CloseState(Database& db) {
  db.open = false;
  db.extra = ExtraSettings();
  db.records.Clear();
  db.excluded_words.clear();
  db.excluded_pages.clear();
}

Status LoadDatabase(Database& db, FileSystem& fs) {
  for (std::string_view ext : {".duv", ".dat", ".wod", ".pag"}) {
    RemoveLeftoverTemp(fs, db.MemberPath(ext));
  }
  // Everything is read into locals first and moved in only when all four
  // files have been read, so a failure never leaves a mix of two databases.
  std::vector<std::string> records, words, pages;
  Status s = ReadListFile(db.MemberPath(".dat"), &records);
  if (s.ok()) s = ReadListFile(db.MemberPath(".wod"), &words);
  if (s.ok()) s = ReadListFile(db.MemberPath(".pag"), &pages);
  std::string header;
  if (s.ok()) {
    int err = 0;
    const std::string path = db.HeaderPath();
    if (!ReadWholeFile(path, &header, &err)) {
      s = err == ENOENT ? Status::Error(std::string(kFileNotFound)) : CannotOpenFile(path, err);
    }
  }
  if (!s.ok()) {
    CloseState(db);
    return s;
  }
  std::vector<std::string> header_lines = SplitLines(header, LoneCr::kDrop);
  header_lines.resize(std::max<size_t>(header_lines.size(), 2));
  db.records.Assign(std::move(records));
  db.excluded_words = std::move(words);
  db.excluded_pages = std::move(pages);
  db.settings_line = std::move(header_lines[0]);
  db.script_settings_line = std::move(header_lines[1]);
  db.settings = ParseSettingsLine(db.settings_line);
  db.extra = ExtraSettings::Parse(header_lines.size() > 2 ? header_lines[2] : std::string());
  db.open = true;
  db.dirty = false;
  return Status::Ok();
}

Status FreshState(Database& db, const std::string& chosen_path, const std::string& keywords_path) {
  std::vector<std::string> words;
  if (Status s = ReadListFile(keywords_path, &words); !s.ok()) return s;
  db.open = true;
  db.folder = FolderOf(chosen_path);
  db.base_name = BaseNameFromDialogPath(chosen_path);
  db.settings = DbSettings();
  db.settings.database_name = db.base_name;
  db.settings_line.clear();
  db.script_settings_line = std::string(kDefaultScriptSettings);
  db.extra = ExtraSettings::Fresh();
  db.records.Clear();
  db.excluded_words = std::move(words);
  db.excluded_pages.clear();
  return Status::Ok();
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return std::string(".") + kPathSeparator;
  return path.substr(0, slash + 1);
}

namespace {

std::string FileNameOf(const std::string& path) {
  size_t slash = path.rfind(kPathSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string BaseNameFromDialogPath(const std::string& path) {
  std::string name = FileNameOf(path);
  if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".duv") == 0)
    name.resize(name.size() - 4);
  return name;
}

std::string BaseNameFromHeaderPath(const std::string& path) {
  std::string name = FileNameOf(path);
  name.resize(name.size() >= 4 ? name.size() - 4 : 0);
  return name;
}

}  // namespace duvra
