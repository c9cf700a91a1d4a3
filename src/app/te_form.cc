#include "app/te_form.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialog_style.h"
#include "app/help_adapter.h"
#include "app/registry.h"
#include "app/text_display.h"
#include "app/web_links.h"
#include "app/window_action.h"

namespace duvra {
namespace {

constexpr int kLabelLeft = 7;
constexpr int kBoxLeft = 68;
constexpr int kFirstRowTop = 53;  // below the menu bar and the tool bar
constexpr int kRowStep = 25;
constexpr int kNumWidth = 40;
constexpr int kBoxHeight = 21;
constexpr int kRowCount = 6;  // five boxes and the check box
// Gap between the tool bar and the first row when the bars are taller than
// the design expects.
constexpr int kBarGap = 4;

const char kHelpTopic[] = "Duvra.chm::/4001.html";
const char kScriptsHelpTopic[] = "Duvra.chm::/7000.html";
const char kStartedTopic[] = "Duvra.chm::/started.html";

std::string EditorSetting(std::string_view name) {
  return ReadRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, std::string(name));
}

}  // namespace

FieldBox::FieldBox(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setTabChangesFocus(true);
}

void FieldBox::setText(const QString& text) {
  setPlainText(text);
  moveCursor(QTextCursor::Start);
}

void FieldBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->ignore();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void FieldBox::insertFromMimeData(const QMimeData* source) {
  QString text = source->text();
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  text.replace(QChar('\r'), QChar(' ')).replace(QChar('\n'), QChar(' '));
  insertPlainText(text);
}

