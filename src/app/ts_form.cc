#include "app/ts_form.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/dialog_style.h"
#include "app/registry.h"
#include "app/text_display.h"
#include "database/commands.h"

namespace duvra {
namespace {

constexpr int kClientWidth = 312;
constexpr int kClientHeight = 268;
constexpr int kListHeight = 108;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonTop = 236;

}  // namespace

TSForm::TSForm(const RecentFiles& recent, std::string* choice, QWidget* parent)
    : QDialog(parent), recent_(recent), choice_(choice) {
  setObjectName(QStringLiteral("TSForm"));
  setWindowTitle(QStringLiteral("Duvra"));
  setFont(DialogFont());
  setModal(true);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  PageControl->setGeometry(8, 8, kClientWidth - 16, kButtonTop - 16);
  auto* sheet = new QWidget;
  sheet->setObjectName(QStringLiteral("OpenSheet"));
  NewRadio = new QRadioButton(QStringLiteral("Create a &new database"), sheet);
  NewRadio->setObjectName(QStringLiteral("NewRadio"));
  NewRadio->move(12, 10);
  NewRadio->adjustSize();
  OpenRadio = new QRadioButton(QStringLiteral("&Open database"), sheet);
  OpenRadio->setObjectName(QStringLiteral("OpenRadio"));
  OpenRadio->move(12, 34);
  OpenRadio->adjustSize();
  StartList = new QListWidget(sheet);
  StartList->setObjectName(QStringLiteral("StartList"));
  StartList->setSelectionMode(QAbstractItemView::SingleSelection);
  StartList->setGeometry(28, 56, kClientWidth - 16 - 28 - 14, kListHeight);
  StartCheck = new QCheckBox(QStringLiteral("&Show when Duvra starts"), sheet);
  StartCheck->setObjectName(QStringLiteral("StartCheck"));
  StartCheck->move(12, 56 + kListHeight + 10);
  StartCheck->adjustSize();
  PageControl->addTab(sheet, QStringLiteral("Open"));

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(kClientWidth - 2 * kButtonWidth - 12, kButtonTop, kButtonWidth,
                        kButtonHeight);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setGeometry(kClientWidth - kButtonWidth - 8, kButtonTop, kButtonWidth,
                            kButtonHeight);

  connect(NewRadio, &QRadioButton::clicked, this, &TSForm::RadioClick);
  connect(OpenRadio, &QRadioButton::clicked, this, &TSForm::RadioClick);
  connect(StartList, &QListWidget::itemDoubleClicked, this, &TSForm::StartListDblClick);
  connect(OKButton, &QPushButton::clicked, this, &TSForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TSForm::reject);
  FixAndCentre(this, kClientWidth, kClientHeight);
}

void TSForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TSForm::FormShow() {
  // Filled afresh at each show, so a second showing cannot list twice.
  StartList->clear();
  StartList->addItem(QString::fromLatin1(kMoreFiles));
  for (const std::string& path : recent_.entries()) {
    auto* item = new QListWidgetItem(PathToDisplay(ShortenRecentPath(path)), StartList);
    item->setToolTip(PathToDisplay(path));
  }
  if (StartList->count() == 1) {
    NewRadio->setChecked(true);
  } else {
    OpenRadio->setChecked(true);
    StartList->setCurrentRow(0);
  }
  StartCheck->setChecked(ReadRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, "Start") ==
                         "1");
  RadioClick();
}

void TSForm::RadioClick() { StartList->setEnabled(OpenRadio->isChecked()); }

void TSForm::TakeChoice() {
  if (NewRadio->isChecked()) {
    *choice_ = "1";
    return;
  }
  const QList<QListWidgetItem*> selected = StartList->selectedItems();
  if (selected.isEmpty()) return;
  const int row = StartList->row(selected.first());
  if (row == 0) {
    *choice_ = "2";
  } else if (static_cast<size_t>(row - 1) < recent_.entries().size()) {
    *choice_ = recent_.entries()[static_cast<size_t>(row - 1)];
  }
}

void TSForm::OKButtonClick() {
  TakeChoice();
  accept();
}

void TSForm::StartListDblClick() {
  TakeChoice();
  accept();
}

void TSForm::done(int result) {
  WriteRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, "Start",
                     StartCheck->isChecked() ? "1" : "0");
  QDialog::done(result);
}

}  // namespace duvra
