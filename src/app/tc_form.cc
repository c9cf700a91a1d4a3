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

constexpr int kClientWidth = 312;
constexpr int kClientHeight = 268;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonTop = 236;

std::string Read(const char* name) {
  return ReadRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, name);
}

void Write(const char* name, const std::string& value) {
  WriteRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, name, value);
}

std::string Flag(const QCheckBox* box) { return box->isChecked() ? "1" : "0"; }

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, int left, int top) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->move(left, top);
  box->adjustSize();
  return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
  return button;
}

}  // namespace

TCForm::TCForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TCForm"));
  setWindowTitle(QStringLiteral("Customise"));
  setFont(DialogFont());
  setModal(true);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  PageControl->setGeometry(8, 8, kClientWidth - 16, kButtonTop - 16);

  auto* general = new QWidget;
  general->setObjectName(QStringLiteral("GeneralSheet"));
  StartCheck =
      MakeCheck(general, "StartCheck", "&Show Open | Getting Started when Duvra starts", 12, 14);
  MRUCheck = MakeCheck(general, "MRUCheck", "&Recently used files:", 12, 42);
  MRUComboBox = new QComboBox(general);
  MRUComboBox->setObjectName(QStringLiteral("MRUComboBox"));
  for (int i = 1; i <= kMaxRecentCapacity; ++i) MRUComboBox->addItem(QString::number(i));
  MRUComboBox->setGeometry(160, 40, 41, 21);
  MRUEntriesLabel = new QLabel(QStringLiteral("&Entries"), general);
  MRUEntriesLabel->setObjectName(QStringLiteral("MRUEntriesLabel"));
  MRUEntriesLabel->setBuddy(MRUComboBox);
  MRUEntriesLabel->move(208, 44);
  MRUEntriesLabel->adjustSize();
  PageControl->addTab(general, QStringLiteral("General"));

  auto* toolbar = new QWidget;
  toolbar->setObjectName(QStringLiteral("ToolbarSheet"));
  ScreenTipsCheck = MakeCheck(toolbar, "ScreenTipsCheck", "Show Screen&Tips on toolbar", 12, 14);
  ShortcutsCheck =
      MakeCheck(toolbar, "ShortcutsCheck", "Show shortcut &keys in ScreenTips", 28, 38);
  PageControl->addTab(toolbar, QStringLiteral("Toolbar"));

  OKButton = MakeButton(this, "OKButton", "OK", kClientWidth - 3 * kButtonWidth - 16);
  CancelButton = MakeButton(this, "CancelButton", "Cancel", kClientWidth - 2 * kButtonWidth - 12);
  HelpButton = MakeButton(this, "HelpButton", "&Help", kClientWidth - kButtonWidth - 8);
  OKButton->setDefault(true);

  connect(ScreenTipsCheck, &QCheckBox::clicked, this, &TCForm::ScreenTipsCheckClick);
  connect(MRUCheck, &QCheckBox::clicked, this, &TCForm::MRUCheckClick);
  connect(OKButton, &QPushButton::clicked, this, &TCForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TCForm::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TCForm::HelpButtonClick);
  FixAndCentre(this, kClientWidth, kClientHeight);
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
