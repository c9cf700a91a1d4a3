#include "database/view_state.h"

#include "base/status.h"

namespace duvra {

std::string RecordCountText(size_t count) {
  if (count == 0) return "No Records";
  if (count == 1) return "1 Record";
  return std::to_string(count) + " Records";
}

void StateUpdate(const Database& db, ViewState* vs) {
  vs->enabled.Set({Command::kClose, Command::kSave, Command::kSaveAs, Command::kInsertFile,
                   Command::kAddressEdit, Command::kOptions, Command::kNewRecord},
                  db.open);
  vs->Enable(Command::kIndex, db.open && !db.settings.site_address.empty());
  vs->list_visible = db.open;
  vs->address_text = db.open ? db.settings.site_address : std::string();
  vs->title = db.open ? db.settings.database_name : std::string(kAppTitle);

  const bool has_records = !db.records.empty();
  vs->enabled.Set({Command::kExport, Command::kClear, Command::kSubAddress, Command::kSelectAll,
                   Command::kCreate},
                  has_records);
  if (has_records) {
    vs->horizontal_extent =
        static_cast<long long>(db.records.LongestLineLength()) * kPixelsPerCharacter;
    EditListClick(db.records, vs);
  } else {
    vs->enabled.Set(
        {Command::kDelete, Command::kMoveDown, Command::kMoveUp, Command::kInsertNewRecord}, false);
    vs->horizontal_extent = 0;
  }
  vs->count_text = RecordCountText(db.records.size());
  vs->relayout = true;
}

void EditListClick(const RecordList& list, ViewState* vs) {
  if (list.empty()) return;
  vs->Enable(Command::kDelete, true);
  if (list.selected_count() == 0) return;
  vs->Enable(Command::kMoveUp, !list.selected(0));
  vs->Enable(Command::kMoveDown, !list.selected(list.size() - 1));
  vs->Enable(Command::kInsertNewRecord, true);
}

PopupState TBXPopupMenuPopup(const RecordList& list) {
  PopupState p;
  if (list.selected_count() == 0) return p;
  p.Set({Command::kInsertNewRecord, Command::kDelete}, true);
  p.Set(Command::kMoveUp, !list.selected(0));
  p.Set(Command::kMoveDown, !list.selected(list.size() - 1));
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

namespace {

void DeselectHidden(const std::vector<size_t>& rows, RecordList& list) {
  if (list.selected_count() == 0) return;
  std::vector<char> shown(list.size(), 0);
  for (size_t row : rows) shown[row] = 1;
  for (size_t i = 0; i < list.size(); ++i) {
    if (!shown[i] && list.selected(i)) list.SetSelected(i, false);
  }
}

}  // namespace

const std::vector<size_t>& ShowFilterState(RecordFilter& filter, RecordList& list, ViewState* vs) {
  const std::vector<size_t>& rows = filter.Apply(list);
  if (filter.active()) {
    const size_t before = list.selected_count();
    DeselectHidden(rows, list);
    if (list.selected_count() != before) EditListClick(list, vs);
    vs->count_text = std::to_string(rows.size()) + " of " + RecordCountText(list.size());
    if (list.empty()) vs->count_text = RecordCountText(0);
    vs->enabled.Set({Command::kMoveUp, Command::kMoveDown}, false);
  }
  vs->Enable(Command::kEditRecord, list.selected_count() == 1);
  return rows;
}

PopupState FilteredPopupState(const RecordFilter& filter, const RecordList& list) {
  PopupState p = TBXPopupMenuPopup(list);
  if (filter.active()) p.Set({Command::kMoveUp, Command::kMoveDown}, false);
  p.Set(Command::kEditRecord, list.selected_count() == 1);
  return p;
}

void FilterEditChange(RecordFilter& filter, RecordList& list, std::string_view typed) {
  filter.SetText(typed);
  const std::vector<size_t>& rows = filter.Apply(list);
  DeselectHidden(rows, list);
  if (list.selected_count() == 0 && !rows.empty()) list.SetSelected(rows.front(), true);
}

void TBXClearClick(Database& db, ViewState* vs, RecordFilter& filter) {
  if (!filter.active()) {
    TBXClearClick(db, vs);
    return;
  }
  db.records.ClearSelection();
  for (size_t row : filter.Apply(db.records)) db.records.SetSelected(row, true);
  TBXDeleteClick(db, vs);
}

std::string DeleteQuestion(const RecordList& list) {
  const size_t n = list.selected_count();
  if (n == 0 || (n == 1 && list.size() > 1)) return {};
  if (n == list.size()) {
    return n == 1 ? std::string(kDeleteOnly) : FormatMessage(kDeleteAll, {std::to_string(n)});
  }
  return FormatMessage(kDeleteSelected, {std::to_string(n)});
}

std::string ClearQuestion(const RecordList& list, const RecordFilter& filter) {
  const size_t n = filter.active() ? filter.rows().size() : list.size();
  if (n == 0) return {};
  if (n == 1 && list.size() == 1) return std::string(kDeleteOnly);
  if (filter.active() && n < list.size()) {
    return n == 1 ? std::string("Delete the 1 record shown?")
                  : FormatMessage("Delete the %s records shown?", {std::to_string(n)});
  }
  return FormatMessage(kDeleteAll, {std::to_string(n)});
}

}  // namespace duvra
