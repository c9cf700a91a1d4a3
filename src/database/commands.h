// The File-menu commands that create, open, save and close whole databases,
// the recent files list they feed, and the start-up choice. Every question
// goes through a Prompter, so the same logic runs under the desktop program
// and under tests with scripted answers.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "database/db_files.h"

namespace duvra {

inline constexpr std::string_view kDatabaseFilter = "Duvra database (*.duv)|*.duv";
inline constexpr std::string_view kAlreadyExists = "%s already exists.";
inline constexpr std::string_view kReplaceThisFile = "Replace this file?";
inline constexpr std::string_view kSaveChangesTo = "Do you want to save the changes to %s?";
inline constexpr std::string_view kNoLongerExists = "%s no longer exists.";

// Capacity of the recent files list until the user's customisation is read,
// and the largest capacity the File menu can number (accelerators 1 to 9).
inline constexpr int kDefaultRecentCapacity = 4;
inline constexpr int kMaxRecentCapacity = 9;

// Most-recent-first list of database header paths with a capacity of 0 to 9.
// Entries are compared as file names, ignoring letter case.
class RecentFiles {
 public:
  explicit RecentFiles(int capacity = kDefaultRecentCapacity) { SetCapacity(capacity); }

  const std::vector<std::string>& entries() const { return entries_; }
  int capacity() const { return capacity_; }

  // Clamps to 0..kMaxRecentCapacity and drops entries from the bottom at once.
  void SetCapacity(int capacity);
  // Puts path at the top: an equal entry is moved there and takes the new
  // text; a new one is inserted and the list is cut to its capacity.
  void Add(const std::string& path);
  // Fills the list from stored values "MRU1", "MRU2" ... up to the capacity,
  // in order, skipping empty or missing ones. `read` returns "" for absent.
  void Load(const std::function<std::string(const std::string& name)>& read);
  // For k from 1 to the capacity: writes "MRU" + k with the k-th entry, or
  // removes that value when the list has no k-th entry. Values beyond the
  // capacity are not touched.
  void Store(const std::function<void(const std::string& name, const std::string& value)>& write,
             const std::function<void(const std::string& name)>& remove) const;

 private:
  std::vector<std::string> entries_;
  int capacity_ = kDefaultRecentCapacity;
};

// The four files of a database, header first.
inline constexpr std::string_view kMemberExtensions[] = {".duv", ".dat", ".wod", ".pag"};

// The first of the four files that a save under a path chosen in the New or
// Save As dialog would replace ("" when none exists). The typed name may
// lack ".duv": "site" still names site.duv, site.dat, site.wod, site.pag.
std::string ExistingMemberFile(const std::string& chosen_path);

// True when both paths name the same file, ignoring ASCII letter case.
bool SameFileName(std::string_view a, std::string_view b);

// The display form of a recent path in the Start dialog: a path with more
// than three separators becomes its drive part (on systems without drive
// letters, the first folder), then separator + "..." + separator, then the
// last folder and the file name. Other paths are returned whole.
std::string ShortenRecentPath(const std::string& path, char separator = kPathSeparator);

// Remembers the current directory and sets it back when destroyed, so that
// the program's own data files keep resolving by bare name after a dialog.
class ScopedCurrentDir {
 public:
  ScopedCurrentDir();
  ~ScopedCurrentDir();
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::string saved_;
};

// The database commands of the File menu over one open database state.
// Every command leaves the window refreshed through the refresh callback;
// file errors are shown with Prompter::ShowError and stop the command.
class DatabaseCommands {
 public:
  // db, prompter and recent must outlive the commands. keywords_path names
  // the default excluded words file; a relative name resolves against the
  // current directory, which start-up makes the program folder.
  DatabaseCommands(Database& db, Prompter& prompter, RecentFiles& recent,
                   std::function<void()> refresh, std::string keywords_path = "keywords.dat");

  void SetPrompter(Prompter& prompter) { prompter_ = &prompter; }
  // The file system the commands load and save through; it must outlive
  // them. The process's own one unless a test sets another.
  void SetFileSystem(FileSystem& fs) { fs_ = &fs; }

  // Counter of the "db" + n + ".duv" proposal; start-up sets it to 1.
  int new_counter() const { return new_counter_; }
  void set_new_counter(int n) { new_counter_ = n; }

  // New: asks for a file (proposing "db<n>.duv"), closes an open database,
  // asks before replacing an existing file, then writes a fresh database.
  void TBXNewClick();
  // Open: asks for a header file, closes an open database, loads.
  void TBXOpenClick();
  // Save: writes all four files; returns false (error shown) on failure.
  bool TBXSaveClick();
  // Save As: asks for a new name (asking before replacing), then saves.
  void TBXSaveAsClick();
  // Close: asks about unsaved changes, empties the state and puts the header
  // path at the top of the recent files list. Returns false, leaving the
  // database open, only when the user chose to save and the save failed.
  bool TBXCloseClick();
  // A recent-files entry: moves it to the top, then opens it when the file
  // exists, or tells that it no longer exists.
  void TBXMRUListClick(const std::string& path);

  // Opens an existing header file (recent list, start-up): folder and base
  // name by the header-path rule, then load. Any open database is closed
  // first; returns false when that close or the load failed.
  bool OpenHeaderPath(const std::string& header_path);
  // Acts on the Start dialog's choice: "1" New, "2" Open, a longer text the
  // path of a recent database; anything else does nothing.
  void RunStartChoice(const std::string& choice);

 private:
  // Loads the database whose folder and base name are set, selects the
  // first record and refreshes; shows the error on failure.
  bool OpenFile();
  // Shows the save dialog until the user cancels or picks a path that does
  // not exist or may be replaced. Runs before_question (once) after the first
  // confirmed choice; a false return from it ends the command.
  std::optional<std::string> ChooseTarget(const std::string& title,
                                          const std::function<std::string()>& proposal,
                                          const std::function<bool()>& before_question);
  void Refresh() {
    if (refresh_) refresh_();
  }

  Database& db_;
  Prompter* prompter_;
  FileSystem* fs_ = &DefaultFileSystem();
  RecentFiles& recent_;
  std::function<void()> refresh_;
  std::string keywords_path_;
  int new_counter_ = 1;
};

}  // namespace duvra
