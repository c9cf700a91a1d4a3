#include "app/tk_form.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/dialog_style.h"

namespace duvra {
namespace {

constexpr int kLabelLeft = 10;
constexpr int kMainLabelTop = 10;
constexpr int kSecLabelTop = 24;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 23;

QLabel* MakeLabel(QWidget* parent, const char* name, int top) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(false);
  label->move(kLabelLeft, top);
  return label;
}

}  // namespace

QLabel* MakeMessageLabel(QWidget* parent, const char* name, bool second) {
  return MakeLabel(parent, name, second ? kSecLabelTop : kMainLabelTop);
}

QPushButton* MakeMessageButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(0, kMessageButtonTop, kButtonWidth, kButtonHeight);
  return button;
}

TKForm::TKForm(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "TKForm", QStringLiteral("Duvra"));
  MainLabel = MakeMessageLabel(this, "MainLabel", false);
  SecLabel = MakeMessageLabel(this, "SecLabel", true);
  YesButton = MakeMessageButton(this, "YesButton", QStringLiteral("Yes"));
  NoButton = MakeMessageButton(this, "NoButton", QStringLiteral("No"));
  connect(YesButton, &QPushButton::clicked, this, [this] { done(kResultYes); });
  connect(NoButton, &QPushButton::clicked, this, [this] { done(kResultNo); });
  SetMessage(QString(), QString());
  FixAndCentre(this, kMessageDesignWidth, kMessageHeight);
}

void TKForm::SetMessage(const QString& main_text, const QString& second_text) {
  SetAutoSizedText(MainLabel, main_text);
  SetAutoSizedText(SecLabel, second_text);
  LayOutMessage(this, MainLabel, SecLabel, MessageWidth(MainLabel), {NoButton, YesButton});
}

int MessageWidth(const QLabel* main_label) {
  return std::max(main_label->sizeHint().width() + kMessageWidthPadding, kMessageMinWidth);
}

void LayOutMessage(QWidget* window, QLabel* main_label, QLabel* second_label, int width,
                   std::initializer_list<QPushButton*> buttons) {
  constexpr int kLineGap = 2, kButtonGap = 10, kBottomMargin = 8;
  const int line = main_label->fontMetrics().height();
  const int second_top = std::max(kSecLabelTop, kMainLabelTop + line + kLineGap);
  second_label->move(kLabelLeft, second_top);
  const int button_top = std::max(kMessageButtonTop, second_top + line + kButtonGap);
  const int offsets[] = {kMessageRightButtonOffset, kMessageLeftButtonOffset};
  int i = 0;
  for (QPushButton* button : buttons) {
    button->setGeometry(width - offsets[i++], button_top, kButtonWidth,
                        std::max(kButtonHeight, button->sizeHint().height()));
  }
  const int height =
      std::max(kMessageHeight, button_top + buttons.begin()[0]->height() + kBottomMargin);
  FixAndCentre(window, width, height);
}

void TKForm::reject() { done(kResultClosed); }

void TKForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TKForm::FormShow() {
  PlayWarningSound();
  YesButton->setFocus(Qt::OtherFocusReason);
}

void TKForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    NoButton->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace duvra
