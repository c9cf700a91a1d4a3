#include "records/record_editor.h"

#include <algorithm>

#include "base/whole_number.h"
#include "database/record_line.h"

namespace duvra {

std::optional<int32_t> ParseNumBox(std::string_view text) {
  const size_t digits = text.find_first_not_of(' ');
  return ParseWholeNumber(text.substr(digits == std::string_view::npos ? text.size() : digits));
}

std::string BuildRecordLine(const EditorFields& f) {
  RecordFields r{f.num,
                 SafeField(f.title),
                 SafeField(f.url),
                 SafeField(f.text),
                 SafeField(f.keywords),
                 f.new_window ? "1" : "0"};
  return JoinRecordLine(r);
}

EditorFields LoadRecordLine(std::string_view line) {
  RecordFields r = SplitRecordLine(line);
  EditorFields f;
  f.num = std::move(r.num);
  f.title = std::move(r.title);
  f.url = std::move(r.url);
  f.text = std::move(r.text);
  f.keywords = std::move(r.keywords);
  f.new_window = r.new_window.empty() || r.new_window[0] != '0';
  return f;
}

int StoredEditorSize(std::string_view text, int design, int minimum) {
  std::optional<int32_t> v = ParseNumBox(text);
  if (!v) return design;
  return std::max(*v, minimum);
}

void RecordEditor::ReselectFromSelection() {
  if (std::optional<size_t> last = db_.records.LastSelected()) {
    reselect_ = static_cast<long long>(*last);
  }
}

EditorFocus RecordEditor::DefaultFocus() const {
  return mode_ == EditorMode::kNew ? EditorFocus::kTitle : EditorFocus::kNum;
}

void RecordEditor::OpenBlank(EditorMode mode, std::string num, std::string caption) {
  mode_ = mode;
  fields = EditorFields{};
  fields.num = std::move(num);
  caption_ = std::move(caption);
  previous_enabled_ = false;
  next_enabled_ = true;
  num_enabled_ = mode != EditorMode::kNew;
  focus_ = DefaultFocus();
}

void RecordEditor::OpenNew() {
  ReselectFromSelection();
  OpenBlank(EditorMode::kNew, std::to_string(db_.records.size()), "New");
}

bool RecordEditor::OpenEdit() {
  if (db_.records.selected_count() != 1) return false;
  ReselectFromSelection();
  mode_ = EditorMode::kEdit;
  LoadAt(reselect_);
  caption_ = "Edit";
  StateUpdate();
  num_enabled_ = true;
  focus_ = DefaultFocus();
  return true;
}

void RecordEditor::OpenInsertNew() {
  ReselectFromSelection();
  OpenBlank(EditorMode::kInsertNew, std::to_string(reselect_), "Insert New");
}

void RecordEditor::LoadAt(long long index) {
  if (index >= 0 && static_cast<size_t>(index) < db_.records.size()) {
    fields = LoadRecordLine(db_.records.line(static_cast<size_t>(index)));
  }
}

Status RecordEditor::TargetPosition(size_t* target) const {
  std::optional<int32_t> num = ParseNumBox(fields.num);
  if (!num) return Status::Error(FormatMessage(kNotAnInteger, {fields.num}));
  if (*num < 0) return Status::Error(std::string(kUnableToInsert));
  size_t last = db_.records.empty() ? 0 : db_.records.size() - 1;
  *target = std::min(static_cast<size_t>(*num), last);
  return Status::Ok();
}

Status RecordEditor::SaveNew() {
  // Converted before the append, so that a refused Num leaves the list as it was.
  std::optional<int32_t> num = ParseNumBox(fields.num);
  if (!num) return Status::Error(FormatMessage(kNotAnInteger, {fields.num}));
  db_.records.Append(BuildRecordLine(fields));
  reselect_ = *num;
  db_.dirty = true;
  return Status::Ok();
}

Status RecordEditor::SaveEdit() {
  size_t target = 0;
  if (Status s = TargetPosition(&target); !s.ok()) return s;
  if (reselect_ < 0 || static_cast<size_t>(reselect_) >= db_.records.size()) {
    return Status::Error(std::string(kUnableToInsert));
  }
  // Deleting at the reselect index and inserting at target is one move.
  const size_t from = static_cast<size_t>(reselect_);
  db_.records.MoveRow(from, target);
  db_.records.SetLine(target, BuildRecordLine(fields));
  db_.dirty = true;
  return Status::Ok();
}

Status RecordEditor::SaveInsert() {
  size_t target = 0;
  if (Status s = TargetPosition(&target); !s.ok()) return s;
  db_.records.Insert(target, BuildRecordLine(fields));
  db_.dirty = true;
  return Status::Ok();
}

Status RecordEditor::Save() {
  switch (mode_) {
    case EditorMode::kNew:
      return SaveNew();
    case EditorMode::kEdit:
      return SaveEdit();
    case EditorMode::kInsertNew:
      return SaveInsert();
  }
  return Status::Ok();
}

Status RecordEditor::SaveAndNext() {
  switch (mode_) {
    case EditorMode::kNew: {
      if (Status s = SaveNew(); !s.ok()) return s;
      OpenBlank(EditorMode::kNew, std::to_string(db_.records.size()), caption_);
      return Status::Ok();
    }
    case EditorMode::kEdit: {
      if (Status s = SaveEdit(); !s.ok()) return s;
      if (static_cast<size_t>(reselect_) + 1 < db_.records.size()) {
        ++reselect_;
        LoadAt(reselect_);
      }
      StateUpdate();
      return Status::Ok();
    }
    case EditorMode::kInsertNew: {
      if (Status s = SaveInsert(); !s.ok()) return s;
      ++reselect_;
      OpenBlank(EditorMode::kInsertNew, std::to_string(reselect_), caption_);
      return Status::Ok();
    }
  }
  return Status::Ok();
}

Status RecordEditor::SaveAndPrevious() {
  if (mode_ != EditorMode::kEdit) return Status::Ok();  // the command is disabled there
  if (Status s = SaveEdit(); !s.ok()) return s;
  if (reselect_ > 0) {
    --reselect_;
    LoadAt(reselect_);
  }
  StateUpdate();
  return Status::Ok();
}

void RecordEditor::Clear() {
  std::string num = std::move(fields.num);
  fields = EditorFields{};
  fields.num = std::move(num);
  focus_ = DefaultFocus();
}

void RecordEditor::StateUpdate() {
  previous_enabled_ = reselect_ > 0;
  next_enabled_ = reselect_ != static_cast<long long>(db_.records.size()) - 1;
}

void RecordEditor::AfterClose(ViewState* vs) {
  if (mode_ == EditorMode::kEdit || !db_.records.empty()) {
    ReselectAfterWindow(db_, vs, reselect_);
  }
}

}  // namespace duvra