TEForm::TEForm(Database& db, long long& reselect_index, Prompter& prompter, QWidget* parent)
    : QDialog(parent), db_(db), prompter_(prompter), editor_(db, reselect_index) {
  setObjectName(QStringLiteral("TEForm"));
  setFont(DialogFont());
  setModal(true);
  setMinimumSize(kEditorMinWidth, kEditorMinHeight);
  resize(kEditorDesignWidth, kEditorDesignHeight);

  MenuBar = new QMenuBar(this);
  MenuBar->setObjectName(QStringLiteral("MenuBar"));
  MenuBar->setWindowTitle(QStringLiteral("Menu Bar"));
  QMenu* file = MenuBar->addMenu(QStringLiteral("&File"));
  TBXSave = AddAction(this, "TBXSave", QStringLiteral("Save and Close"), &TEForm::TBXSaveClick,
                      QKeySequence(QStringLiteral("Ctrl+S")));
  TBXClose = AddAction(this, "TBXClose", QStringLiteral("Close"), &TEForm::TBXCloseClick);
  file->addAction(TBXSave);
  file->addAction(TBXClose);
  QMenu* edit = MenuBar->addMenu(QStringLiteral("&Edit"));
  TBXPrevious = AddAction(this, "TBXPrevious", QStringLiteral("Save and Previous"),
                          &TEForm::TBXPreviousClick, QKeySequence(QStringLiteral("Ctrl+P")));
  TBXNext = AddAction(this, "TBXNext", QStringLiteral("Save and Next"), &TEForm::TBXNextClick,
                      QKeySequence(QStringLiteral("Ctrl+N")));
  TBXClear = AddAction(this, "TBXClear", QStringLiteral("Clear"), &TEForm::TBXClearClick);
  edit->addAction(TBXPrevious);
  edit->addAction(TBXNext);
  edit->addSeparator();
  edit->addAction(TBXClear);
  QMenu* help = MenuBar->addMenu(QStringLiteral("&Help"));
  TBXDuvraHelp = AddAction(this, "TBXDuvraHelp", QStringLiteral("Duvra Help"),
                           &TEForm::TBXDuvraHelpClick, QKeySequence(Qt::Key_F1));
  TBXScriptsHelp = AddAction(this, "TBXScriptsHelp", QStringLiteral("Duvra Scripts Help"),
                             &TEForm::TBXScriptsHelpClick, QKeySequence(Qt::CTRL | Qt::Key_F1));
  TBXStart = AddAction(this, "TBXStart", QStringLiteral("Getting Started"), &TEForm::TBXStartClick);
  TBXKnowledgeBase = AddAction(this, "TBXKnowledgeBase", QStringLiteral("Knowledge Base"),
                               &TEForm::TBXKnowledgeBaseClick);
  help->addAction(TBXDuvraHelp);
  help->addAction(TBXScriptsHelp);
  help->addSeparator();
  help->addAction(TBXStart);
  help->addAction(TBXKnowledgeBase);
  // The shortcuts work wherever the focus is in the window.
  addActions({TBXSave, TBXPrevious, TBXNext, TBXDuvraHelp, TBXScriptsHelp});

  Toolbar = new QToolBar(QStringLiteral("Standard"), this);
  Toolbar->setObjectName(QStringLiteral("Toolbar"));
  TBXSaveButton =
      AddAction(this, "TBXSaveButton", QStringLiteral("Save and Close"), &TEForm::TBXSaveClick);
  TBXSaveButton->setIcon(ProgramPicture("save", QStyle::SP_DialogSaveButton));
  TBXPreviousButton =
      AddAction(this, "TBXPreviousButton", QStringLiteral("Previous"), &TEForm::TBXPreviousClick);
  TBXPreviousButton->setIcon(ProgramPicture("previous", QStyle::SP_ArrowBack));
  TBXPreviousButton->setToolTip(QStringLiteral("Save and Previous"));
  TBXNextButton = AddAction(this, "TBXNextButton", QStringLiteral("Next"), &TEForm::TBXNextClick);
  TBXNextButton->setIcon(ProgramPicture("next", QStyle::SP_ArrowForward));
  TBXNextButton->setToolTip(QStringLiteral("Save and Next"));
  TBXHelpButton =
      AddAction(this, "TBXHelpButton", QStringLiteral("Help"), &TEForm::TBXDuvraHelpClick);
  TBXHelpButton->setIcon(ProgramPicture("help", QStyle::SP_DialogHelpButton));
  Toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  Toolbar->addAction(TBXSaveButton);
  if (auto* b = qobject_cast<QToolButton*>(Toolbar->widgetForAction(TBXSaveButton))) {
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);  // image and caption
  }
  Toolbar->addSeparator();
  Toolbar->addAction(TBXPreviousButton);
  Toolbar->addAction(TBXNextButton);
  Toolbar->addSeparator();
  Toolbar->addAction(TBXHelpButton);

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(MenuBar);
  layout->addWidget(Toolbar);
  layout->addStretch(1);
  layout->addWidget(StatusBar);

  // The rows stand at fixed places, outside the layout, as designed.
  const int first_row =
      std::max(kFirstRowTop, MenuBar->sizeHint().height() + Toolbar->sizeHint().height() + kBarGap);
  const char* captions[kRowCount - 1] = {"&Num:", "T&itle:", "&URL:", "&Text:", "&Keywords:"};
  const char* names[kRowCount - 1] = {"NumEdit", "TitleEdit", "URLEdit", "TextEdit",
                                      "KeywordsEdit"};
  TextEdit = new FieldBox(this);
  KeywordsEdit = new FieldBox(this);
  QLineEdit** boxes[3] = {&NumEdit, &TitleEdit, &URLEdit};
  first_row_ = first_row;
  for (int i = 0; i < kRowCount - 1; ++i) {
    QWidget* box = i < 3 ? static_cast<QWidget*>(new QLineEdit(this))
                         : static_cast<QWidget*>(i == 3 ? TextEdit : KeywordsEdit);
    box->setObjectName(QString::fromLatin1(names[i]));
    box->setGeometry(kBoxLeft, first_row + i * kRowStep, kNumWidth, kBoxHeight);
    auto* label = new QLabel(QString::fromLatin1(captions[i]), this);
    label->setObjectName(
        QString::fromLatin1(names[i]).replace(QStringLiteral("Edit"), QStringLiteral("Label")));
    label->move(kLabelLeft, first_row + i * kRowStep + 3);
    label->adjustSize();
    label->setBuddy(box);
    if (i < 3) *boxes[i] = static_cast<QLineEdit*>(box);
  }
  NumEdit->setEnabled(false);
  NewWindowCheck = new QCheckBox(QStringLiteral("New &Window"), this);
  NewWindowCheck->setObjectName(QStringLiteral("NewWindowCheck"));
  NewWindowCheck->move(kBoxLeft, first_row + (kRowCount - 1) * kRowStep);
  NewWindowCheck->adjustSize();
  setTabOrder(NumEdit, TitleEdit);
  setTabOrder(TitleEdit, URLEdit);
  setTabOrder(URLEdit, TextEdit);
  setTabOrder(TextEdit, KeywordsEdit);
  setTabOrder(KeywordsEdit, NewWindowCheck);

  FormResize();
  CentreOnScreen(this);
}

void TEForm::OpenNew() {
  editor_.OpenNew();
  FieldsToWidgets();
  ShowEditorState();
}

bool TEForm::OpenEdit() {
  if (!editor_.OpenEdit()) return false;
  FieldsToWidgets();
  ShowEditorState();
  return true;
}

void TEForm::OpenInsertNew() {
  editor_.OpenInsertNew();
  FieldsToWidgets();
  ShowEditorState();
}

void TEForm::AfterClose(ViewState* vs) { editor_.AfterClose(vs); }

void TEForm::FieldsToWidgets() {
  const EditorFields& f = editor_.fields;
  shown_ = {f.num, f.title, f.url, f.text, f.keywords};
  QLineEdit* lines[] = {NumEdit, TitleEdit, URLEdit};
  for (size_t i = 0; i < 3; ++i) {
    lines[i]->setText(ToDisplay(shown_[i]));
    lines[i]->setCursorPosition(0);
  }
  TextEdit->setText(ToDisplay(shown_[3]));
  KeywordsEdit->setText(ToDisplay(shown_[4]));
  NewWindowCheck->setChecked(f.new_window);
}

