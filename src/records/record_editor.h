// The record editor's rules: one record of the open database at a time, in
// one of three modes (New appends, Edit replaces, Insert New inserts). The
// editor works directly on the record list; the list is renumbered only when
// the editor closes. The window shows `fields` and the enabling and forwards
// its commands here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "database/db_files.h"
#include "database/view_state.h"

namespace duvra {

// Stored as 0, 1, 2 by the main window.
enum class EditorMode { kNew = 0, kEdit = 1, kInsertNew = 2 };
// Which box gets the focus after an opening, a Clear or a Save and Next.
enum class EditorFocus { kTitle, kNum };

inline constexpr std::string_view kNotAnInteger = "'%s' is not a valid integer value";
inline constexpr std::string_view kUnableToInsert = "Unable to insert a line";

// Window geometry (outer pixels).
inline constexpr int kEditorDesignWidth = 422;
inline constexpr int kEditorDesignHeight = 328;
inline constexpr int kEditorMinWidth = 250;
inline constexpr int kEditorMinHeight = 250;
// The four wide boxes are the window's width less this.
inline constexpr int kEditorWideBoxMargin = 85;

// Settings names of the stored editor size.
inline constexpr std::string_view kEditHeightSetting = "Edit Height";
inline constexpr std::string_view kEditWidthSetting = "Edit Width";

// The texts of the editor's boxes and its check box.
struct EditorFields {
  std::string num, title, url, text, keywords;
  bool new_window = false;

  bool operator==(const EditorFields&) const = default;
};

// A whole number as the Num box accepts it: optional leading spaces, then a
// whole number as ParseWholeNumber reads it (sign, digits, within 32 bits).
// nullopt otherwise.
std::optional<int32_t> ParseNumBox(std::string_view text);

// Num as typed, then the four texts (each made safe: "^", CR and LF become
// spaces), then "1" or "0" for New Window.
std::string BuildRecordLine(const EditorFields& f);

// Splits a record line into the fields. New Window is unchecked only when the
// first character after the fifth "^" is "0".
EditorFields LoadRecordLine(std::string_view line);

// A stored size text, or the design value when it is missing or not a whole
// number; never below the minimum.
int StoredEditorSize(std::string_view text, int design, int minimum);

// The width of the Title, URL, Text and Keywords boxes for a window width.
inline int WideBoxWidth(int window_width) { return window_width - kEditorWideBoxMargin; }

class RecordEditor {
 public:
  // db and reselect_index belong to the main window and outlive the editor;
  // the reselect index is the row the editor works on while it is open and
  // the row selected after it closes.
  RecordEditor(Database& db, long long& reselect_index) : db_(db), reselect_(reselect_index) {}

  // The three openers fill every field, the caption and the enabling.
  // OpenEdit refuses (returns false, changes nothing) unless exactly one
  // record is selected.
  void OpenNew();
  bool OpenEdit();
  void OpenInsertNew();

  // Store the fields into the list, set the dirty flag. A Num that is not a
  // whole number, or is below 0, is refused with its message and the list is
  // left unchanged.
  Status SaveNew();
  Status SaveEdit();
  Status SaveInsert();

  // Save and Close: the save of the mode. The window closes only when ok.
  Status Save();
  // Save and Next / Save and Previous: save, then step as the mode says.
  // Nothing moves when the save is refused.
  Status SaveAndNext();
  Status SaveAndPrevious();
  // Empties the four texts and New Window; Num and the list stay.
  void Clear();
  // Enabling of Previous and Next from the reselect index (Edit mode).
  void StateUpdate();

  // After the window closed: renumber, select the row at the reselect index
  // and refresh, as the mode that opened it says.
  void AfterClose(ViewState* vs);

  EditorFields fields;

  EditorMode mode() const { return mode_; }
  const std::string& caption() const { return caption_; }
  bool previous_enabled() const { return previous_enabled_; }
  bool next_enabled() const { return next_enabled_; }
  bool num_enabled() const { return num_enabled_; }
  EditorFocus focus() const { return focus_; }
  long long reselect_index() const { return reselect_; }

 private:
  void ReselectFromSelection();
  void OpenBlank(EditorMode mode, std::string num, std::string caption);
  void LoadAt(long long index);
  // The Num box as a target position: refused when not a whole number or
  // negative; clamped to the last position of the list as it is now.
  Status TargetPosition(size_t* target) const;
  EditorFocus DefaultFocus() const;

  Database& db_;
  long long& reselect_;
  EditorMode mode_ = EditorMode::kNew;
  std::string caption_;
  bool previous_enabled_ = false;
  bool next_enabled_ = true;
  bool num_enabled_ = false;
  EditorFocus focus_ = EditorFocus::kTitle;
};

}  // namespace duvra
