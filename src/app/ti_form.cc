#include "app/ti_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/dialog_style.h"
#include "app/help_adapter.h"
#include "app/text_display.h"
#include "base/text_file.h"

namespace duvra {
namespace {

constexpr DialogFrame kFrame{312, 268, 236};
constexpr int kBoxLeft = 110;
constexpr int kComboWidth = 90;

const char kHelpTopic[] = "Duvra.chm::/5000.html";

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  return box;
}

}  // namespace

TIForm::TIForm(Database& db, Prompter& prompter, QWidget* parent)
    : QDialog(parent), db_(db), prompter_(prompter) {
  PageControl = SetUpTabbedDialog(this, "TIForm", QStringLiteral("Insert"), kFrame);
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("FileSheet"));
  JavaScriptRadio = AddCaptioned<QRadioButton>(page, "JavaScriptRadio",
                                               QStringLiteral("&Duvra data file"), 12, 10);
  CSVRadio = AddCaptioned<QRadioButton>(page, "CSVRadio",
                                        QStringLiteral("&CSV (Comma Separated Values)"), 12, 32);
  InsertLabel =
      AddCaptioned<QLabel>(page, "InsertLabel", QStringLiteral("File to &Insert:"), 12, 60);
  FileEdit = new QLineEdit(page);
  FileEdit->setObjectName(QStringLiteral("FileEdit"));
  FileEdit->setGeometry(12, 76, kFrame.width - 16 - 24 - kRowButtonWidth - kFrame.button_gap, 21);
  InsertLabel->setBuddy(FileEdit);
  BrowseButton = new QPushButton(QStringLiteral("&Browse"), page);
  BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
  BrowseButton->setGeometry(FileEdit->geometry().right() + kFrame.button_gap, 75, kRowButtonWidth,
                            kRowButtonHeight);
  IgnoreCheck = AddCaptioned<QCheckBox>(
      page, "IgnoreCheck", QStringLiteral("&Add all records (Ignore duplicates)"), 12, 106);
  FieldLabel =
      AddCaptioned<QLabel>(page, "FieldLabel", QStringLiteral("&Field delimiter:"), 12, 139);
  FieldComboBox = MakeCombo(page, "FieldComboBox",
                            {QStringLiteral(","), QStringLiteral(";"), QStringLiteral("[Space]")});
  FieldComboBox->setGeometry(kBoxLeft, 135, kComboWidth, 21);
  FieldLabel->setBuddy(FieldComboBox);
  TextLabel = AddCaptioned<QLabel>(page, "TextLabel", QStringLiteral("Text &qualifier:"), 12, 169);
  TextComboBox = MakeCombo(page, "TextComboBox",
                           {QStringLiteral("\""), QStringLiteral("'"), QStringLiteral("[None]")});
  TextComboBox->setGeometry(kBoxLeft, 165, kComboWidth, 21);
  TextLabel->setBuddy(TextComboBox);
  PageControl->addTab(page, QStringLiteral("File"));

  AddOkCancelHelp(this, kFrame);

  connect(JavaScriptRadio, &QRadioButton::clicked, this, &TIForm::RadioClick);
  connect(CSVRadio, &QRadioButton::clicked, this, &TIForm::RadioClick);
  connect(FileEdit, &QLineEdit::textChanged, this, &TIForm::FileEditChange);
  connect(BrowseButton, &QPushButton::clicked, this, &TIForm::BrowseButtonClick);
  // Leaving a combo box is seen on the box and on its line edit.
  for (QComboBox* box : {FieldComboBox, TextComboBox}) {
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
  }

  FormActivate();
}

void TIForm::FormActivate() {
  dialog_.FormActivate();
  PageControl->setCurrentIndex(0);
  ShowState();
  PageControl->setFocus();
}

void TIForm::ShowState() {
  (dialog_.csv ? CSVRadio : JavaScriptRadio)->setChecked(true);
  if (FileEdit->text() != PathToDisplay(dialog_.file_text)) {
    FileEdit->setText(PathToDisplay(dialog_.file_text));
  }
  IgnoreCheck->setChecked(dialog_.add_all);
  FieldComboBox->setEditText(ToDisplay(dialog_.delimiter_box));
  TextComboBox->setEditText(ToDisplay(dialog_.qualifier_box));
  OKButton->setEnabled(dialog_.ok_enabled());
  FileEdit->setToolTip(FileEdit->text());
  RadioClick();
}

void TIForm::ReadControls() {
  dialog_.csv = CSVRadio->isChecked();
  dialog_.file_text = PathFromDisplay(FileEdit->text());
  dialog_.add_all = IgnoreCheck->isChecked();
  dialog_.delimiter_box = FromDisplay(FieldComboBox->currentText());
  dialog_.qualifier_box = FromDisplay(TextComboBox->currentText());
}

void TIForm::RadioClick() {
  dialog_.csv = CSVRadio->isChecked();
  const bool on = dialog_.csv_controls_enabled();
  for (QWidget* w : {static_cast<QWidget*>(FieldLabel), static_cast<QWidget*>(FieldComboBox),
                     static_cast<QWidget*>(TextLabel), static_cast<QWidget*>(TextComboBox)}) {
    w->setEnabled(on);
  }
}

void TIForm::FileEditChange(const QString& text) {
  dialog_.file_text = PathFromDisplay(text);
  OKButton->setEnabled(dialog_.ok_enabled());
  FileEdit->setToolTip(text);
}

void TIForm::BrowseButtonClick() {
  ReadControls();
  // The prompter's dialog puts the working directory back when it closes.
  if (std::optional<std::string> chosen = prompter_.ChooseOpenFile(
          std::string(kBrowseTitle), dialog_.BrowseFilter(), dialog_.BrowseStartFile())) {
    FileEdit->setText(PathToDisplay(*chosen));
  }
}

void TIForm::FieldComboBoxExit() {
  dialog_.delimiter_box = FromDisplay(FieldComboBox->currentText());
  dialog_.FieldComboBoxExit();
  if (FieldComboBox->currentText().isEmpty()) {
    FieldComboBox->setEditText(ToDisplay(dialog_.delimiter_box));
  }
}

void TIForm::TextComboBoxExit() {
  dialog_.qualifier_box = FromDisplay(TextComboBox->currentText());
  dialog_.TextComboBoxExit();
  if (TextComboBox->currentText().isEmpty()) {
    TextComboBox->setEditText(ToDisplay(dialog_.qualifier_box));
  }
}

bool TIForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == FieldComboBox || watched == FieldComboBox->lineEdit()) FieldComboBoxExit();
    if (watched == TextComboBox || watched == TextComboBox->lineEdit()) TextComboBoxExit();
  }
  return QDialog::eventFilter(watched, event);
}

void TIForm::OKButtonClick() {
  ReadControls();
  FieldComboBoxExit();
  TextComboBoxExit();
  Status error;
  if (!dialog_.OKButtonClick(db_, &error)) {
    // A read error: nothing was added, and the dialog stays open.
    prompter_.ShowError(error.message());
    return;
  }
  accept();
}

void TIForm::CancelButtonClick() { reject(); }

void TIForm::HelpButtonClick() { HtmlHelp(kHelpTopic); }

}  // namespace duvra
