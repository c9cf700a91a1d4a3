// What every dialog of the program shares: its font, a fixed size centred on
// the screen, and the warning sound of the message windows.
#pragma once

#include <QFont>
#include <QIcon>
#include <QList>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QStyle>
#include <QWidget>

#include "app/widgets_fwd.h"

namespace duvra {

// Tahoma where the platform has it, a similar sans serif elsewhere, at the
// desktop's font size.
QFont DialogFont();

// Fixes the window's size and puts it in the middle of its screen.
void FixAndCentre(QWidget* window, int width, int height);
// Centres an already sized window on its screen, shrinking a resizable
// one that would not fit.
void CentreOnScreen(QWidget* window);

// Room left above a window's inner rectangle for the title bar of the
// window manager's frame.
inline constexpr int kTitleBarRoom = 32;
// Room left beside and below it for the frame's edges.
inline constexpr int kFrameEdgeRoom = 4;
// An inner window rectangle placed on one of `areas` (the screens' available
// rectangles): the area it overlaps most, or the first when it overlaps
// none; shrunk to fit it with kTitleBarRoom above, then moved inside it.
QRect FitOnScreens(const QRect& inner, const QList<QRect>& areas, int title_room = kTitleBarRoom);
// FitOnScreens over the screens of this desktop.
QRect KeepOnScreen(const QRect& inner);

// Sets a label's text and lets the label size itself to that text.
void SetAutoSizedText(QLabel* label, const QString& text);

// One of the program's pictures (data folder's icons/<name>.svg), or the
// style's standard picture when that file cannot be read.
QIcon ProgramPicture(const char* name, QStyle::StandardPixmap fallback);

// A fixed-size dialog: its inner size, and the top of its row of 75 by 23
// buttons, right-aligned 8 pixels from the client edge. The row of the
// Start, About and Customise dialogs is older: 4 pixels between buttons,
// and a focused button takes Enter (Qt's auto-default); the others' buttons
// stand 6 pixels apart and never become the default by themselves.
struct DialogFrame {
  int width;
  int height;
  int button_top;
  int buttons = 3;
  int button_gap = 6;
  bool auto_default = false;
};
inline constexpr int kRowButtonWidth = 75;
inline constexpr int kRowButtonHeight = 23;

// The Options and Index dialogs' frame.
inline constexpr DialogFrame kLargeFrame{382, 385, 385 - 8 - kRowButtonHeight};

// Names a dialog, titles it and gives it the dialogs' font; every dialog
// of the program is modal.
void SetUpDialog(QDialog* dialog, const char* name, const QString& title);

// SetUpDialog for a dialog of a fixed frame, centred on its screen, with
// its tab control (named `tabs_name`) 8 pixels inside the client edges and
// above the button row. The pages are the caller's.
QTabWidget* SetUpTabbedDialog(QDialog* dialog, const char* name, const QString& title,
                              const DialogFrame& frame, const char* tabs_name = "PageControl");

// Creates the button at `index` (0 leftmost) of the frame's button row,
// with its object name.
QPushButton* AddRowButton(QWidget* dialog, const DialogFrame& frame, const char* name,
                          const QString& caption, int index);

// The OK, Cancel and Help buttons of a dialog's row.
struct OkCancelHelpRow {
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* HelpButton = nullptr;

  // Makes the three in the frame's row, OK the default button.
  void AddRowButtons(QWidget* dialog, const DialogFrame& frame);
};

// AddRowButtons, wired to the dialog's OKButtonClick, CancelButtonClick and
// HelpButtonClick.
template <typename D>
void AddOkCancelHelp(D* dialog, const DialogFrame& frame) {
  dialog->AddRowButtons(dialog, frame);
  QObject::connect(dialog->OKButton, &QPushButton::clicked, dialog, &D::OKButtonClick);
  QObject::connect(dialog->CancelButton, &QPushButton::clicked, dialog, &D::CancelButtonClick);
  QObject::connect(dialog->HelpButton, &QPushButton::clicked, dialog, &D::HelpButtonClick);
}

// A control with a caption (label, check box, radio button) with its
// object name at (left, top), sized to its caption.
template <typename W>
W* AddCaptioned(QWidget* parent, const char* name, const QString& caption, int left, int top) {
  auto* w = new W(caption, parent);
  w->setObjectName(QString::fromLatin1(name));
  w->move(left, top);
  w->adjustSize();
  return w;
}

// Plays the platform's warning sound without waiting for it.
void PlayWarningSound();

}  // namespace duvra
