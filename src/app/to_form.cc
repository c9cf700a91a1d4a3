#include "app/to_form.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <iterator>

#include "app/dialog_style.h"
#include "app/help_adapter.h"
#include "app/text_display.h"

namespace duvra {
namespace {

constexpr DialogFrame kFrame = kLargeFrame;
constexpr int kEditWidth = 330;
constexpr int kListWidth = 250;
constexpr int kListHeight = 90;
constexpr int kComboWidth = 70;

const char kHelpTopic[] = "Duvra.chm::/2000.html";
const char kFolderDialogTitle[] = "Choose the folder that holds the site";

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(left, top, width, 21);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int top) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(left, top, kRowButtonWidth, kRowButtonHeight);
  b->setAutoDefault(false);
  return b;
}

// The Alt letter a caption gives, as text ("" when it has none).
QString MnemonicOf(const QString& text) { return QKeySequence::mnemonic(text).toString(); }

// The caption with an Alt letter no other control of the dialog uses: the
// first free letter that starts a word, else any free letter. A "&" of the
// caption itself is kept as text.
QString WithFreeMnemonic(const QString& caption, QSet<QString>& taken) {
  QList<qsizetype> order;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i].isLetter() && (i == 0 || !caption[i - 1].isLetterOrNumber())) order << i;
  }
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i].isLetter() && !order.contains(i)) order << i;
  }
  qsizetype chosen = -1;
  for (qsizetype i : order) {
    const QString key = MnemonicOf(QStringLiteral("&") + caption[i]);
    if (taken.contains(key)) continue;
    taken.insert(key);
    chosen = i;
    break;
  }
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (i == chosen) out += QLatin1Char('&');
    out += caption[i] == QLatin1Char('&') ? QStringLiteral("&&") : QString(caption[i]);
  }
  return out;
}

QListWidget* MakeList(QWidget* parent, const char* name, int top) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setGeometry(12, top, kListWidth, kListHeight);
  // The core keeps the sorted order; the widget shows it as it is.
  list->setSortingEnabled(false);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return list;
}

QComboBox* MakeChoices(QWidget* parent, const char* name, const int* seconds, size_t count,
                       int top) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  for (size_t i = 0; i < count; ++i) box->addItem(QString::number(seconds[i]));
  box->setGeometry(110, top, kComboWidth, 21);
  return box;
}

// The list widget's selection into the core's list.
void CopySelection(const QListWidget& list, SortedList& items) {
  for (int i = 0; i < list.count(); ++i) {
    items.SetSelected(static_cast<size_t>(i), list.item(i)->isSelected());
  }
}

}  // namespace

