// The record editor window on real widgets: the three modes, the Num rules
// and their messages, Save and Next/Previous, Clear and Close, its size in
// the settings, and the main window's openers with their reselect rules.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/registry.h"
#include "app/te_form.h"
#include "app/tm_form.h"
#include "app_test_support.h"
#include "database/record_line.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using duvra::testing::ScriptedPrompter;

namespace {

std::vector<std::string> Rows(size_t n) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < n; ++i) {
    lines.push_back(std::to_string(i) + "^t" + std::to_string(i) + "^/u" + std::to_string(i) +
                    "^x^k^0");
  }
  return lines;
}

QStringList Titles(const Database& db) {
  QStringList t;
  for (const auto& l : db.records.lines()) t << QString::fromStdString(SplitRecordLine(l).title);
  return t;
}

std::string Setting(const char* name) {
  return ReadRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, name);
}

}  // namespace

class TEFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> config_;
  Database db_;
  long long reselect_ = 0;
  ViewState vs_;
  ScriptedPrompter prompter_;
  std::unique_ptr<TEForm> form_;

  TEForm& Form() { return *form_; }
  void Use(size_t rows) {
    db_ = Database();
    db_.open = true;
    db_.settings.database_name = "db";
    db_.records.Assign(Rows(rows));
  }
  void Select(size_t row) {
    db_.records.ClearSelection();
    db_.records.SetSelected(row, true);
  }
  // Shows the window as the main window's modal call would.
  void Show() {
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }
  template <typename Box>
  void Type(Box* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
  }
  void ExpectEnabled(bool previous, bool next) {
    QCOMPARE(Form().TBXPrevious->isEnabled(), previous);
    QCOMPARE(Form().TBXPreviousButton->isEnabled(), previous);
    QCOMPARE(Form().TBXNext->isEnabled(), next);
    QCOMPARE(Form().TBXNextButton->isEnabled(), next);
  }

 private slots:
  void init() {
    config_ = std::make_unique<QTemporaryDir>();
    SetRegistryFolder(config_->path());
    reselect_ = 0;
    vs_ = ViewState();
    prompter_ = ScriptedPrompter();
    Use(0);
    form_ = std::make_unique<TEForm>(db_, reselect_, prompter_);
  }
  void cleanup() {
    form_.reset();
    SetRegistryFolder(QString());
    config_.reset();
  }

  void MenusToolbarAndFieldsAsDesigned() {
    QStringList order;
    for (QWidget* w = Form().NumEdit; w && order.size() < 6; w = w->nextInFocusChain()) {
      if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
    }
    QCOMPARE(order, (QStringList{"NumEdit", "TitleEdit", "URLEdit", "TextEdit", "KeywordsEdit",
                                 "NewWindowCheck"}));
    QCOMPARE(Form().TBXSave->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(Form().TBXPrevious->shortcut(), QKeySequence("Ctrl+P"));
    QCOMPARE(Form().TBXNext->shortcut(), QKeySequence("Ctrl+N"));
    QCOMPARE(Form().TBXDuvraHelp->shortcut(), QKeySequence("F1"));
    QCOMPARE(Form().TBXScriptsHelp->shortcut(), QKeySequence("Ctrl+F1"));
    QStringList buttons, with_text;
    for (QAction* a : Form().Toolbar->actions()) {
      buttons << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
      auto* b = qobject_cast<QToolButton*>(Form().Toolbar->widgetForAction(a));
      if (b && b->toolButtonStyle() != Qt::ToolButtonIconOnly) with_text << a->objectName();
    }
    QCOMPARE(buttons, (QStringList{"TBXSaveButton", "-", "TBXPreviousButton", "TBXNextButton", "-",
                                   "TBXHelpButton"}));
    QCOMPARE(with_text, QStringList{"TBXSaveButton"});
    QCOMPARE(Form().TBXNextButton->toolTip(), QString("Save and Next"));
    QCOMPARE(Form().minimumSize(), QSize(kEditorMinWidth, kEditorMinHeight));
  }

  void NewOnEmptyListStoresBlankRecord() {
    reselect_ = 3;
    Form().OpenNew();
    Show();
    QCOMPARE(Form().windowTitle(), QString("New"));
    QCOMPARE(Form().NumEdit->text(), QString("0"));
    QVERIFY(!Form().NumEdit->isEnabled());
    ExpectEnabled(false, true);
    QTRY_VERIFY(Form().TitleEdit->hasFocus());
    QTest::keySequence(&Form(), QKeySequence("Ctrl+S"));
    QVERIFY(!Form().isVisible());
    QCOMPARE(Form().result(), int(QDialog::Accepted));
    QCOMPARE(db_.records.lines(), std::vector<std::string>{"0^^^^^0"});
    QVERIFY(db_.dirty);
    Form().AfterClose(&vs_);
    QCOMPARE(db_.records.SelectedRows(), std::vector<size_t>{0});
  }

  void NewSaveAndNextAddsOneAfterAnother() {
    Use(5);
    Form().OpenNew();
    Show();
    QCOMPARE(Form().NumEdit->text(), QString("5"));
    QTest::keyClicks(Form().TitleEdit, "a^b");
    Form().NewWindowCheck->setChecked(true);
    QTest::keySequence(&Form(), QKeySequence("Ctrl+N"));
    QVERIFY(Form().isVisible());
    QCOMPARE(db_.records.line(5), std::string("5^a b^^^^1"));
    QCOMPARE(Form().NumEdit->text(), QString("6"));
    QVERIFY(Form().TitleEdit->text().isEmpty());
    QVERIFY(!Form().NewWindowCheck->isChecked());
    QVERIFY(Form().TitleEdit->hasFocus());
    ExpectEnabled(false, true);
    // Typing and closing drops the typing.
    QTest::keyClicks(Form().TitleEdit, "dropped");
    Form().TBXClose->trigger();
    Form().AfterClose(&vs_);
    QCOMPARE(db_.records.size(), size_t{6});
    QCOMPARE(db_.records.SelectedRows(), std::vector<size_t>{5});
  }

  void EditMovesClampsAndStepsWithEnabling() {
    Use(4);
    Select(1);
    QVERIFY(Form().OpenEdit());
    Show();
    QCOMPARE(Form().windowTitle(), QString("Edit"));
    QCOMPARE(Form().TitleEdit->text(), QString("t1"));
    QVERIFY(Form().NumEdit->isEnabled());
    QTRY_VERIFY(Form().NumEdit->hasFocus());
    ExpectEnabled(true, true);
    Type(Form().NumEdit, "9");
    Form().TBXNextButton->trigger();  // to the end; now shows position 2
    QCOMPARE(Titles(db_), (QStringList{"t0", "t2", "t3", "t1"}));
    QCOMPARE(Form().TitleEdit->text(), QString("t3"));
    ExpectEnabled(true, true);
    // Lines keep their old Num while the window is open: t3 (Num 3) moves
    // to position 3 as it is saved.
    Form().TBXNext->trigger();
    QCOMPARE(Titles(db_), (QStringList{"t0", "t2", "t1", "t3"}));
    QCOMPARE(Form().TitleEdit->text(), QString("t3"));
    ExpectEnabled(true, false);
    Form().TBXPrevious->trigger();
    Form().TBXPrevious->trigger();
    Form().TBXPrevious->trigger();
    QCOMPARE(reselect_, 0LL);
    ExpectEnabled(false, true);
    Type(Form().TitleEdit, "first");
    Form().TBXSaveButton->trigger();
    QVERIFY(!Form().isVisible());
    Form().AfterClose(&vs_);
    // Each Previous saved a line with its stale Num, moving t1 (Num 9) and
    // t2 (Num 2) on the way.
    QCOMPARE(Titles(db_), (QStringList{"first", "t3", "t2", "t1"}));
    QCOMPARE(db_.records.line(3), std::string("3^t1^/u1^x^k^0"));
    QCOMPARE(db_.records.SelectedRows(), std::vector<size_t>{0});

    Use(1);
    Select(0);
    QVERIFY(Form().OpenEdit());
    ExpectEnabled(false, false);
  }

  void BadNumIsToldAndTheWindowStays() {
    Use(4);
    Select(2);
    QVERIFY(Form().OpenEdit());
    Show();
    Type(Form().NumEdit, "two");
    Form().TBXSave->trigger();
    QVERIFY(Form().isVisible());
    QCOMPARE(prompter_.log.back().kind, std::string("error"));
    QCOMPARE(prompter_.log.back().text, std::string("'two' is not a valid integer value"));
    Type(Form().NumEdit, "-1");
    Form().TBXNext->trigger();
    QCOMPARE(prompter_.log.back().text, std::string("Unable to insert a line"));
    QCOMPARE(reselect_, 2LL);
    QCOMPARE(Form().NumEdit->text(), QString("-1"));
    QCOMPARE(Titles(db_), (QStringList{"t0", "t1", "t2", "t3"}));
    QVERIFY(!db_.dirty);
  }

  void InsertNewNextThenSave() {
    Use(4);
    Select(2);
    Form().OpenInsertNew();
    Show();
    QCOMPARE(Form().windowTitle(), QString("Insert New"));
    QCOMPARE(Form().NumEdit->text(), QString("2"));
    QVERIFY(Form().NumEdit->isEnabled());
    QTRY_VERIFY(Form().NumEdit->hasFocus());
    QTest::keyClicks(Form().TitleEdit, "a");
    Form().TBXNext->trigger();
    QCOMPARE(Form().NumEdit->text(), QString("3"));
    QVERIFY(Form().NumEdit->hasFocus());
    QTest::keyClicks(Form().TitleEdit, "b");
    Form().TBXSave->trigger();
    Form().AfterClose(&vs_);
    QCOMPARE(Titles(db_), (QStringList{"t0", "t1", "a", "b", "t2", "t3"}));
    QCOMPARE(db_.records.SelectedRows(), std::vector<size_t>{3});
  }

  void ClearKeepsNumAndFocusFollowsMode() {
    Use(3);
    Select(1);
    Form().OpenInsertNew();
    Show();
    Type(Form().NumEdit, "7");
    QTest::keyClicks(Form().KeywordsEdit, "k");
    Form().NewWindowCheck->setChecked(true);
    Form().TBXClear->trigger();
    QCOMPARE(Form().NumEdit->text(), QString("7"));
    QVERIFY(Form().KeywordsEdit->text().isEmpty());
    QVERIFY(!Form().NewWindowCheck->isChecked());
    QVERIFY(Form().NumEdit->hasFocus());
    QCOMPARE(db_.records.size(), size_t{3});
  }

  void CloseBoxStoresNothing() {
    Use(2);
    Select(0);
    QVERIFY(Form().OpenEdit());
    Show();
    Type(Form().TitleEdit, "typed");
    Form().close();
    QVERIFY(!Form().isVisible());
    QCOMPARE(Titles(db_), (QStringList{"t0", "t1"}));
    QVERIFY(!db_.dirty);
  }

  void UntouchedEightBitFieldsKeepTheirBytes() {
    db_.records.Assign({"0^caf\xe9^/\xe9^t\xff^k^1"});
    Select(0);
    QVERIFY(Form().OpenEdit());
    Show();
    QVERIFY(Form().NewWindowCheck->isChecked());
    Type(Form().KeywordsEdit, "new");
    Form().TBXSave->trigger();
    QCOMPARE(db_.records.line(0), std::string("0^caf\xe9^/\xe9^t\xff^new^1"));
  }

  void TextAndKeywordsWrapOverSeveralLinesAndNeverHoldALineBreak() {
    Use(1);
    Select(0);
    QVERIFY(Form().OpenEdit());
    Show();
    for (FieldBox* box : {Form().TextEdit, Form().KeywordsEdit}) {
      QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
      QVERIFY(box->height() > Form().TitleEdit->height());
    }
    QVERIFY(Form().KeywordsEdit->geometry().top() > Form().TextEdit->geometry().bottom());
    QVERIFY(Form().NewWindowCheck->geometry().top() > Form().KeywordsEdit->geometry().bottom());
    // Taller window, taller boxes.
    const int text_height = Form().TextEdit->height();
    Form().resize(Form().width(), Form().height() + 120);
    QVERIFY(Form().TextEdit->height() > text_height);

    Form().TextEdit->setFocus();
    Form().TextEdit->selectAll();
    QTest::keyClicks(Form().TextEdit, "one");
    QTest::keyClick(Form().TextEdit, Qt::Key_Return);
    QTest::keyClicks(Form().TextEdit, "two");
    QApplication::clipboard()->setText("three\r\nfour\nfive");
    Form().TextEdit->paste();
    QCOMPARE(Form().TextEdit->text(), QString("onetwothree four five"));
    Form().TBXSave->trigger();
    QCOMPARE(db_.records.size(), size_t{1});
    QVERIFY(db_.records.line(0).find_first_of("\r\n") == std::string::npos);
    QVERIFY(db_.records.line(0).find("^onetwothree four five^") != std::string::npos);
  }

  void SizeIsKeptInTheSettings() {
    Form().OpenNew();
    Show();
    QCOMPARE(Form().size(), QSize(kEditorDesignWidth, kEditorDesignHeight));
    QVERIFY(prompter_.log.empty());
    Form().resize(300, 260);
    QCOMPARE(Form().TitleEdit->width(), 215);
    QCOMPARE(Form().KeywordsEdit->width(), 215);
    QCOMPARE(Form().NumEdit->width(), 40);
    Form().TBXClose->trigger();
    QCOMPARE(Setting("Edit Width"), std::string("300"));
    QCOMPARE(Setting("Edit Height"), std::string("260"));

    Form().OpenNew();
    Show();
    QCOMPARE(Form().size(), QSize(300, 260));
    Form().close();

    WriteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, "Edit Width", "wide");
    WriteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, "Edit Height", "");
    Form().OpenNew();
    Show();
    QCOMPARE(Form().size(), QSize(kEditorDesignWidth, kEditorDesignHeight));
    QVERIFY(prompter_.log.empty());  // no message for a bad stored size
    Form().resize(100, 100);
    QVERIFY(Form().width() >= kEditorMinWidth && Form().height() >= kEditorMinHeight);
    Form().close();
  }
};

