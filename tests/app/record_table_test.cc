// The main window's record table and filter box on the real widgets: what
// reaches the columns, the filter's count and enabling, the keyboard (Ctrl+F,
// Return, focus after Open), the questions before deleting, the title's
// unsaved mark, and the column widths kept between runs.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include "app/record_list_model.h"
#include "app/te_form.h"
#include "app/tm_form.h"
#include "app_test_support.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using namespace duvra::testing;

class RecordTableTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppTestEnv> env_;
  std::unique_ptr<TMForm> form_;
  ScriptedPrompter prompter_;
  QStringList editor_seen_;  // caption and title box of each editor shown

  TMForm& Form() { return *form_; }
  QAbstractItemModel* Model() { return Form().EditList->model(); }
  bool On(const char* name) { return Act(Form(), name)->isEnabled(); }
  void MakeForm() {
    form_ = std::make_unique<TMForm>();
    form_->SetPrompter(&prompter_);
    form_->SetDialogRunner([this](QDialog& d) {
      if (auto* te = qobject_cast<TEForm*>(&d)) {
        editor_seen_ << te->windowTitle() + ":" + te->TitleEdit->text();
      }
      return 0;
    });
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }
  // A database of `count` records "Title i"; record 3 carries the extra line.
  void OpenWith(size_t count, const std::string& line3 = std::string()) {
    const std::string header = env_->DataPath("t.duv");
    WriteDatabase(header, count);
    if (!line3.empty()) {
      Database db;
      db.folder = FolderOf(header);
      db.base_name = "t";
      QVERIFY(LoadDatabase(db).ok());
      db.records.SetLine(3, line3);
      QVERIFY(SaveDatabase(db).ok());
    }
    QVERIFY(Form().commands().OpenHeaderPath(header));
  }
  QStringList ShownTitles() {
    QStringList titles;
    for (int r = 0; r < Model()->rowCount(); ++r) titles << Model()->index(r, 1).data().toString();
    return titles;
  }
  void SelectRows(std::initializer_list<int> rows) {
    QItemSelection s;
    for (int r : rows) s.select(Model()->index(r, 0), Model()->index(r, kColumnCount - 1));
    Form().EditList->selectionModel()->select(s, QItemSelectionModel::ClearAndSelect);
  }

 private slots:
  void init() {
    env_ = std::make_unique<AppTestEnv>();
    prompter_ = ScriptedPrompter();
    editor_seen_.clear();
    MakeForm();
  }
  void cleanup() {
    form_.reset();
    env_.reset();
  }

  void ColumnsShowEachFieldCutAndDecoded() {
    // A windows-1252 title and a text field of two megabytes.
    OpenWith(5,
             "3^It\x92s \x80"
             "5 \x96 caf\xE9^/w.html^" +
                 std::string(2 << 20, 'x') + "^kw^1");
    QStringList headers;
    for (int c = 0; c < Model()->columnCount(); ++c) {
      headers << Model()->headerData(c, Qt::Horizontal).toString();
    }
    QCOMPARE(headers, (QStringList{"Num", "Title", "URL", "Text", "Keywords", "New Window"}));
    QCOMPARE(RowText(Model(), 1), QString("1^Title 1^/p1.html^text^keys^0"));
    QCOMPARE(Model()->index(3, 1).data().toString(),
             QString::fromUtf8("It\u2019s \u20AC5 \u2013 caf\u00E9"));
    const QString text = Model()->index(3, 3).data().toString();
    QVERIFY(text.size() <= int(kMaxCellBytes) + 1);
    QVERIFY(text.endsWith(QChar(0x2026)));
    Form().EditList->scrollTo(Model()->index(3, 3));
    Form().repaint();  // paints the long row at once
    QVERIFY(!Form().EditList->verticalHeader()->isVisible());
  }

  void FilterNarrowsAsYouTypeAndCommandsActOnWhatShows() {
    OpenWith(12);
    QTest::keyClicks(Form().FilterEdit, "TITLE 1");
    QCOMPARE(ShownTitles(), (QStringList{"Title 1", "Title 10", "Title 11"}));
    QCOMPARE(Form().StatusPanel1->text(), QString("3 of 12 Records"));
    QVERIFY(!On("TBXMoveUp") && !On("TBXMoveDown") && !On("TBXMoveUpButton"));
    QVERIFY(On("TBXDelete"));

    Act(Form(), "TBXSelectAll")->trigger();
    QCOMPARE(Form().EditList->selectionModel()->selectedRows().size(), 3);
    prompter_.answers = {Answer::kYes};
    Act(Form(), "TBXDelete")->trigger();
    QCOMPARE(prompter_.log.back().text, std::string("Delete the 3 selected records?"));
    QCOMPARE(Form().db().records.size(), size_t{9});
    QCOMPARE(Form().StatusPanel1->text(), QString("0 of 9 Records"));

    // Escape empties the box and every record shows again.
    QTest::keyClick(Form().FilterEdit, Qt::Key_Escape);
    QVERIFY(Form().FilterEdit->text().isEmpty());
    QCOMPARE(Model()->rowCount(), 9);
    QCOMPARE(Form().StatusPanel1->text(), QString("9 Records"));
  }

  void KeyboardReachesTheTableTheFilterAndTheEditor() {
    OpenWith(4);
    // After Open the keys go to the records, not to the site address box.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form().EditList));
    QTest::keyClick(Form().EditList, Qt::Key_Down);
    QCOMPARE(Form().db().records.SelectedRows(), std::vector<size_t>{1});
    QTest::keyClick(Form().EditList, Qt::Key_Return);
    QCOMPARE(editor_seen_, QStringList{"Edit:Title 1"});

    QTest::keyClick(&Form(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form().FilterEdit));
    QTest::keyClicks(Form().FilterEdit, "title 3");
    // Return in the box hands over to the table without opening anything.
    QTest::keyClick(Form().FilterEdit, Qt::Key_Return);
    QCOMPARE(editor_seen_.size(), 1);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form().EditList));
    QTest::keyClick(Form().EditList, Qt::Key_Enter);
    QCOMPARE(editor_seen_.last(), QString("Edit:Title 3"));

    // Return in the site address box opens nothing.
    Form().TBXAddressEdit->setFocus();
    QTest::keyClick(Form().TBXAddressEdit, Qt::Key_Return);
    QCOMPARE(editor_seen_.size(), 2);
    // The Edit menu's item needs exactly one record selected: with the
    // filter on, Select All selects the one shown.
    Act(Form(), "TBXSelectAll")->trigger();
    QVERIFY(On("TBXEditRecord"));
    Form().FilterEdit->clear();
    Act(Form(), "TBXSelectAll")->trigger();
    QVERIFY(!On("TBXEditRecord"));
  }

  void DeletingSeveralOrAllRecordsAsksFirst() {
    OpenWith(4);
    SelectRows({2});
    Act(Form(), "TBXDelete")->trigger();  // one of several: no question
    QVERIFY(prompter_.log.empty());
    QCOMPARE(Form().db().records.size(), size_t{3});

    SelectRows({0, 1});
    prompter_.answers = {Answer::kNo};
    QTest::keyClick(Form().EditList, Qt::Key_Delete);
    QCOMPARE(prompter_.log.size(), size_t{1});
    QCOMPARE(prompter_.log[0].text, std::string("Delete the 2 selected records?"));
    QCOMPARE(prompter_.log[0].second, std::string("Deleted records cannot be restored."));
    QCOMPARE(Form().db().records.size(), size_t{3});  // No keeps them

    prompter_.answers = {Answer::kClosed};
    Act(Form(), "TBXClear")->trigger();
    QCOMPARE(prompter_.log.back().text, std::string("Delete all 3 records?"));
    QCOMPARE(Form().db().records.size(), size_t{3});
    prompter_.answers = {Answer::kYes};
    Act(Form(), "TBXClear")->trigger();
    QCOMPARE(Form().StatusPanel1->text(), QString("No Records"));
  }

  void TitleMarksUnsavedChanges() {
    OpenWith(2);
    QVERIFY(!Form().isWindowModified());
    QCOMPARE(ShownTitle(Form()), QString("t"));
    QTest::keyClicks(Form().TBXAddressEdit, "www.example.com");
    Form().Refresh();
    QVERIFY(Form().isWindowModified());
    QCOMPARE(ShownTitle(Form()), QString("t*"));
    Act(Form(), "TBXSave")->trigger();
    Form().Refresh();
    QVERIFY(!Form().isWindowModified());
    Act(Form(), "TBXClose")->trigger();
    QCOMPARE(Form().windowTitle(), QString("Duvra"));
    QVERIFY(!Form().FilterEdit->isVisible());
  }

  void FileDialogsStartInTheDatabasesFolder() {
    QVERIFY(Form().DialogStartFolder() != QDir::currentPath());  // not the data folder
    OpenWith(1);
    QCOMPARE(QDir(Form().DialogStartFolder()).canonicalPath(),
             QDir(QString::fromStdString(env_->DataPath(""))).canonicalPath());
  }

  void ColumnWidthsComeBackNextRun() {
    Form().EditList->setColumnWidth(1, 333);
    Form().EditList->setColumnWidth(3, 91);
    Form().close();
    MakeForm();
    QCOMPARE(Form().EditList->columnWidth(1), 333);
    QCOMPARE(Form().EditList->columnWidth(3), 91);
    // A stored width of nothing would leave a column no one can grab.
    SetLm(kDuvraKey, "Columns", "0,x,-5,91");
    form_.reset();
    MakeForm();
    QVERIFY(Form().EditList->columnWidth(0) >= kMinColumnWidth);
    QVERIFY(Form().EditList->columnWidth(1) >= kMinColumnWidth);
    QCOMPARE(Form().EditList->columnWidth(3), 91);
  }
};

QTEST_MAIN(RecordTableTest)
#include "record_table_test.moc"
