#include "app/dialog_style.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

#include "app/text_display.h"
#include "database/data_dir.h"

namespace duvra {

QFont DialogFont() {
  // The desktop's size, so that a user who asked for larger text gets it.
  constexpr int kDesignPointSize = 8;
  const qreal desktop = QApplication::font().pointSizeF();
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSizeF(desktop > 0 ? desktop : kDesignPointSize);
  // Where Tahoma is missing, a face of similar width keeps the captions
  // inside the fixed dialog sizes.
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("DejaVu Sans Condensed")});
  font.setStyleHint(QFont::SansSerif);
  return font;
}

void FixAndCentre(QWidget* window, int width, int height) {
  window->setFixedSize(width, height);
  CentreOnScreen(window);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QSize size = window->size();
  if (window->minimumSize() != window->maximumSize()) {
    size = size.boundedTo(area.size() - QSize(0, kTitleBarRoom)).expandedTo(window->minimumSize());
    window->resize(size);
  }
  QPoint at = area.center() - QPoint(size.width() / 2, size.height() / 2);
  at.setY(std::max(at.y(), area.top() + kTitleBarRoom));
  at.setX(std::max(at.x(), area.left()));
  window->move(at);
}

QRect FitOnScreens(const QRect& inner, const QList<QRect>& areas, int title_room) {
  if (areas.isEmpty()) return inner;
  QRect area = areas.front();
  long long best = -1;
  for (const QRect& a : areas) {
    const QRect common = a.intersected(inner);
    const long long overlap = common.isEmpty() ? 0 : 1LL * common.width() * common.height();
    if (overlap > best) {
      best = overlap;
      area = a;
    }
  }
  if (best == 0) area = areas.front();
  const int edge = kFrameEdgeRoom;
  const int width = std::max(1, std::min(inner.width(), area.width() - 2 * edge));
  const int height = std::max(1, std::min(inner.height(), area.height() - title_room - edge));
  const int left = std::clamp(inner.left(), area.left() + edge,
                              std::max(area.left() + edge, area.right() + 1 - edge - width));
  const int top = std::clamp(inner.top(), area.top() + title_room,
                             std::max(area.top() + title_room, area.bottom() + 1 - edge - height));
  return QRect(left, top, width, height);
}

QRect KeepOnScreen(const QRect& inner) {
  QList<QRect> areas;
  if (QScreen* primary = QGuiApplication::primaryScreen()) areas << primary->availableGeometry();
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen()) areas << screen->availableGeometry();
  }
  return FitOnScreens(inner, areas);
}

void SetAutoSizedText(QLabel* label, const QString& text) {
  label->setText(text);
  label->adjustSize();
}

QIcon ProgramPicture(const char* name, QStyle::StandardPixmap fallback) {
  const QString file = PathToDisplay(FindDataDir()) + QStringLiteral("icons/%1.svg").arg(name);
  if (QFileInfo::exists(file)) {
    QIcon icon(file);
    if (!icon.pixmap(QSize(16, 16)).isNull()) return icon;
  }
  return QApplication::style()->standardIcon(fallback);
}

void PlayWarningSound() { QApplication::beep(); }

void SetUpDialog(QDialog* dialog, const char* name, const QString& title) {
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setWindowTitle(title);
  dialog->setFont(DialogFont());
  dialog->setModal(true);
}

QTabWidget* SetUpTabbedDialog(QDialog* dialog, const char* name, const QString& title,
                              const DialogFrame& frame, const char* tabs_name) {
  SetUpDialog(dialog, name, title);
  auto* tabs = new QTabWidget(dialog);
  tabs->setObjectName(QString::fromLatin1(tabs_name));
  tabs->setGeometry(8, 8, frame.width - 16, frame.button_top - 16);
  FixAndCentre(dialog, frame.width, frame.height);
  return tabs;
}

QPushButton* AddRowButton(QWidget* dialog, const DialogFrame& frame, const char* name,
                          const QString& caption, int index) {
  constexpr int kMargin = 8;
  auto* b = new QPushButton(caption, dialog);
  b->setObjectName(QString::fromLatin1(name));
  const int after = frame.buttons - 1 - index;  // buttons to its right
  const int left = frame.width - kMargin - (after + 1) * kRowButtonWidth - after * frame.button_gap;
  b->setGeometry(left, frame.button_top, kRowButtonWidth, kRowButtonHeight);
  if (!frame.auto_default) b->setAutoDefault(false);
  return b;
}

void OkCancelHelpRow::AddRowButtons(QWidget* dialog, const DialogFrame& frame) {
  OKButton = AddRowButton(dialog, frame, "OKButton", QStringLiteral("OK"), 0);
  OKButton->setDefault(true);
  CancelButton = AddRowButton(dialog, frame, "CancelButton", QStringLiteral("Cancel"), 1);
  HelpButton = AddRowButton(dialog, frame, "HelpButton", QStringLiteral("&Help"), 2);
}

}  // namespace duvra
