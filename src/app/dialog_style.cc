#include "app/dialog_style.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include "app/text_display.h"
#include "database/data_dir.h"

namespace duvra {

QFont DialogFont() {
  constexpr int kPointSize = 8;
  QFont font(QStringLiteral("Tahoma"), kPointSize);
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
  window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
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
