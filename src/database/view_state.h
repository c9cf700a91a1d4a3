// The main window's state computed as data: StateUpdate and the selection
// and context-menu rules fill a ViewState, which the window applies to its
// widgets and tests read directly. The list commands of the Edit menu.
#pragma once

#include <bitset>
#include <cstddef>
#include <initializer_list>
#include <string>

#include "database/db_files.h"
#include "database/record_filter.h"

namespace duvra {

// Pixels of horizontal scroll per character of the longest line.
inline constexpr int kPixelsPerCharacter = 6;
inline constexpr std::string_view kAppTitle = "Duvra";

// The main window's commands whose enabling follows the database and the
// selection. A menu item and its tool-bar button are one command, since they
// are always on or off together; the window maps each to its widgets.
enum class Command : unsigned char {
  kClose,
  kSave,
  kSaveAs,
  kExport,
  kInsertFile,
  kAddressEdit,  // the site address box
  kOptions,
  kNewRecord,
  kIndex,
  kClear,
  kSubAddress,  // the Address submenu (Absolute, Local)
  kSelectAll,
  kCreate,
  kDelete,
  kMoveUp,
  kMoveDown,
  kInsertNewRecord,
  kEditRecord,
};
inline constexpr size_t kCommandCount = static_cast<size_t>(Command::kEditRecord) + 1;

// Which commands are on. A command never switched on reads as off.
class CommandSet {
 public:
  CommandSet() = default;
  CommandSet(std::initializer_list<Command> on) { Set(on, true); }

  bool operator[](Command c) const { return bits_[Index(c)]; }
  void Set(Command c, bool on) { bits_[Index(c)] = on; }
  void Set(std::initializer_list<Command> commands, bool on) {
    for (Command c : commands) Set(c, on);
  }
  bool operator==(const CommandSet&) const = default;

 private:
  static size_t Index(Command c) { return static_cast<size_t>(c); }
  std::bitset<kCommandCount> bits_;
};

struct ViewState {
  std::string title = std::string(kAppTitle);  // window and application title
  std::string count_text = "No Records";       // second status bar panel
  bool list_visible = false;
  long long horizontal_extent = 0;
  std::string address_text;  // text of TBXAddressEdit, set while open
  bool relayout = false;     // the window should lay out its bars again

  // The enabled commands. A rule that does not mention a command leaves it
  // as the previous rule set it.
  CommandSet enabled;

  bool IsEnabled(Command c) const { return enabled[c]; }
  void Enable(Command c, bool on) { enabled.Set(c, on); }
};

// The list's context menu: Insert New Record, Delete, Move Up, Move Down and
// Edit Record, each on or off; the other commands read as off.
using PopupState = CommandSet;

// Refreshes title, count text, list visibility, address box and enabling.
void StateUpdate(const Database& db, ViewState* vs);
// Runs after every selection change (EditListClick).
void EditListClick(const RecordList& list, ViewState* vs);
// Runs when the context menu opens (TBXPopupMenuPopup).
PopupState TBXPopupMenuPopup(const RecordList& list);

// Edit menu commands. Each leaves vs refreshed as its rule says.
void TBXDeleteClick(Database& db, ViewState* vs);
void TBXMoveUpClick(Database& db, ViewState* vs);
void TBXMoveDownClick(Database& db, ViewState* vs);
void TBXClearClick(Database& db, ViewState* vs);
void TBXSelectAllClick(Database& db, ViewState* vs);

// After the record editor or the indexer closes: renumber, select the row at
// reselect_index (nothing when it lies outside the list), refresh.
void ReselectAfterWindow(Database& db, ViewState* vs, long long reselect_index);

// "1 Record", "N Records", "No Records".
std::string RecordCountText(size_t count);

// The record table's filter and the Edit Record item, applied after every
// rule above has filled vs. While a filter is on: rows it hides are no
// longer selected (so no command touches a record the user cannot see), the
// count reads "N of M Records", and Move Up and Move Down are off, since
// moving past hidden rows would be blind. Edit Record is on when exactly
// one record is selected. Returns the rows shown.
const std::vector<size_t>& ShowFilterState(RecordFilter& filter, RecordList& list, ViewState* vs);
// The context menu's items with the filter and Edit Record taken into account.
PopupState FilteredPopupState(const RecordFilter& filter, const RecordList& list);
// A new filter text typed into the filter box: hidden rows are deselected,
// and when nothing shown stays selected the first shown row is selected,
// so Return opens a record at once.
void FilterEditChange(RecordFilter& filter, RecordList& list, std::string_view typed);
// Clear while a filter is on removes the records shown (and only those);
// without a filter it is Clear itself.
void TBXClearClick(Database& db, ViewState* vs, RecordFilter& filter);

inline constexpr std::string_view kDeleteSelected = "Delete the %s selected records?";
inline constexpr std::string_view kDeleteAll = "Delete all %s records?";
inline constexpr std::string_view kDeleteOnly = "Delete the only record?";
inline constexpr std::string_view kCannotBeUndone = "Deleted records cannot be restored.";
// The question Delete asks first, or "" when it needs none: deleting every
// record or more than one is asked, a single record of several is not.
std::string DeleteQuestion(const RecordList& list);
// The question Clear asks first ("" when there is nothing to clear): the
// records it would remove, all of them or those shown by the filter.
std::string ClearQuestion(const RecordList& list, const RecordFilter& filter);

}  // namespace duvra
