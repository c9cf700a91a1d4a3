// The Customise dialog: tool-bar tips, the recent files list and whether the
// Start dialog opens at start-up, all kept in the user settings.
#pragma once

#include <QDialog>

#include "app/dialog_style.h"
#include "app/widgets_fwd.h"

namespace duvra {

class TCForm : public QDialog, public OkCancelHelpRow {
  Q_OBJECT

 public:
  explicit TCForm(QWidget* parent = nullptr);

  QTabWidget* PageControl;
  QCheckBox* StartCheck;
  QCheckBox* MRUCheck;
  QComboBox* MRUComboBox;
  QLabel* MRUEntriesLabel;
  QCheckBox* ScreenTipsCheck;
  QCheckBox* ShortcutsCheck;

 public slots:
  // Loads every control from the stored settings.
  void FormShow();
  // "General" to the front, focus on the tabs, the tips enabling rule.
  void FormActivate();
  void ScreenTipsCheckClick();
  void MRUCheckClick();
  // Stores every control, disabled ones included, and closes.
  void OKButtonClick();
  void HelpButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
};

}  // namespace duvra
