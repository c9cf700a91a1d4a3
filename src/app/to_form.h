// The Options dialog: the database name, site address, site folder, keyword creation,
// excluded words and pages, user agent, timeout and request delay of the
// open database. Its rules are the core's IndexOptions; the widgets mirror
// that state. OK writes the header at once.
#pragma once

#include <QDialog>
#include <utility>
#include <vector>

#include "app/dialog_style.h"
#include "app/widgets_fwd.h"
#include "base/prompter.h"
#include "database/db_files.h"
#include "indexer/index_options.h"

namespace duvra {

class TOForm : public QDialog, public OkCancelHelpRow {
  Q_OBJECT

 public:
  // db and prompter belong to the main window and outlive the dialog.
  TOForm(Database& db, Prompter& prompter, QWidget* parent = nullptr);

  QTabWidget* Pages;
  QWidget* GeneralTab;
  QWidget* ContentTab;
  QWidget* AdvancedTab;
  QLineEdit* NameEdit;
  QLineEdit* AddressEdit;
  QLineEdit* FolderEdit;
  QPushButton* BrowseButton;
  QCheckBox* KeywordsCheck;
  QLabel* ExcludeWordsLabel;
  QLineEdit* ExcludeWordsEdit;
  QListWidget* ExcludeWordsList;
  QPushButton* AddWordsButton;
  QPushButton* RemoveWordsButton;
  QLineEdit* ExcludePagesEdit;
  QListWidget* ExcludePagesList;
  QPushButton* AddPagesButton;
  QPushButton* RemovePagesButton;
  QLineEdit* AgentEdit;
  QComboBox* TimeoutComboBox;
  QComboBox* DelayComboBox;
  QPushButton* RestoreButton;
  // One control per setting of the header's third line, named
  // "Setting_<name>": a check box, a spin box or an edit by its kind.
  QWidget* IndexingTab;

 public slots:
  // Loads every control from the open database; runs on each showing.
  void FormActivate();
  void KeywordsCheckClick();
  void ExcludeWordsEditChange(const QString& text);
  void ExcludePagesEditChange(const QString& text);
  void ExcludeWordsListClick();
  void ExcludePagesListClick();
  void AddWordsButtonClick();
  void AddPagesButtonClick();
  void RemoveWordsButtonClick();
  void RemovePagesButtonClick();
  void RestoreButtonClick();
  // Chooses the site folder in the folder dialog.
  void BrowseButtonClick();
  void GiveIndexingMnemonics();
  void OKButtonClick();
  void CancelButtonClick();
  void HelpButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;
  // Enter in an add-edit adds its text (when there is some) and goes no
  // further, so it never presses OK.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The model's state onto the widgets, and the free-text controls back.
  void ShowState();
  void ShowEnabling();
  void ShowList(QListWidget* list, const SortedList& items);
  // After an Add: the edit's text as the core left it, and the list.
  void ShowAdded(QLineEdit* edit, const std::string& edit_text, QListWidget* list,
                 const SortedList& items);
  void ReadControls();

  Database& db_;
  Prompter& prompter_;
  IndexOptions options_;
  std::vector<std::pair<const SettingInfo*, QWidget*>> extra_controls_;
  std::vector<QWidget*> indexing_captions_;  // check boxes and labels of the Indexing tab
  bool showing_ = false;                     // true while ShowState fills the widgets
};

}  // namespace duvra
