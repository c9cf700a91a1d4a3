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

constexpr DialogFrame kFrame{.width = 312,
                             .height = 268,
                             .button_top = 236,
                             .buttons = 2,
                             .button_gap = 4,
                             .auto_default = true};
constexpr int kListHeight = 108;

}  // namespace

TSForm::TSForm(const RecentFiles& recent, std::string* choice, QWidget* parent)
    : QDialog(parent), recent_(recent), choice_(choice) {
  PageControl = SetUpTabbedDialog(this, "TSForm", QStringLiteral("Duvra"), kFrame);
  auto* sheet = new QWidget;
  sheet->setObjectName(QStringLiteral("OpenSheet"));
  NewRadio = AddCaptioned<QRadioButton>(sheet, "NewRadio", QStringLiteral("Create a &new database"),
                                        12, 10);
  OpenRadio =
      AddCaptioned<QRadioButton>(sheet, "OpenRadio", QStringLiteral("&Open database"), 12, 34);
  StartList = new QListWidget(sheet);
  StartList->setObjectName(QStringLiteral("StartList"));
  StartList->setSelectionMode(QAbstractItemView::SingleSelection);
  StartList->setGeometry(28, 56, kFrame.width - 16 - 28 - 14, kListHeight);
  StartCheck = AddCaptioned<QCheckBox>(
      sheet, "StartCheck", QStringLiteral("&Show when Duvra starts"), 12, 56 + kListHeight + 10);
  PageControl->addTab(sheet, QStringLiteral("Open"));

  OKButton = AddRowButton(this, kFrame, "OKButton", QStringLiteral("OK"), 0);
  OKButton->setDefault(true);
  CancelButton = AddRowButton(this, kFrame, "CancelButton", QStringLiteral("Cancel"), 1);

  connect(NewRadio, &QRadioButton::clicked, this, &TSForm::RadioClick);
  connect(OpenRadio, &QRadioButton::clicked, this, &TSForm::RadioClick);
  connect(StartList, &QListWidget::itemDoubleClicked, this, &TSForm::StartListDblClick);
  connect(OKButton, &QPushButton::clicked, this, &TSForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TSForm::reject);
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
