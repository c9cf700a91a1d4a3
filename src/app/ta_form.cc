#include "app/ta_form.h"

#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/dialog_style.h"

namespace duvra {
namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 300;
constexpr int kLogoSize = 64;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

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

QPixmap DuvraLogo(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, size, size);
  fill.setColorAt(0, QColor(46, 110, 190));
  fill.setColorAt(1, QColor(20, 60, 120));
  p.setBrush(fill);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
  // A magnifying glass over a page: searching a site.
  p.setBrush(Qt::white);
  p.drawRect(QRectF(size * 0.18, size * 0.14, size * 0.46, size * 0.6));
  p.setPen(QPen(QColor(46, 110, 190), size / 32.0));
  for (int i = 0; i < 4; ++i) {
    const qreal y = size * (0.26 + 0.1 * i);
    p.drawLine(QPointF(size * 0.25, y), QPointF(size * 0.56, y));
  }
  p.setPen(QPen(QColor(250, 190, 40), size / 11.0, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(size * 0.6, size * 0.6), size * 0.16, size * 0.16);
  p.drawLine(QPointF(size * 0.72, size * 0.72), QPointF(size * 0.86, size * 0.86));
  return pixmap;
}

TAForm::TAForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TAForm"));
  setWindowTitle(QStringLiteral("About Duvra"));
  setFont(DialogFont());
  setModal(true);

  const int button_top = kClientHeight - kButtonHeight - 8;
  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  PageControl->setGeometry(8, 8, kClientWidth - 16, button_top - 16);
  auto* sheet = new QWidget;
  sheet->setObjectName(QStringLiteral("AboutSheet"));
  Logo = new QLabel(sheet);
  Logo->setObjectName(QStringLiteral("Logo"));
  Logo->setPixmap(DuvraLogo(kLogoSize));
  Logo->setGeometry(10, 10, kLogoSize, kLogoSize);
  AboutMemo = new QPlainTextEdit(sheet);
  AboutMemo->setObjectName(QStringLiteral("AboutMemo"));
  AboutMemo->setReadOnly(true);
  AboutMemo->setFocusPolicy(Qt::NoFocus);
  AboutMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  AboutMemo->setPlainText(QString::fromLatin1(kAboutText).arg(QLatin1String(kProgramVersion)));
  AboutMemo->setGeometry(10 + kLogoSize + 10, 10, kClientWidth - 16 - kLogoSize - 36,
                         button_top - 16 - 52);
  PageControl->addTab(sheet, QStringLiteral("About"));

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(kClientWidth - 2 * kButtonWidth - 12, button_top, kButtonWidth,
                        kButtonHeight);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setGeometry(kClientWidth - kButtonWidth - 8, button_top, kButtonWidth,
                            kButtonHeight);
  connect(OKButton, &QPushButton::clicked, this, &TAForm::accept);
  connect(CancelButton, &QPushButton::clicked, this, &TAForm::reject);
  FixAndCentre(this, kClientWidth, kClientHeight);
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