TOForm::TOForm(Database& db, Prompter& prompter, QWidget* parent)
    : QDialog(parent), db_(db), prompter_(prompter) {
  Pages = SetUpTabbedDialog(this, "TOForm", QStringLiteral("Options"), kFrame, "Pages");

  GeneralTab = new QWidget;
  GeneralTab->setObjectName(QStringLiteral("GeneralTab"));
  AddCaptioned<QLabel>(GeneralTab, "NameLabel", QStringLiteral("Database &name:"), 12, 16)
      ->setBuddy(NameEdit = MakeEdit(GeneralTab, "NameEdit", 12, 32, kEditWidth));
  AddCaptioned<QLabel>(GeneralTab, "AddressLabel", QStringLiteral("&Web address:"), 12, 64)
      ->setBuddy(AddressEdit = MakeEdit(GeneralTab, "AddressEdit", 12, 80, kEditWidth));
  // A site built into a folder on this machine is read from there; the
  // web address still names the records' addresses.
  AddCaptioned<QLabel>(GeneralTab, "FolderLabel",
                       QStringLiteral("Site &folder (read instead of the web):"), 12, 112)
      ->setBuddy(FolderEdit = MakeEdit(GeneralTab, "FolderEdit", 12, 128,
                                       kEditWidth - kRowButtonWidth - kFrame.button_gap));
  FolderEdit->setPlaceholderText(QStringLiteral("empty: read the site over the web"));
  BrowseButton = MakeButton(GeneralTab, "BrowseButton", QStringLiteral("&Browse..."),
                            12 + kEditWidth - kRowButtonWidth, 127);
  Pages->addTab(GeneralTab, QStringLiteral("General"));

  ContentTab = new QWidget;
  ContentTab->setObjectName(QStringLiteral("ContentTab"));
  KeywordsCheck = AddCaptioned<QCheckBox>(ContentTab, "KeywordsCheck",
                                          QStringLiteral("Create &keywords"), 12, 10);
  ExcludeWordsLabel = AddCaptioned<QLabel>(ContentTab, "ExcludeWordsLabel",
                                           QStringLiteral("Exclude w&ords:"), 12, 36);
  ExcludeWordsEdit = MakeEdit(ContentTab, "ExcludeWordsEdit", 12, 52, kListWidth);
  ExcludeWordsLabel->setBuddy(ExcludeWordsEdit);
  AddWordsButton = MakeButton(ContentTab, "AddWordsButton", QStringLiteral("&Add"), 270, 51);
  ExcludeWordsList = MakeList(ContentTab, "ExcludeWordsList", 78);
  RemoveWordsButton =
      MakeButton(ContentTab, "RemoveWordsButton", QStringLiteral("&Remove"), 270, 78);
  AddCaptioned<QLabel>(ContentTab, "ExcludePagesLabel", QStringLiteral("Exclude &pages:"), 12, 176)
      ->setBuddy(ExcludePagesEdit = MakeEdit(ContentTab, "ExcludePagesEdit", 12, 192, kListWidth));
  AddPagesButton = MakeButton(ContentTab, "AddPagesButton", QStringLiteral("A&dd"), 270, 191);
  ExcludePagesList = MakeList(ContentTab, "ExcludePagesList", 218);
  RemovePagesButton =
      MakeButton(ContentTab, "RemovePagesButton", QStringLiteral("Re&move"), 270, 218);
  Pages->addTab(ContentTab, QStringLiteral("Content"));

  AdvancedTab = new QWidget;
  AdvancedTab->setObjectName(QStringLiteral("AdvancedTab"));
  AddCaptioned<QLabel>(AdvancedTab, "AgentLabel", QStringLiteral("&User agent:"), 12, 16)
      ->setBuddy(AgentEdit = MakeEdit(AdvancedTab, "AgentEdit", 12, 32, kEditWidth));
  TimeoutComboBox =
      MakeChoices(AdvancedTab, "TimeoutComboBox", kTimeoutChoices, std::size(kTimeoutChoices), 64);
  AddCaptioned<QLabel>(AdvancedTab, "TimeoutLabel", QStringLiteral("&Timeout:"), 12, 68)
      ->setBuddy(TimeoutComboBox);
  AddCaptioned<QLabel>(AdvancedTab, "TimeoutSecondsLabel", QStringLiteral("Seconds"), 188, 68);
  DelayComboBox =
      MakeChoices(AdvancedTab, "DelayComboBox", kDelayChoices, std::size(kDelayChoices), 94);
  AddCaptioned<QLabel>(AdvancedTab, "DelayLabel", QStringLiteral("Requests de&lay:"), 12, 98)
      ->setBuddy(DelayComboBox);
  AddCaptioned<QLabel>(AdvancedTab, "DelaySecondsLabel", QStringLiteral("Seconds"), 188, 98);
  RestoreButton = MakeButton(AdvancedTab, "RestoreButton", QStringLiteral("R&estore"), 12, 130);
  Pages->addTab(AdvancedTab, QStringLiteral("Advanced"));

  IndexingTab = new QWidget;
  IndexingTab->setObjectName(QStringLiteral("IndexingTab"));
  int top = 10;
  for (const SettingInfo& info : kExtraSettings) {
    // The site folder has its own field with Browse on the General tab.
    if (info.name == "folder") continue;
    const QString name =
        QStringLiteral("Setting_") + QString::fromLatin1(info.name.data(), info.name.size());
    const QString label = QString::fromUtf8(info.label.data(), info.label.size());
    QWidget* control = nullptr;
    if (info.kind == SettingKind::kFlag) {
      auto* check = new QCheckBox(label, IndexingTab);
      indexing_captions_.push_back(check);
      check->move(12, top);
      check->adjustSize();
      control = check;
      top += 24;
    } else if (info.kind == SettingKind::kNumber) {
      auto* spin = new QSpinBox(IndexingTab);
      spin->setRange(1, 100000);
      spin->setGeometry(220, top, kComboWidth, 21);
      QLabel* caption =
          AddCaptioned<QLabel>(IndexingTab, "", label + QStringLiteral(":"), 12, top + 4);
      caption->setBuddy(spin);
      indexing_captions_.push_back(caption);
      control = spin;
      top += 28;
    } else {
      QLabel* caption = AddCaptioned<QLabel>(IndexingTab, "", label + QStringLiteral(":"), 12, top);
      control = MakeEdit(IndexingTab, "", 12, top + 16, kEditWidth);
      caption->setBuddy(control);
      indexing_captions_.push_back(caption);
      top += 44;
    }
    control->setObjectName(name);
    extra_controls_.emplace_back(&info, control);
  }
  Pages->addTab(IndexingTab, QStringLiteral("Indexing"));

  AddOkCancelHelp(this, kFrame);
  GiveIndexingMnemonics();

  connect(KeywordsCheck, &QCheckBox::clicked, this, &TOForm::KeywordsCheckClick);
  connect(ExcludeWordsEdit, &QLineEdit::textChanged, this, &TOForm::ExcludeWordsEditChange);
  connect(ExcludePagesEdit, &QLineEdit::textChanged, this, &TOForm::ExcludePagesEditChange);
  connect(ExcludeWordsList, &QListWidget::itemSelectionChanged, this,
          &TOForm::ExcludeWordsListClick);
  connect(ExcludePagesList, &QListWidget::itemSelectionChanged, this,
          &TOForm::ExcludePagesListClick);
  connect(AddWordsButton, &QPushButton::clicked, this, &TOForm::AddWordsButtonClick);
  connect(AddPagesButton, &QPushButton::clicked, this, &TOForm::AddPagesButtonClick);
  connect(RemoveWordsButton, &QPushButton::clicked, this, &TOForm::RemoveWordsButtonClick);
  connect(RemovePagesButton, &QPushButton::clicked, this, &TOForm::RemovePagesButtonClick);
  connect(RestoreButton, &QPushButton::clicked, this, &TOForm::RestoreButtonClick);
  connect(BrowseButton, &QPushButton::clicked, this, &TOForm::BrowseButtonClick);
  ExcludeWordsEdit->installEventFilter(this);
  ExcludePagesEdit->installEventFilter(this);

  ShowEnabling();
}

void TOForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormActivate();
}

void TOForm::FormActivate() {
  options_.FormActivate(db_);
  Pages->setCurrentWidget(GeneralTab);
  ShowState();
  Pages->setFocus();
}

void TOForm::ShowList(QListWidget* list, const SortedList& items) {
  const bool was = showing_;
  showing_ = true;
  list->clear();
  for (size_t i = 0; i < items.items().size(); ++i) {
    list->addItem(ToDisplay(items.items()[i]));
    list->item(static_cast<int>(i))->setSelected(items.selected(i));
  }
  showing_ = was;
}

void TOForm::ShowState() {
  showing_ = true;
  NameEdit->setText(ToDisplay(options_.name));
  AddressEdit->setText(ToDisplay(options_.address));
  FolderEdit->setText(PathToDisplay(options_.folder));
  AgentEdit->setText(ToDisplay(options_.agent));
  // A long agent shows its name, not its tail.
  AgentEdit->setCursorPosition(0);
  KeywordsCheck->setChecked(options_.keywords_checked);
  TimeoutComboBox->setCurrentIndex(options_.timeout_item);
  DelayComboBox->setCurrentIndex(options_.delay_item);
  ExcludeWordsEdit->setText(ToDisplay(options_.words_edit));
  ExcludePagesEdit->setText(ToDisplay(options_.pages_edit));
  ShowList(ExcludeWordsList, options_.words);
  ShowList(ExcludePagesList, options_.pages);
  for (const auto& [info, control] : extra_controls_) {
    const std::string value = options_.extra.Get(info->name);
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
      check->setChecked(value == "1");
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
      spin->setValue(static_cast<int>(
          options_.extra.Number(info->name, std::atol(std::string(info->absent).c_str()))));
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      edit->setText(ToDisplay(value));
    }
  }
  showing_ = false;
  ShowEnabling();
}

void TOForm::ShowEnabling() {
  for (QWidget* w :
       {static_cast<QWidget*>(ExcludeWordsLabel), static_cast<QWidget*>(ExcludeWordsEdit),
        static_cast<QWidget*>(ExcludeWordsList)}) {
    w->setEnabled(options_.word_controls_enabled);
  }
  AddWordsButton->setEnabled(options_.add_words_enabled);
  RemoveWordsButton->setEnabled(options_.remove_words_enabled);
  AddPagesButton->setEnabled(options_.add_pages_enabled);
  RemovePagesButton->setEnabled(options_.remove_pages_enabled);
}

void TOForm::ReadControls() {
  options_.name = FromDisplay(NameEdit->text());
  options_.address = FromDisplay(AddressEdit->text());
  options_.folder = PathFromDisplay(FolderEdit->text());
  options_.agent = FromDisplay(AgentEdit->text());
  options_.keywords_checked = KeywordsCheck->isChecked();
  options_.timeout_item = TimeoutComboBox->currentIndex();
  options_.delay_item = DelayComboBox->currentIndex();
  for (const auto& [info, control] : extra_controls_) {
    std::string value;
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
      value.assign(1, check->isChecked() ? '1' : '0');
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
      value = std::to_string(spin->value());
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      value = FromDisplay(edit->text());
    }
    // Only a change is written, so an older header stays two lines when
    // the dialog is merely confirmed.
    if (value != options_.extra.Get(info->name)) options_.extra.Set(info->name, value);
  }
}

void TOForm::KeywordsCheckClick() {
  options_.keywords_checked = KeywordsCheck->isChecked();
  options_.KeywordsCheckClick();
  ShowEnabling();
}

