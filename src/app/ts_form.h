// The Start dialog, shown once at start-up when the user asked for it:
// create a new database, open one, or pick a recent one.
#pragma once

#include <QDialog>
#include <string>

#include "app/widgets_fwd.h"

namespace duvra {

class RecentFiles;

inline constexpr char kMoreFiles[] = "More Files...";

class TSForm : public QDialog {
  Q_OBJECT

 public:
  // recent and choice belong to the main window and outlive the dialog.
  TSForm(const RecentFiles& recent, std::string* choice, QWidget* parent = nullptr);

  QTabWidget* PageControl;
  QRadioButton* NewRadio;
  QRadioButton* OpenRadio;
  QListWidget* StartList;
  QCheckBox* StartCheck;
  QPushButton* OKButton;
  QPushButton* CancelButton;

  // Stores "Start" from StartCheck, whichever way the dialog closes.
  void done(int result) override;

 public slots:
  // Lists the recent files (shortened for display), picks the radio button
  // and reads "Start".
  void FormShow();
  void RadioClick();
  // Sets the start choice from the radio buttons and the list, then closes.
  void OKButtonClick();
  void StartListDblClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The choice rule shared by OK and the double click.
  void TakeChoice();

  const RecentFiles& recent_;
  std::string* choice_;
};

}  // namespace duvra
