// The About dialog: the logo, the version and the legal notice.
#pragma once

#include <QDialog>

#include "app/widgets_fwd.h"

namespace duvra {

inline constexpr char kProgramVersion[] = "1.01";

class TAForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAForm(QWidget* parent = nullptr);

  QTabWidget* PageControl;
  QLabel* Logo;
  QPlainTextEdit* AboutMemo;
  QPushButton* OKButton;
  QPushButton* CancelButton;

 public slots:
  // The "About" tab to the front with the focus on the tabs.
  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
};

}  // namespace duvra
