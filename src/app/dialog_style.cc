#include "app/dialog_style.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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

QPushButton* AddRowButton(QWidget* dialog, const char* name, const QString& caption, int index,
                          int client_width, int top) {
  constexpr int kWidth = 75, kHeight = 23, kGap = 6, kMargin = 8, kCount = 3;
  auto* b = new QPushButton(caption, dialog);
  b->setObjectName(QString::fromLatin1(name));
  const int left = client_width - kMargin - (kCount - index) * kWidth - (kCount - 1 - index) * kGap;
  b->setGeometry(left, top, kWidth, kHeight);
  b->setAutoDefault(false);
  return b;
}

}  // namespace duvra
