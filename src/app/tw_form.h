// The OK message window: one line of news, closed by OK (1, also Escape)
// or by the close box (2).
#pragma once

#include <QDialog>

#include "app/tk_form.h"
#include "app/widgets_fwd.h"

namespace duvra {

class TWForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWForm(QWidget* parent = nullptr);

  // Sets the main line and sizes the window by it; the second line is kept.
  void SetMessage(const QString& main_text);

  QLabel* MainLabel;
  QLabel* SecLabel;
  QPushButton* OKButton;

  void reject() override;  // the close box: result 2

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace duvra
