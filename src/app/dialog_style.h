// What every dialog of the program shares: its font, a fixed size centred on
// the screen, and the warning sound of the message windows.
#pragma once

#include <QFont>
#include <QIcon>
#include <QList>
#include <QRect>
#include <QStyle>

class QLabel;
class QPushButton;
class QString;
class QWidget;

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

// The dialogs' row of three 75 by 23 buttons, right-aligned 8 pixels from
// the client edge with 6 pixels between them: creates the button at `index`
// (0 leftmost) with its object name, at `top`. It never becomes the default
// button by itself.
QPushButton* AddRowButton(QWidget* dialog, const char* name, const QString& caption, int index,
                          int client_width, int top);

// Plays the platform's warning sound without waiting for it.
void PlayWarningSound();

}  // namespace duvra
