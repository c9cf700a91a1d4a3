#include "app/tb_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>

#include "app/dialog_style.h"
#include "app/help_adapter.h"
#include "app/text_display.h"
#include "database/data_dir.h"

namespace duvra {
namespace {

constexpr DialogFrame kFrame{312, 292, 260};
constexpr int kIndent = 24;  // the properties stand under their heading

const char kHelpTopic[] = "Duvra.chm::/6000.html";

}  // namespace

TBForm::TBForm(Database& db, Prompter& prompter, QWidget* parent)
    : QDialog(parent), db_(db), prompter_(prompter) {
  PageControl = SetUpTabbedDialog(this, "TBForm", QStringLiteral("Create"), kFrame);
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("ScriptsSheet"));
  const int page_width = kFrame.width - 16 - 8;

  FolderLabel =
      AddCaptioned<QLabel>(page, "FolderLabel", QStringLiteral("Create Scripts &in:"), 12, 10);
  FolderEdit = new QLineEdit(page);
  FolderEdit->setObjectName(QStringLiteral("FolderEdit"));
  FolderEdit->setGeometry(12, 26, page_width - 24 - kRowButtonWidth - kFrame.button_gap, 21);
  FolderLabel->setBuddy(FolderEdit);
  BrowseButton = new QPushButton(QStringLiteral("&Browse"), page);
  BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
  BrowseButton->setGeometry(FolderEdit->geometry().right() + kFrame.button_gap, 25, kRowButtonWidth,
                            kRowButtonHeight);
  ScriptsCheck = AddCaptioned<QCheckBox>(page, "ScriptsCheck",
                                         QStringLiteral("&Create the Duvra Scripts"), 12, 56);
  ScriptsCheck->setChecked(true);  // at program start; kept for the run
  PropertiesLabel =
      AddCaptioned<QLabel>(page, "PropertiesLabel", QStringLiteral("Script properties:"), 12, 82);
  LocationLabel = AddCaptioned<QLabel>(page, "LocationLabel", QStringLiteral("Results &location:"),
                                       kIndent, 102);
  LocationEdit = new QLineEdit(page);
  LocationEdit->setObjectName(QStringLiteral("LocationEdit"));
  LocationEdit->setGeometry(kIndent + 96, 98, page_width - kIndent - 96 - 12, 21);
  LocationLabel->setBuddy(LocationEdit);
  ReturnLabel = AddCaptioned<QLabel>(page, "ReturnLabel", QStringLiteral("&Return:"), kIndent, 130);
  ReturnComboBox = new QComboBox(page);
  ReturnComboBox->setObjectName(QStringLiteral("ReturnComboBox"));
  for (int n : kReturnChoices) ReturnComboBox->addItem(QString::number(n));
  ReturnComboBox->setGeometry(kIndent + 96, 126, 60, 21);
  ReturnLabel->setBuddy(ReturnComboBox);
  ResultsLabel =
      AddCaptioned<QLabel>(page, "ResultsLabel", QStringLiteral("Results"), kIndent + 162, 130);
  NumberCheck =
      AddCaptioned<QCheckBox>(page, "NumberCheck", QStringLiteral("Include &number"), kIndent, 152);
  BoldCheck =
      AddCaptioned<QCheckBox>(page, "BoldCheck", QStringLiteral("B&old"), kIndent + 130, 152);
  URLCheck =
      AddCaptioned<QCheckBox>(page, "URLCheck", QStringLiteral("Include &URL"), kIndent, 172);
  // The index follows the data script, whatever the scripts switch says.
  IndexCheck = AddCaptioned<QCheckBox>(page, "IndexCheck",
                                       QStringLiteral("Write the search inde&x"), 12, 196);
  IndexCheck->setChecked(true);  // at program start; kept for the run
  PageControl->addTab(page, QStringLiteral("Scripts"));

  AddOkCancelHelp(this, kFrame);

  connect(ScriptsCheck, &QCheckBox::clicked, this, &TBForm::ScriptsCheckState);
  connect(FolderEdit, &QLineEdit::textChanged, this, &TBForm::FolderEditChange);
  connect(LocationEdit, &QLineEdit::textChanged, this, &TBForm::FolderEditChange);
  connect(BrowseButton, &QPushButton::clicked, this, &TBForm::BrowseButtonClick);

  FormActivate();
}

std::string TBForm::folder_text() const { return PathFromDisplay(FolderEdit->text()); }

bool TBForm::create_scripts() const { return ScriptsCheck->isChecked(); }

bool TBForm::write_index() const { return IndexCheck->isChecked(); }

void TBForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TBForm::FormShow() { ScriptsCheckState(); }

void TBForm::FormActivate() {
  PageControl->setCurrentIndex(0);
  PageControl->setFocus();
  const ScriptSettings s = SplitScriptSettings(db_.script_settings_line);
  FolderEdit->setText(PathToDisplay(s.folder));
  LocationEdit->setText(ToDisplay(s.location));
  ReturnComboBox->setCurrentIndex(s.return_index);
  NumberCheck->setChecked(s.include_num);
  BoldCheck->setChecked(s.bold);
  URLCheck->setChecked(s.include_url);
  FolderEditChange();
  ScriptsCheckState();
  outcome_ = CreateOutcome::kCancelled;
}

void TBForm::ScriptsCheckState() {
  const bool on = ScriptsCheck->isChecked();
  for (std::string_view name : kScriptPropertyControls) {
    if (auto* w = findChild<QWidget*>(QString::fromLatin1(name.data(), int(name.size())))) {
      w->setEnabled(on);
    }
  }
}

void TBForm::FolderEditChange() {
  OKButton->setEnabled(
      CreateOkEnabled(FromDisplay(FolderEdit->text()), FromDisplay(LocationEdit->text())));
}

void TBForm::BrowseButtonClick() {
  // The prompter's dialog puts the working directory back when it closes.
  if (std::optional<std::string> chosen =
          prompter_.ChooseFolder(std::string(kCreateFolderTitle), std::string())) {
    FolderEdit->setText(PathToDisplay(*chosen));
  }
}

ScriptSettings TBForm::ReadControls() const {
  ScriptSettings s;
  s.folder = folder_text();
  s.location = FromDisplay(LocationEdit->text());
  s.return_index = std::max(0, ReturnComboBox->currentIndex());
  s.include_num = NumberCheck->isChecked();
  s.bold = BoldCheck->isChecked();
  s.include_url = URLCheck->isChecked();
  return s;
}

void TBForm::OKButtonClick() {
  if (!OKButton->isEnabled()) return;  // the Enter key while OK is disabled
  const std::string templates = template_folder_.empty() ? FindDataDir() : template_folder_;
  CreateConfirmation c =
      ConfirmCreate(db_, ReadControls(), create_scripts(), templates, write_index());
  outcome_ = c.outcome;
  if (!c.close_dialog) {
    prompter_.ShowError(c.status.message());
    return;
  }
  accept();
}

void TBForm::CancelButtonClick() { reject(); }

void TBForm::HelpButtonClick() { HtmlHelp(kHelpTopic); }

}  // namespace duvra
