#include "database/view_state.h"

namespace duvra {

bool ViewState::IsEnabled(const std::string& item) const {
  auto it = enabled.find(item);
  return it != enabled.end() && it->second;
}

std::string RecordCountText(size_t count) {
  if (count == 0) return "No Records";
  if (count == 1) return "1 Record";
  return std::to_string(count) + " Records";
}

void StateUpdate(const Database& db, ViewState* vs) {
  static const char* const kOpenItems[] = {
      "TBXClose",       "TBXSave",    "TBXSaveButton",    "TBXSaveAs",    "TBXInsertFile",
      "TBXAddressEdit", "TBXOptions", "TBXOptionsButton", "TBXNewRecord", "TBXNewRecordButton"};
  for (const char* item : kOpenItems) vs->Enable(item, db.open);
  const bool can_index = db.open && !db.settings.site_address.empty();
  vs->Enable("TBXIndex", can_index);
  vs->Enable("TBXIndexButton", can_index);
  vs->list_visible = db.open;
  vs->address_text = db.open ? db.settings.site_address : std::string();
  vs->title = db.open ? db.settings.database_name : std::string(kAppTitle);

  const bool has_records = !db.records.empty();
  static const char* const kRecordItems[] = {"TBXExport",    "TBXClear",  "TBXSubAddress",
                                             "TBXSelectAll", "TBXCreate", "TBXCreateButton"};
  for (const char* item : kRecordItems) vs->Enable(item, has_records);
  if (has_records) {
    vs->horizontal_extent =
        static_cast<long long>(db.records.LongestLineLength()) * kPixelsPerCharacter;
    EditListClick(db.records, vs);
  } else {
    static const char* const kEmptyOff[] = {
        "TBXDelete", "TBXDeleteButton", "TBXMoveDown",       "TBXMoveDownButton",
        "TBXMoveUp", "TBXMoveUpButton", "TBXInsertNewRecord"};
    for (const char* item : kEmptyOff) vs->Enable(item, false);
    vs->horizontal_extent = 0;
  }
  vs->count_text = RecordCountText(db.records.size());
  vs->relayout = true;
}

void EditListClick(const RecordList& list, ViewState* vs) {
  if (list.empty()) return;
  vs->Enable("TBXDelete", true);
  vs->Enable("TBXDeleteButton", true);
  if (list.selected_count() == 0) return;
  for (const char* item :
       {"TBXMoveDown", "TBXMoveDownButton", "TBXMoveUp", "TBXMoveUpButton", "TBXInsertNewRecord"}) {
    vs->Enable(item, true);
  }
  if (list.selected(0)) {
    vs->Enable("TBXMoveUp", false);
    vs->Enable("TBXMoveUpButton", false);
  }
  if (list.selected(list.size() - 1)) {
    vs->Enable("TBXMoveDown", false);
    vs->Enable("TBXMoveDownButton", false);
  }
}

PopupState TBXPopupMenuPopup(const RecordList& list) {
  const bool any = list.selected_count() > 0;
  PopupState p = {{"TBXInsertNewRecordPop", any},
                  {"TBXDeletePop", any},
                  {"TBXMoveUpPop", any},
                  {"TBXMoveDownPop", any}};
  if (any) {
    if (list.selected(0)) p["TBXMoveUpPop"] = false;
    if (list.selected(list.size() - 1)) p["TBXMoveDownPop"] = false;
  }
  return p;
}

void TBXDeleteClick(Database& db, ViewState* vs) {
  const size_t f = db.records.FirstSelected().value_or(0);
  db.records.RemoveSelected();
  EditSort(db.records);
  if (!db.records.empty()) db.records.SetSelected(f > 0 ? f - 1 : 0, true);
  StateUpdate(db, vs);
  db.dirty = true;
}

void TBXMoveUpClick(Database& db, ViewState* vs) {
  auto f = db.records.FirstSelected();
  auto l = db.records.LastSelected();
  if (!f || *f == 0) return;
  db.records.MoveRow(*f - 1, *l);
  EditSort(db.records);
  db.records.SelectRange(*f - 1, *l - 1);
  EditListClick(db.records, vs);
  db.dirty = true;
}

void TBXMoveDownClick(Database& db, ViewState* vs) {
  auto f = db.records.FirstSelected();
  auto l = db.records.LastSelected();
  if (!l || *l + 1 >= db.records.size()) return;
  db.records.MoveRow(*l + 1, *f);
  EditSort(db.records);
  db.records.SelectRange(*f + 1, *l + 1);
  EditListClick(db.records, vs);
  db.dirty = true;
}

void TBXClearClick(Database& db, ViewState* vs) {
  db.records.Clear();
  StateUpdate(db, vs);
  db.dirty = true;
}

void TBXSelectAllClick(Database& db, ViewState* vs) {
  db.records.SelectAll();
  EditListClick(db.records, vs);
}

void ReselectAfterWindow(Database& db, ViewState* vs, long long reselect_index) {
  if (!db.records.empty()) {
    EditSort(db.records);
    if (reselect_index >= 0 &&
        static_cast<unsigned long long>(reselect_index) < db.records.size()) {
      db.records.SetSelected(static_cast<size_t>(reselect_index), true);
    }
  }
  StateUpdate(db, vs);
}

}  // namespace duvra
