#include "database/commands.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "base/ascii.h"
#include "base/text_file.h"

namespace duvra {

bool SameFileName(std::string_view a, std::string_view b) { return EqualsIgnoreCase(a, b); }

void RecentFiles::SetCapacity(int capacity) {
  capacity_ = std::clamp(capacity, 0, kMaxRecentCapacity);
  if (entries_.size() > static_cast<size_t>(capacity_)) entries_.resize(capacity_);
}

void RecentFiles::Add(const std::string& path) {
  auto same = std::find_if(entries_.begin(), entries_.end(),
                           [&](const std::string& e) { return SameFileName(e, path); });
  if (same != entries_.end()) entries_.erase(same);
  entries_.insert(entries_.begin(), path);
  if (entries_.size() > static_cast<size_t>(capacity_)) entries_.resize(capacity_);
}

void RecentFiles::Load(const std::function<std::string(const std::string& name)>& read) {
  entries_.clear();
  for (int k = 1; k <= capacity_; ++k) {
    std::string value = read("MRU" + std::to_string(k));
    if (!value.empty()) entries_.push_back(std::move(value));
  }
}

void RecentFiles::Store(
    const std::function<void(const std::string& name, const std::string& value)>& write,
    const std::function<void(const std::string& name)>& remove) const {
  for (int k = 1; k <= capacity_; ++k) {
    const std::string name = "MRU" + std::to_string(k);
    if (static_cast<size_t>(k) <= entries_.size()) {
      write(name, entries_[k - 1]);
    } else {
      remove(name);
    }
  }
}

std::string ShortenRecentPath(const std::string& path, char separator) {
  constexpr size_t kMaxSeparatorsShownWhole = 3;
  if (static_cast<size_t>(std::count(path.begin(), path.end(), separator)) <=
      kMaxSeparatorsShownWhole) {
    return path;
  }
  // The drive part ends at the first separator that follows some text, so a
  // path starting with the separator keeps its first folder in that place.
  size_t drive_end = path.find(separator, path.front() == separator ? 1 : 0);
  size_t last = path.rfind(separator);
  size_t second_last = path.rfind(separator, last - 1);
  std::string shown = path.substr(0, drive_end);
  shown.push_back(separator);
  shown.append("...");
  shown.append(path, second_last, std::string::npos);
  return shown;
}

ScopedCurrentDir::ScopedCurrentDir() {
  char buf[PATH_MAX];
  if (::getcwd(buf, sizeof buf) != nullptr) saved_ = buf;
}

ScopedCurrentDir::~ScopedCurrentDir() {
  if (!saved_.empty()) (void)::chdir(saved_.c_str());
}

std::string ExistingMemberFile(const std::string& chosen_path) {
  Database target;
  target.folder = FolderOf(chosen_path);
  target.base_name = BaseNameFromDialogPath(chosen_path);
  for (std::string_view extension : kMemberExtensions) {
    const std::string member = target.MemberPath(extension);
    if (FileExists(member)) return member;
  }
  return {};
}

DatabaseCommands::DatabaseCommands(Database& db, Prompter& prompter, RecentFiles& recent,
                                   std::function<void()> refresh, std::string keywords_path)
    : db_(db),
      prompter_(&prompter),
      recent_(recent),
      refresh_(std::move(refresh)),
      keywords_path_(std::move(keywords_path)) {}

std::optional<std::string> DatabaseCommands::ChooseTarget(
    const std::string& title, const std::function<std::string()>& proposal,
    const std::function<bool()>& before_question) {
  bool first = true;
  for (;;) {
    std::optional<std::string> path;
    {
      ScopedCurrentDir keep_dir;
      path = prompter_->ChooseSaveFile(title, proposal(), std::string(kDatabaseFilter));
    }
    if (!path) return std::nullopt;
    if (first) {
      first = false;
      if (before_question && !before_question()) return std::nullopt;
    }
    const std::string existing = ExistingMemberFile(*path);
    if (existing.empty()) return path;
    // Only an explicit Yes replaces files; dismissing the question with the
    // close box is no consent, so it asks for another name like No does.
    Answer a = prompter_->AskYesNo(FormatMessage(kAlreadyExists, {existing}),
                                   std::string(kReplaceThisFile));
    if (a == Answer::kYes) return path;
  }
}

void DatabaseCommands::TBXNewClick() {
  auto proposal = [this] { return "db" + std::to_string(new_counter_) + ".duv"; };
  auto close_open = [this] { return !db_.open || TBXCloseClick(); };
  std::optional<std::string> path = ChooseTarget("New", proposal, close_open);
  if (!path) return;
  if (Status s = FreshState(db_, *path, keywords_path_); !s.ok()) {
    Refresh();
    prompter_->ShowError(s.message());
    return;
  }
  ++new_counter_;
  Refresh();
  TBXSaveClick();
  Refresh();
}

void DatabaseCommands::TBXOpenClick() {
  std::optional<std::string> path;
  {
    ScopedCurrentDir keep_dir;
    path = prompter_->ChooseOpenFile("Open", std::string(kDatabaseFilter));
  }
  if (!path) return;
  if (db_.open && !TBXCloseClick()) return;
  db_.open = true;
  db_.folder = FolderOf(*path);
  db_.base_name = BaseNameFromDialogPath(*path);
  OpenFile();
}

bool DatabaseCommands::OpenFile() {
  Status s = LoadDatabase(db_, *fs_);
  if (s.ok() && !db_.records.empty()) db_.records.SetSelected(0, true);
  Refresh();
  if (!s.ok()) prompter_->ShowError(s.message());
  return s.ok();
}

bool DatabaseCommands::TBXSaveClick() {
  if (!db_.open) return true;
  Status s = SaveDatabase(db_, *fs_);
  if (!s.ok()) prompter_->ShowError(s.message());
  return s.ok();
}

void DatabaseCommands::TBXSaveAsClick() {
  if (!db_.open) return;
  std::optional<std::string> path = ChooseTarget(
      "Save As", [this] { return db_.HeaderPath(); }, nullptr);
  if (!path) {
    Refresh();
    return;
  }
  db_.folder = FolderOf(*path);
  db_.base_name = BaseNameFromDialogPath(*path);
  Refresh();
  TBXSaveClick();
  Refresh();
}

bool DatabaseCommands::TBXCloseClick() {
  if (!db_.open) return true;
  if (db_.dirty) {
    Answer a = prompter_->AskYesNo(FormatMessage(kSaveChangesTo, {db_.settings.database_name}),
                                   std::string());
    // A failed save keeps the database open so that the changes are not lost.
    if (a == Answer::kYes && !TBXSaveClick()) return false;
  }
  CloseState(db_);
  recent_.Add(db_.HeaderPath());
  Refresh();
  return true;
}

bool DatabaseCommands::OpenHeaderPath(const std::string& header_path) {
  if (db_.open && !TBXCloseClick()) return false;
  db_.open = true;
  db_.folder = FolderOf(header_path);
  db_.base_name = BaseNameFromHeaderPath(header_path);
  return OpenFile();
}

void DatabaseCommands::TBXMRUListClick(const std::string& path) {
  recent_.Add(path);
  if (!FileExists(path)) {
    Refresh();
    prompter_->Notify(FormatMessage(kNoLongerExists, {path}));
    return;
  }
  OpenHeaderPath(path);
}

void DatabaseCommands::RunStartChoice(const std::string& choice) {
  if (choice == "1") {
    TBXNewClick();
  } else if (choice == "2") {
    TBXOpenClick();
  } else if (choice.size() > 1) {
    if (FileExists(choice)) {
      OpenHeaderPath(choice);
    } else {
      prompter_->Notify(FormatMessage(kNoLongerExists, {choice}));
    }
  }
}

}  // namespace duvra
