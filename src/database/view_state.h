// The main window's state computed as data: StateUpdate and the selection
// and context-menu rules fill a ViewState, which the window applies to its
// widgets and tests read directly. The list commands of the Edit menu.
#pragma once

#include <map>
#include <string>

#include "database/db_files.h"

namespace duvra {

// Pixels of horizontal scroll per character of the longest line.
inline constexpr int kPixelsPerCharacter = 6;
inline constexpr std::string_view kAppTitle = "Duvra";

struct ViewState {
  std::string title = std::string(kAppTitle);  // window and application title
  std::string count_text = "No Records";       // second status bar panel
  bool list_visible = false;
  long long horizontal_extent = 0;
  std::string address_text;  // text of TBXAddressEdit, set while open
  bool relayout = false;     // the window should lay out its bars again

  // Enabled state by item name (TBXSave, TBXDeleteButton ...). Items never
  // set read as disabled.
  std::map<std::string, bool> enabled;

  bool IsEnabled(const std::string& item) const;
  void Enable(const std::string& item, bool on) { enabled[item] = on; }
};

// The four items of the list's context menu, by name.
using PopupState = std::map<std::string, bool>;

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

}  // namespace duvra