void TOForm::ExcludeWordsEditChange(const QString& text) {
  if (showing_) return;
  options_.words_edit = FromDisplay(text);
  options_.ExcludeWordsEditChange();
  ShowEnabling();
}

void TOForm::ExcludePagesEditChange(const QString& text) {
  if (showing_) return;
  options_.pages_edit = FromDisplay(text);
  options_.ExcludePagesEditChange();
  ShowEnabling();
}

void TOForm::ExcludeWordsListClick() {
  if (showing_) return;
  CopySelection(*ExcludeWordsList, options_.words);
  options_.ExcludeWordsListClick();
  ShowEnabling();
}

void TOForm::ExcludePagesListClick() {
  if (showing_) return;
  CopySelection(*ExcludePagesList, options_.pages);
  options_.ExcludePagesListClick();
  ShowEnabling();
}

void TOForm::AddWordsButtonClick() {
  options_.words_edit = FromDisplay(ExcludeWordsEdit->text());
  options_.AddWordsButtonClick();
  ShowAdded(ExcludeWordsEdit, options_.words_edit, ExcludeWordsList, options_.words);
}

void TOForm::AddPagesButtonClick() {
  options_.pages_edit = FromDisplay(ExcludePagesEdit->text());
  options_.AddPagesButtonClick();
  ShowAdded(ExcludePagesEdit, options_.pages_edit, ExcludePagesList, options_.pages);
}

void TOForm::ShowAdded(QLineEdit* edit, const std::string& edit_text, QListWidget* list,
                       const SortedList& items) {
  showing_ = true;  // the core has set the edit's text; its change handler stays out
  edit->setText(ToDisplay(edit_text));
  showing_ = false;
  ShowList(list, items);
  ShowEnabling();
}

void TOForm::RemoveWordsButtonClick() {
  options_.RemoveWordsButtonClick();
  ShowList(ExcludeWordsList, options_.words);
  ShowEnabling();
}

void TOForm::RemovePagesButtonClick() {
  options_.RemovePagesButtonClick();
  ShowList(ExcludePagesList, options_.pages);
  ShowEnabling();
}

void TOForm::RestoreButtonClick() {
  ReadControls();
  options_.RestoreButtonClick();
  AgentEdit->setText(ToDisplay(options_.agent));
  AgentEdit->setCursorPosition(0);
  TimeoutComboBox->setCurrentIndex(options_.timeout_item);
  DelayComboBox->setCurrentIndex(options_.delay_item);
}

// The Indexing tab's captions come from the settings table the batch front
// end shares, so their Alt letters are picked here, around the letters the
// dialog's own buttons already use.
void TOForm::GiveIndexingMnemonics() {
  // Alt reaches only visible controls, so the other pages' letters are free.
  QSet<QString> taken;
  auto shares_letters = [this](const QWidget* w) {
    return !Pages->isAncestorOf(w) || IndexingTab->isAncestorOf(w);
  };
  for (const QAbstractButton* b : findChildren<QAbstractButton*>()) {
    if (shares_letters(b)) taken.insert(MnemonicOf(b->text()));
  }
  for (const QLabel* l : findChildren<QLabel*>()) {
    if (shares_letters(l)) taken.insert(MnemonicOf(l->text()));
  }
  for (QWidget* w : indexing_captions_) {
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
      check->setText(WithFreeMnemonic(check->text(), taken));
      check->adjustSize();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      label->setText(WithFreeMnemonic(label->text(), taken));
      label->adjustSize();
    }
  }
}

void TOForm::BrowseButtonClick() {
  // The prompter's dialog puts the working directory back when it closes.
  if (std::optional<std::string> chosen =
          prompter_.ChooseFolder(kFolderDialogTitle, PathFromDisplay(FolderEdit->text()))) {
    FolderEdit->setText(PathToDisplay(*chosen));
  }
}

void TOForm::OKButtonClick() {
  ReadControls();
  if (const std::string problem = options_.FieldProblem(); !problem.empty()) {
    prompter_.Notify(problem);  // the dialog stays open for a correction
    return;
  }
  if (Status s = options_.OKButtonClick(db_); !s.ok()) {
    prompter_.ShowError(s.message());  // the dialog stays open
    return;
  }
  accept();
}

void TOForm::CancelButtonClick() { reject(); }

void TOForm::HelpButtonClick() { HtmlHelp(kHelpTopic); }

bool TOForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      (watched == ExcludeWordsEdit || watched == ExcludePagesEdit)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == ExcludeWordsEdit && !ExcludeWordsEdit->text().isEmpty()) {
        AddWordsButtonClick();
      }
      if (watched == ExcludePagesEdit && !ExcludePagesEdit->text().isEmpty()) {
        AddPagesButtonClick();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace duvra
