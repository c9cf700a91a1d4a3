// The Insert dialog: picks a data script or a CSV file and the CSV reading
// options, and imports the file into the open database when OK is pressed.
// Its rules are the core's InsertDialog; it leaves the import outcome for
// the main window to act on after it has closed.
#pragma once

#include <QDialog>
#include <string>

#include "app/dialog_style.h"
#include "app/widgets_fwd.h"
#include "base/prompter.h"
#include "database/db_files.h"
#include "records/record_import.h"

namespace duvra {

class TIForm : public QDialog, public OkCancelHelpRow {
  Q_OBJECT

 public:
  // db and prompter belong to the main window and outlive the dialog.
  TIForm(Database& db, Prompter& prompter, QWidget* parent = nullptr);

  // The outcome of the last opening, and the file box's text as typed, for
  // the main window's message.
  ImportOutcome outcome() const { return dialog_.outcome; }
  const std::string& file_text() const { return dialog_.file_text; }
  // What the last OK read and added.
  const ImportResult& import_result() const { return dialog_.result; }

  QTabWidget* PageControl;
  QRadioButton* JavaScriptRadio;
  QRadioButton* CSVRadio;
  QLabel* InsertLabel;
  QLineEdit* FileEdit;
  QPushButton* BrowseButton;
  QCheckBox* IgnoreCheck;
  QLabel* FieldLabel;
  QComboBox* FieldComboBox;
  QLabel* TextLabel;
  QComboBox* TextComboBox;

 public slots:
  // Resets every control for an opening; the main window calls it before
  // each showing.
  void FormActivate();
  void RadioClick();
  void FileEditChange(const QString& text);
  void BrowseButtonClick();
  void FieldComboBoxExit();
  void TextComboBoxExit();
  void OKButtonClick();
  void CancelButtonClick();
  void HelpButtonClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls into the dialog's state, and the state back.
  void ReadControls();
  void ShowState();

  Database& db_;
  Prompter& prompter_;
  InsertDialog dialog_;
};

}  // namespace duvra
