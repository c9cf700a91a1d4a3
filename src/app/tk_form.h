// The yes/no message window: a question on two lines, answered Yes (6),
// No (7, also Escape) or dismissed with the close box (2).
#pragma once

#include <QDialog>
#include <initializer_list>

#include "app/widgets_fwd.h"

namespace duvra {

// Space between the main line's width and the window's width, and the
// distances of the buttons' left edges from the window's right edge.
inline constexpr int kMessageWidthPadding = 25;
inline constexpr int kMessageRightButtonOffset = 94;
inline constexpr int kMessageLeftButtonOffset = 180;
inline constexpr int kMessageHeight = 83;
inline constexpr int kMessageDesignWidth = 322;
inline constexpr int kMessageButtonTop = 52;
// Narrower windows would put the Yes button outside the window's left edge
// (it stands 180 pixels short of the right one).
inline constexpr int kMessageMinWidth = 250;

enum MessageResult { kResultOk = 1, kResultClosed = 2, kResultYes = 6, kResultNo = 7 };

// The width rule: the main line's width in pixels plus the padding, and no
// less than kMessageMinWidth.
int MessageWidth(const QLabel* main_label);
// Places the second line below the main one and the buttons below both
// (at their design places unless a larger font needs more room), then fixes
// the window's size at `width` and centres it. Buttons are listed from the
// right edge inwards, at the design offsets.
void LayOutMessage(QWidget* window, QLabel* main_label, QLabel* second_label, int width,
                   std::initializer_list<QPushButton*> buttons);
// Building blocks shared with the OK window: a self-sizing label at the main
// or the second line's place, and an 80 by 23 button on the button row.
QLabel* MakeMessageLabel(QWidget* parent, const char* name, bool second);
QPushButton* MakeMessageButton(QWidget* parent, const char* name, const QString& caption);

class TKForm : public QDialog {
  Q_OBJECT

 public:
  explicit TKForm(QWidget* parent = nullptr);

  // Sets both lines and sizes the window by the main line. The texts stay
  // until the next call.
  void SetMessage(const QString& main_text, const QString& second_text);

  QLabel* MainLabel;
  QLabel* SecLabel;
  QPushButton* YesButton;
  QPushButton* NoButton;

  void reject() override;  // the close box: result 2

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
};

}  // namespace duvra
