// The record editor window: one record of the open database at a time, in
// the mode its opener chose (New, Edit, Insert New). The rules are the
// core's RecordEditor; the window shows its fields and enabling, forwards
// the commands, keeps its size in the settings and tells refused saves.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <array>
#include <string>

#include "app/widgets_fwd.h"
#include "base/prompter.h"
#include "database/db_files.h"
#include "database/view_state.h"
#include "records/record_editor.h"

namespace duvra {

// The Text and Keywords boxes: several lines that wrap, holding one field.
// A field can hold no line break, so Return is left to the window and line
// breaks in pasted text become spaces.
class FieldBox : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit FieldBox(QWidget* parent = nullptr);
  QString text() const { return toPlainText(); }
  void setText(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
};

class TEForm : public QDialog {
  Q_OBJECT

 public:
  // db, reselect_index and prompter belong to the main window and outlive
  // the editor.
  TEForm(Database& db, long long& reselect_index, Prompter& prompter, QWidget* parent = nullptr);

  // The openers of the main window's three commands: fill every field, the
  // caption and the enabling for the mode. OpenEdit refuses (false) unless
  // exactly one record is selected.
  void OpenNew();
  bool OpenEdit();
  void OpenInsertNew();
  // After the window closed: renumber, select the row at the reselect
  // index and refresh vs, as the mode says.
  void AfterClose(ViewState* vs);

  const RecordEditor& editor() const { return editor_; }

  QMenuBar* MenuBar;
  QToolBar* Toolbar;
  QStatusBar* StatusBar;
  QLineEdit* NumEdit;
  QLineEdit* TitleEdit;
  QLineEdit* URLEdit;
  FieldBox* TextEdit;
  FieldBox* KeywordsEdit;
  QCheckBox* NewWindowCheck;
  // Menu items.
  QAction* TBXSave;
  QAction* TBXClose;
  QAction* TBXPrevious;
  QAction* TBXNext;
  QAction* TBXClear;
  QAction* TBXDuvraHelp;
  QAction* TBXScriptsHelp;
  QAction* TBXStart;
  QAction* TBXKnowledgeBase;
  // Tool-bar buttons.
  QAction* TBXSaveButton;
  QAction* TBXPreviousButton;
  QAction* TBXNextButton;
  QAction* TBXHelpButton;

  // Stores the size in the settings, however the window closes.
  void done(int result) override;

 public slots:
  void TBXSaveClick();
  void TBXCloseClick();
  void TBXPreviousClick();
  void TBXNextClick();
  void TBXClearClick();
  void TBXDuvraHelpClick();
  void TBXScriptsHelpClick();
  void TBXStartClick();
  void TBXKnowledgeBaseClick();
  // Enabling of Save and Previous / Save and Next from the reselect index.
  void StateUpdate();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormShow();
  void FormResize();
  // Heights of the Text and Keywords rows for the window's height.
  void PlaceFieldBoxes();
  void FormClose();
  // Widgets to the editor's fields and back. Text the user left as it was
  // shown keeps its original bytes, so that 8-bit records survive an edit
  // of another field.
  void FieldsFromWidgets();
  void FieldsToWidgets();
  // Enabling, caption and focus from the editor.
  void ShowEditorState();
  void FocusAsEditorSays();
  // A refused save is told in the error box; true when it went through.
  bool Check(const Status& status);

  Database& db_;
  Prompter& prompter_;
  RecordEditor editor_;
  // The bytes of each text field as last put into its box.
  std::array<std::string, 5> shown_;
  int first_row_ = 0;  // top of the Num row
};

}  // namespace duvra