// The main window's three openers and the reselect after closing, with the
// editor answered inside the modal call.
class TEFormInMainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<duvra::testing::AppTestEnv> env_;
  std::unique_ptr<TMForm> form_;
  ScriptedPrompter prompter_;
  int editor_runs_ = 0;

  TMForm& Form() { return *form_; }
  void OpenWith(size_t rows) {
    const std::string header = env_->DataPath("db.duv");
    duvra::testing::WriteDatabase(header, rows);
    QVERIFY(Form().commands().OpenHeaderPath(header));
  }
  // Every dialog shown is the editor; `script` works it like the user.
  void AnswerEditor(std::function<void(TEForm&)> script) {
    Form().SetDialogRunner([this, script](QDialog& d) {
      auto* te = qobject_cast<TEForm*>(&d);
      if (!te) qFatal("not the record editor");
      ++editor_runs_;
      te->show();
      script(*te);
      if (te->isVisible()) te->reject();
      return te->result();
    });
  }
  QList<int> ViewRows() {
    QList<int> rows;
    for (const QModelIndex& i : Form().EditList->selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  QString Row(int i) { return duvra::testing::RowText(Form().EditList->model(), i); }
  void SelectInView(int row, QItemSelectionModel::SelectionFlags how) {
    Form().EditList->selectionModel()->select(Form().EditList->model()->index(row, 0), how);
  }

 private slots:
  void init() {
    env_ = std::make_unique<duvra::testing::AppTestEnv>();
    prompter_ = ScriptedPrompter();
    editor_runs_ = 0;
    form_ = std::make_unique<TMForm>();
    form_->SetPrompter(&prompter_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() {
    form_.reset();
    env_.reset();
  }

  void NewRecordAppendsAndSelectsIt() {
    OpenWith(2);
    AnswerEditor([](TEForm& te) {
      QCOMPARE(te.windowTitle(), QString("New"));
      QCOMPARE(te.NumEdit->text(), QString("2"));
      QTest::keyClicks(te.TitleEdit, "new");
      te.TBXSave->trigger();
    });
    duvra::testing::Act(Form(), "TBXNewRecord")->trigger();
    QCOMPARE(editor_runs_, 1);
    QCOMPARE(Form().EditList->model()->rowCount(), 3);
    QCOMPARE(Row(2), QString("2^new^^^^0"));
    QCOMPARE(ViewRows(), QList<int>{2});
    QCOMPARE(Form().StatusPanel1->text(), QString("3 Records"));
    QVERIFY(Form().db().dirty);
  }

  void NewRecordClosedUnsavedOnEmptyListChangesNothing() {
    OpenWith(0);
    AnswerEditor([](TEForm& te) { QTest::keyClicks(te.TitleEdit, "x"); });
    duvra::testing::Act(Form(), "TBXNewRecordButton")->trigger();
    QCOMPARE(Form().EditList->model()->rowCount(), 0);
    QCOMPARE(Form().StatusPanel1->text(), QString("No Records"));
    QVERIFY(!Form().db().dirty);
  }

  void DoubleClickEditsAndReselectsThePositionShown() {
    OpenWith(4);
    SelectInView(1, QItemSelectionModel::ClearAndSelect);
    AnswerEditor([](TEForm& te) {
      QCOMPARE(te.windowTitle(), QString("Edit"));
      QCOMPARE(te.TitleEdit->text(), QString("Title 1"));
      te.NumEdit->setText("9");
      te.TBXSave->trigger();
    });
    const QRect cell = Form().EditList->visualRect(Form().EditList->model()->index(1, 0));
    QVERIFY(cell.isValid());
    // A double click is a press and release followed by the double-click press.
    QTest::mouseClick(Form().EditList->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(Form().EditList->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(editor_runs_, 1);
    QCOMPARE(Row(3), QString("3^Title 1^/p1.html^text^keys^0"));
    QCOMPARE(Row(1), QString("1^Title 2^/p2.html^text^keys^0"));
    QCOMPARE(ViewRows(), QList<int>{1});
    QCOMPARE(Form().db().records.SelectedRows(), std::vector<size_t>{1});

    // With two records selected a double click opens nothing.
    SelectInView(2, QItemSelectionModel::Select);
    Form().EditListDblClick();
    QCOMPARE(editor_runs_, 1);
  }

  void InsertNewRecordGoesBeforeTheSelection() {
    OpenWith(4);
    SelectInView(2, QItemSelectionModel::ClearAndSelect);
    AnswerEditor([](TEForm& te) {
      QCOMPARE(te.windowTitle(), QString("Insert New"));
      QCOMPARE(te.NumEdit->text(), QString("2"));
      QTest::keyClicks(te.TitleEdit, "a");
      te.TBXNext->trigger();
      QTest::keyClicks(te.TitleEdit, "b");
      te.TBXSave->trigger();
    });
    QTest::keyClick(Form().EditList, Qt::Key_Insert);
    QCOMPARE(editor_runs_, 1);
    QCOMPARE(Row(2), QString("2^a^^^^0"));
    QCOMPARE(Row(3), QString("3^b^^^^0"));
    QCOMPARE(Row(4), QString("4^Title 2^/p2.html^text^keys^0"));
    QCOMPARE(ViewRows(), QList<int>{3});
    QCOMPARE(Form().StatusPanel1->text(), QString("6 Records"));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = 0;
  {
    TEFormTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  {
    TEFormInMainWindowTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  return status;
}

#include "te_form_test.moc"
