#include "app/tc_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "app/dialog_style.h"
#include "app/help_adapter.h"
#include "app/registry.h"
#include "app/text_display.h"
#include "database/commands.h"

namespace duvra {
namespace {

constexpr DialogFrame kFrame{
    .width = 312, .height = 268, .button_top = 236, .button_gap = 4, .auto_default = true};

std::string Read(const char* name) {
  return ReadRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, name);
}

void Write(const char* name, const std::string& value) {
  WriteRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, name, value);
}

std::string Flag(const QCheckBox* box) { return box->isChecked() ? "1" : "0"; }

}  // namespace

TCForm::TCForm(QWidget* parent) : QDialog(parent) {
  PageControl = SetUpTabbedDialog(this, "TCForm", QStringLiteral("Customise"), kFrame);

  auto* general = new QWidget;
  general->setObjectName(QStringLiteral("GeneralSheet"));
  StartCheck = AddCaptioned<QCheckBox>(
      general, "StartCheck", QStringLiteral("&Show Open | Getting Started when Duvra starts"), 12,
      14);
  MRUCheck =
      AddCaptioned<QCheckBox>(general, "MRUCheck", QStringLiteral("&Recently used files:"), 12, 42);
  MRUComboBox = new QComboBox(general);
  MRUComboBox->setObjectName(QStringLiteral("MRUComboBox"));
  for (int i = 1; i <= kMaxRecentCapacity; ++i) MRUComboBox->addItem(QString::number(i));
  MRUComboBox->setGeometry(160, 40, 41, 21);
  MRUEntriesLabel =
      AddCaptioned<QLabel>(general, "MRUEntriesLabel", QStringLiteral("&Entries"), 208, 44);
  MRUEntriesLabel->setBuddy(MRUComboBox);
  MRUEntriesLabel->adjustSize();  // with a buddy, the "&" takes no room
  PageControl->addTab(general, QStringLiteral("General"));

  auto* toolbar = new QWidget;
  toolbar->setObjectName(QStringLiteral("ToolbarSheet"));
  ScreenTipsCheck = AddCaptioned<QCheckBox>(toolbar, "ScreenTipsCheck",
                                            QStringLiteral("Show Screen&Tips on toolbar"), 12, 14);
  ShortcutsCheck = AddCaptioned<QCheckBox>(
      toolbar, "ShortcutsCheck", QStringLiteral("Show shortcut &keys in ScreenTips"), 28, 38);
  PageControl->addTab(toolbar, QStringLiteral("Toolbar"));

  AddRowButtons(this, kFrame);

  connect(ScreenTipsCheck, &QCheckBox::clicked, this, &TCForm::ScreenTipsCheckClick);
  connect(MRUCheck, &QCheckBox::clicked, this, &TCForm::MRUCheckClick);
  connect(OKButton, &QPushButton::clicked, this, &TCForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TCForm::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TCForm::HelpButtonClick);
}

void TCForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
  FormActivate();
}

bool TCForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QDialog::event(event);
}

void TCForm::FormShow() {
  ScreenTipsCheck->setChecked(Read("ScreenTips") == "1");
  ShortcutsCheck->setChecked(Read("Shortcuts") == "1");
  // The list's real state: the main window reads only "0" as off, so an
  // absent value must not show (and, on OK, store) the list as off.
  MRUCheck->setChecked(Read("Recent") != "0");
  // An "Entries" that is missing or not a number shows the default count.
  bool ok = false;
  int entries = ToDisplay(Read("Entries")).trimmed().toInt(&ok);
  if (!ok) entries = kDefaultRecentCapacity;
  MRUComboBox->setCurrentIndex(std::clamp(entries, 1, kMaxRecentCapacity) - 1);
  StartCheck->setChecked(Read("Start") == "1");
  ScreenTipsCheckClick();
  MRUCheckClick();
}

void TCForm::FormActivate() {
  PageControl->setCurrentIndex(0);
  PageControl->setFocus(Qt::ActiveWindowFocusReason);
  ScreenTipsCheckClick();
}

void TCForm::ScreenTipsCheckClick() { ShortcutsCheck->setEnabled(ScreenTipsCheck->isChecked()); }

void TCForm::MRUCheckClick() {
  MRUComboBox->setEnabled(MRUCheck->isChecked());
  MRUEntriesLabel->setEnabled(MRUCheck->isChecked());
}

void TCForm::OKButtonClick() {
  Write("ScreenTips", Flag(ScreenTipsCheck));
  Write("Shortcuts", Flag(ShortcutsCheck));
  Write("Entries", std::to_string(MRUComboBox->currentIndex() + 1));
  Write("Recent", Flag(MRUCheck));
  Write("Start", Flag(StartCheck));
  accept();
}

void TCForm::HelpButtonClick() { HtmlHelp("Duvra.chm::/1004.html"); }

}  // namespace duvra
