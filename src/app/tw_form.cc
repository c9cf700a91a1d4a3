#include "app/tw_form.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "app/dialog_style.h"

namespace duvra {

TWForm::TWForm(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "TWForm", QStringLiteral("Duvra"));
  MainLabel = MakeMessageLabel(this, "MainLabel", false);
  SecLabel = MakeMessageLabel(this, "SecLabel", true);
  OKButton = MakeMessageButton(this, "OKButton", QStringLiteral("OK"));
  connect(OKButton, &QPushButton::clicked, this, [this] { done(kResultOk); });
  SetMessage(QString());
}

void TWForm::SetMessage(const QString& main_text) {
  SetAutoSizedText(MainLabel, main_text);
  LayOutMessage(this, MainLabel, SecLabel, MessageWidth(MainLabel), {OKButton});
}

void TWForm::reject() { done(kResultClosed); }

void TWForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  PlayWarningSound();
  OKButton->setFocus(Qt::OtherFocusReason);
}

void TWForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    OKButton->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace duvra