void TEForm::FieldsFromWidgets() {
  EditorFields& f = editor_.fields;
  std::string* fields[] = {&f.num, &f.title, &f.url, &f.text, &f.keywords};
  const QString texts[] = {NumEdit->text(), TitleEdit->text(), URLEdit->text(), TextEdit->text(),
                           KeywordsEdit->text()};
  for (size_t i = 0; i < shown_.size(); ++i) {
    const QString& text = texts[i];
    *fields[i] = text == ToDisplay(shown_[i]) ? shown_[i] : FromDisplay(text);
  }
  f.new_window = NewWindowCheck->isChecked();
}

void TEForm::ShowEditorState() {
  setWindowTitle(QString::fromStdString(editor_.caption()));
  NumEdit->setEnabled(editor_.num_enabled());
  TBXPrevious->setEnabled(editor_.previous_enabled());
  TBXPreviousButton->setEnabled(editor_.previous_enabled());
  TBXNext->setEnabled(editor_.next_enabled());
  TBXNextButton->setEnabled(editor_.next_enabled());
}

void TEForm::FocusAsEditorSays() {
  (editor_.focus() == EditorFocus::kTitle ? TitleEdit : NumEdit)->setFocus();
}

bool TEForm::Check(const Status& status) {
  if (status.ok()) return true;
  prompter_.ShowError(status.message());
  return false;
}

void TEForm::TBXSaveClick() {
  FieldsFromWidgets();
  if (Check(editor_.Save())) accept();
}

void TEForm::TBXCloseClick() { reject(); }

void TEForm::TBXNextClick() {
  if (!TBXNext->isEnabled()) return;
  FieldsFromWidgets();
  if (!Check(editor_.SaveAndNext())) return;
  FieldsToWidgets();
  ShowEditorState();
  if (editor_.mode() != EditorMode::kEdit) FocusAsEditorSays();
}

void TEForm::TBXPreviousClick() {
  if (!TBXPrevious->isEnabled()) return;
  FieldsFromWidgets();
  if (!Check(editor_.SaveAndPrevious())) return;
  FieldsToWidgets();
  ShowEditorState();
}

void TEForm::TBXClearClick() {
  FieldsFromWidgets();
  editor_.Clear();
  FieldsToWidgets();
  FocusAsEditorSays();
}

void TEForm::StateUpdate() {
  editor_.StateUpdate();
  ShowEditorState();
}

void TEForm::TBXDuvraHelpClick() { HtmlHelp(kHelpTopic); }
void TEForm::TBXScriptsHelpClick() { HtmlHelp(kScriptsHelpTopic); }
void TEForm::TBXStartClick() { HtmlHelp(kStartedTopic); }
// The same page as the main window's item of that name.
void TEForm::TBXKnowledgeBaseClick() { OpenWebLink(MakerUrl(kKnowledgeBasePath)); }

void TEForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TEForm::FormShow() {
  // A missing or non-numeric stored size falls back to the design size.
  const int h =
      StoredEditorSize(EditorSetting(kEditHeightSetting), kEditorDesignHeight, kEditorMinHeight);
  const int w =
      StoredEditorSize(EditorSetting(kEditWidthSetting), kEditorDesignWidth, kEditorMinWidth);
  resize(w, h);
  CentreOnScreen(this);  // a stored size larger than the screen is cut to it
  FocusAsEditorSays();
}

void TEForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TEForm::FormResize() {
  const int wide = std::max(0, WideBoxWidth(width()));
  for (QWidget* box : {static_cast<QWidget*>(TitleEdit), static_cast<QWidget*>(URLEdit),
                       static_cast<QWidget*>(TextEdit), static_cast<QWidget*>(KeywordsEdit)}) {
    box->resize(wide, box->height());
  }
  PlaceFieldBoxes();
}

void TEForm::PlaceFieldBoxes() {
  // Text takes two thirds of the height left over, Keywords the rest; each
  // keeps at least the one-line box's height.
  constexpr int kGap = 4;
  const int text_top = first_row_ + 3 * kRowStep;
  const int bottom = height() - StatusBar->sizeHint().height() - kRowStep - kGap;
  const int room = std::max(2 * kBoxHeight + kGap, bottom - text_top);
  const int text_height = std::max(kBoxHeight, (room - kGap) * 2 / 3);
  const int keywords_height = std::max(kBoxHeight, room - kGap - text_height);
  TextEdit->setGeometry(kBoxLeft, text_top, TextEdit->width(), text_height);
  const int keywords_top = text_top + text_height + kGap;
  KeywordsEdit->setGeometry(kBoxLeft, keywords_top, KeywordsEdit->width(), keywords_height);
  if (auto* label = findChild<QLabel*>(QStringLiteral("KeywordsLabel"))) {
    label->move(kLabelLeft, keywords_top + 3);
  }
  NewWindowCheck->move(kBoxLeft, keywords_top + keywords_height + kGap);
}

void TEForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TEForm::FormClose() {
  WriteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, std::string(kEditHeightSetting),
                     std::to_string(height()));
  WriteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, std::string(kEditWidthSetting),
                     std::to_string(width()));
}

}  // namespace duvra
