// The Create dialog: the scripts folder and the script properties, split
// from the database's script settings line on every opening and rebuilt by
// OK, which then writes the scripts. Its rules are the core's Create dialog
// rules; it leaves the create outcome for the main window's message.
#pragma once

#include <QDialog>
#include <string>

#include "app/dialog_style.h"
#include "app/widgets_fwd.h"
#include "base/prompter.h"
#include "database/db_files.h"
#include "scripts/create_dialog.h"

namespace duvra {

class TBForm : public QDialog, public OkCancelHelpRow {
  Q_OBJECT

 public:
  // db and prompter belong to the main window and outlive the dialog.
  TBForm(Database& db, Prompter& prompter, QWidget* parent = nullptr);

  // What the last opening ended in, the folder text as typed, and the
  // create-scripts switch, which lasts for the program run.
  CreateOutcome outcome() const { return outcome_; }
  std::string folder_text() const;
  bool create_scripts() const;
  // Whether the search index is written beside the data script.
  bool write_index() const;

  // Where form.dat and search.dat are read; the program's data folder
  // unless a test sets another (ending with "/").
  void SetTemplateFolder(const std::string& folder) { template_folder_ = folder; }

  QTabWidget* PageControl;
  QLabel* FolderLabel;
  QLineEdit* FolderEdit;
  QPushButton* BrowseButton;
  QCheckBox* ScriptsCheck;
  QLabel* PropertiesLabel;
  QLabel* LocationLabel;
  QLineEdit* LocationEdit;
  QLabel* ReturnLabel;
  QComboBox* ReturnComboBox;
  QLabel* ResultsLabel;
  QCheckBox* NumberCheck;
  QCheckBox* BoldCheck;
  QCheckBox* URLCheck;
  QCheckBox* IndexCheck;

 public slots:
  void FormShow();
  // Loads the controls from the script settings line; the main window
  // calls it before each showing.
  void FormActivate();
  void ScriptsCheckState();
  void FolderEditChange();
  void BrowseButtonClick();
  void OKButtonClick();
  void CancelButtonClick();
  void HelpButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  ScriptSettings ReadControls() const;

  Database& db_;
  Prompter& prompter_;
  CreateOutcome outcome_ = CreateOutcome::kCancelled;
  std::string template_folder_;
};

}  // namespace duvra
