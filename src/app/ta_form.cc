#include "app/ta_form.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/dialog_style.h"

namespace duvra {
namespace {

constexpr DialogFrame kFrame{.width = 360,
                             .height = 300,
                             .button_top = 300 - kRowButtonHeight - 8,
                             .buttons = 2,
                             .button_gap = 4,
                             .auto_default = true};
constexpr int kLogoSize = 64;

const char kAboutText[] =
    "Duvra %1\n"
    "\n"
    "Duvra keeps a database of the pages of your web site and writes the "
    "scripts with which your visitors search the site in their browser.\n"
    "\n"
    "This program is provided as is, without warranty of any kind, express or "
    "implied, including but not limited to the warranties of merchantability, "
    "fitness for a particular purpose and noninfringement. In no event shall "
    "the authors be liable for any claim, damages or other liability arising "
    "from the use of the program or of the scripts and data files it writes.\n"
    "\n"
    "The search scripts and data files that Duvra writes for your site are "
    "yours to publish.";

}  // namespace

TAForm::TAForm(QWidget* parent) : QDialog(parent) {
  PageControl = SetUpTabbedDialog(this, "TAForm", QStringLiteral("About Duvra"), kFrame);
  auto* sheet = new QWidget;
  sheet->setObjectName(QStringLiteral("AboutSheet"));
  Logo = new QLabel(sheet);
  Logo->setObjectName(QStringLiteral("Logo"));
  Logo->setPixmap(ProgramPicture("logo", QStyle::SP_ComputerIcon).pixmap(kLogoSize, kLogoSize));
  Logo->setGeometry(10, 10, kLogoSize, kLogoSize);
  AboutMemo = new QPlainTextEdit(sheet);
  AboutMemo->setObjectName(QStringLiteral("AboutMemo"));
  AboutMemo->setReadOnly(true);
  AboutMemo->setFocusPolicy(Qt::NoFocus);
  AboutMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  AboutMemo->setPlainText(QString::fromLatin1(kAboutText).arg(QLatin1String(kProgramVersion)));
  AboutMemo->setGeometry(10 + kLogoSize + 10, 10, kFrame.width - 16 - kLogoSize - 36,
                         kFrame.button_top - 16 - 52);
  PageControl->addTab(sheet, QStringLiteral("About"));

  OKButton = AddRowButton(this, kFrame, "OKButton", QStringLiteral("OK"), 0);
  OKButton->setDefault(true);
  CancelButton = AddRowButton(this, kFrame, "CancelButton", QStringLiteral("Cancel"), 1);
  connect(OKButton, &QPushButton::clicked, this, &TAForm::accept);
  connect(CancelButton, &QPushButton::clicked, this, &TAForm::reject);
}

void TAForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

bool TAForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(event);
}

void TAForm::FormActivate() {
  PageControl->setCurrentIndex(0);
  PageControl->setFocus(Qt::ActiveWindowFocusReason);
}

}  // namespace duvra
