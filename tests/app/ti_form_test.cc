// The Insert dialog on real widgets: its reset on opening, the enabling of
// the CSV options, the combo boxes' defaults, Browse, and imports of data
// scripts and CSV through OK, read errors included.
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "app/registry.h"
#include "app/ti_form.h"
#include "app/tm_form.h"
#include "app_test_support.h"
#include "base/text_file.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using duvra::testing::ScriptedPrompter;

class TIFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  Database db_;
  ScriptedPrompter prompter_;
  std::unique_ptr<TIForm> form_;

  TIForm& Form() { return *form_; }
  std::string Write(const std::string& name, const std::string& data) {
    std::string path = dir_->path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << data;
    return path;
  }
  void Open() {
    Form().FormActivate();
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }
  void SetFile(const std::string& path) {
    Form().FileEdit->clear();
    QTest::keyClicks(Form().FileEdit, QString::fromStdString(path));
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    SetRegistryFolder(dir_->path());
    db_ = Database();
    db_.open = true;
    db_.records.Assign({"0^a^/a^^^0", "1^b^/b^^^0", "2^c^/c^^^0"});
    prompter_ = ScriptedPrompter();
    form_ = std::make_unique<TIForm>(db_, prompter_);
  }
  void cleanup() {
    form_.reset();
    SetRegistryFolder(QString());
    dir_.reset();
  }

  void OpeningResetsEveryControl() {
    Open();
    Form().CSVRadio->click();
    SetFile("x.csv");
    Form().IgnoreCheck->setChecked(false);
    Form().FieldComboBox->setEditText(";");
    Form().reject();
    Open();
    QCOMPARE(Form().windowTitle(), QString("Insert"));
    QCOMPARE(Form().PageControl->tabText(0), QString("File"));
    QVERIFY(Form().JavaScriptRadio->isChecked());
    QVERIFY(Form().FileEdit->text().isEmpty());
    QVERIFY(Form().IgnoreCheck->isChecked());
    QCOMPARE(Form().FieldComboBox->currentText(), QString(","));
    QCOMPARE(Form().TextComboBox->currentText(), QString("\""));
    QVERIFY(!Form().OKButton->isEnabled());
    QVERIFY(!Form().FieldComboBox->isEnabled());
    QVERIFY(!Form().TextLabel->isEnabled());
    QCOMPARE(Form().outcome(), ImportOutcome::kCancelled);
  }

  void RadioFileBoxAndCombosFollowTheirRules() {
    Open();
    Form().CSVRadio->click();
    QVERIFY(Form().FieldComboBox->isEnabled() && Form().TextComboBox->isEnabled());
    QVERIFY(Form().FieldLabel->isEnabled() && Form().TextLabel->isEnabled());
    QTest::keyClicks(Form().FileEdit, "f");
    QVERIFY(Form().OKButton->isEnabled());
    QCOMPARE(Form().FileEdit->toolTip(), QString("f"));
    Form().FileEdit->clear();
    QVERIFY(!Form().OKButton->isEnabled());

    // An emptied box gets its default back when the focus leaves it.
    Form().FieldComboBox->setFocus();
    Form().FieldComboBox->setEditText("");
    Form().TextComboBox->setFocus();
    QTRY_COMPARE(Form().FieldComboBox->currentText(), QString(","));
    Form().TextComboBox->setEditText("");
    Form().FileEdit->setFocus();
    QTRY_COMPARE(Form().TextComboBox->currentText(), QString("\""));

    Form().JavaScriptRadio->click();
    QVERIFY(!Form().FieldComboBox->isEnabled());
  }

  void BrowseFillsTheFileBox() {
    Open();
    prompter_.files.push_back(std::string("/data/site.js"));
    Form().BrowseButton->click();
    QCOMPARE(Form().FileEdit->text(), QString("/data/site.js"));
    QVERIFY(Form().OKButton->isEnabled());
    QCOMPARE(prompter_.log.back().kind, std::string("open"));
    QCOMPARE(prompter_.log.back().text, std::string("Browse"));
    Form().BrowseButton->click();  // cancelled: the box keeps its text
    QCOMPARE(Form().FileEdit->text(), QString("/data/site.js"));
    QCOMPARE(prompter_.log.back().second, std::string());  // no such file: no start
  }

  void BrowseStartsAtTheNamedFile() {
    const std::string path = Write("named.csv", "x");
    Open();
    Form().CSVRadio->click();
    SetFile(path);
    Form().BrowseButton->click();
    QCOMPARE(prompter_.log.back().kind, std::string("open"));
    QCOMPARE(prompter_.log.back().second, path);
  }

  void DataFileImportAppendsAndCloses() {
    const std::string path = Write(
        "site.JS", "var s = new Array();\r\n\r\ns[0] = \"Home^/index.html^Welcome^home^0\";\r\n");
    Open();
    SetFile(path);
    Form().OKButton->click();
    QVERIFY(!Form().isVisible());
    QCOMPARE(Form().outcome(), ImportOutcome::kDone);
    QCOMPARE(db_.records.size(), size_t{4});
    QCOMPARE(db_.records.line(3), std::string("0^Home^/index.html^Welcome^home^0"));
    QVERIFY(db_.dirty);
  }

  void CsvThroughEveryComboChoice() {
    // Combo items: delimiter ",", ";", "[Space]"; qualifier '"', "'", "[None]".
    struct Case {
      int delimiter, qualifier;
      std::string line, text;
    };
    const Case cases[] = {
        {0, 0, "\"H\",\"/h\",\"W, x\",\"k\",\"1\"", "W, x"},
        {0, 1, "'H','/h','W, x','k','1'", "W, x"},
        {0, 2, "H,/h,W; x,k,1", "W; x"},
        {1, 0, "\"H\";\"/h\";\"W; x\";\"k\";\"1\"", "W; x"},
        {1, 1, "'H';'/h';'W; x';'k';'1'", "W; x"},
        {1, 2, "H;/h;W, x;k;1", "W, x"},
        {2, 0, "\"H\" \"/h\" \"W x\" \"k\" \"1\"", "W x"},
        {2, 1, "'H' '/h' 'W x' 'k' '1'", "W x"},
        {2, 2, "H /h W,x k 1", "W,x"},
    };
    for (const Case& c : cases) {
      db_.records.Clear();
      const std::string path = Write("in.csv", c.line + "\r\n");
      Open();
      Form().CSVRadio->click();
      SetFile(path);
      Form().FieldComboBox->setCurrentIndex(c.delimiter);
      Form().TextComboBox->setCurrentIndex(c.qualifier);
      Form().OKButton->click();
      QCOMPARE(Form().outcome(), ImportOutcome::kDone);
      QCOMPARE(db_.records.lines(), std::vector<std::string>{"0^H^/h^" + c.text + "^k^1"});
    }
  }

  void DuplicatesAreSkippedWhenAsked() {
    const std::string path =
        Write("d.csv",
              "\"a\",\"/a\",\"\",\"\",\"0\"\r\n\"n\",\"/n\",\"\",\"\",\"0\"\r\n"
              "\"n\",\"/n\",\"\",\"\",\"0\"\r\n");
    Open();
    Form().CSVRadio->click();
    SetFile(path);
    Form().IgnoreCheck->setChecked(false);
    Form().OKButton->click();
    QCOMPARE(db_.records.size(), size_t{4});
    QCOMPARE(db_.records.line(3), std::string("0^n^/n^^^0"));
  }

  void BadFilesLeaveTheirOutcome() {
    Open();
    SetFile(Write("site.txt", "var s = new Array();\r\n"));
    Form().OKButton->click();
    QVERIFY(!Form().isVisible());
    QCOMPARE(Form().outcome(), ImportOutcome::kNotDataFile);
    Open();
    Form().CSVRadio->click();
    SetFile(dir_->path().toStdString() + "/none.csv");
    Form().OKButton->click();
    QCOMPARE(Form().outcome(), ImportOutcome::kNoFile);
    QCOMPARE(Form().file_text(), dir_->path().toStdString() + "/none.csv");
    QCOMPARE(db_.records.size(), size_t{3});
  }

  void ReadErrorIsToldAndTheDialogStays() {
    const std::string path = dir_->path().toStdString() + "/locked.csv";
    if (::geteuid() == 0) {
      QVERIFY(::symlink("/proc/self/mem", path.c_str()) == 0);  // reading it fails
    } else {
      Write("locked.csv", "\"a\",\"b\",\"c\",\"d\",\"0\"\r\n");
      QVERIFY(::chmod(path.c_str(), 0) == 0);
    }
    Open();
    Form().CSVRadio->click();
    SetFile(path);
    Form().OKButton->click();
    QVERIFY(Form().isVisible());
    QCOMPARE(prompter_.log.back().kind, std::string("error"));
    QVERIFY(prompter_.log.back().text.find(path) != std::string::npos);
    QCOMPARE(db_.records.size(), size_t{3});
    QVERIFY(!db_.dirty);
    Form().CancelButton->click();
    QVERIFY(!Form().isVisible());
    QCOMPARE(Form().outcome(), ImportOutcome::kCancelled);
  }
};

// Insert > File and File > Export through the main window: the outcome and
// its message after the dialog, the renumbering and the selection.
class InterchangeInMainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<duvra::testing::AppTestEnv> env_;
  std::unique_ptr<TMForm> form_;
  ScriptedPrompter prompter_;

  TMForm& Form() { return *form_; }
  void OpenWith(size_t rows) {
    const std::string header = env_->DataPath("db.duv");
    duvra::testing::WriteDatabase(header, rows);
    QVERIFY(Form().commands().OpenHeaderPath(header));
  }
  // The Insert dialog is answered by `script`; OK or Cancel closes it.
  void AnswerInsert(std::function<void(TIForm&)> script) {
    Form().SetDialogRunner([script](QDialog& d) {
      auto* ti = qobject_cast<TIForm*>(&d);
      if (!ti) qFatal("not the Insert dialog");
      ti->show();
      script(*ti);
      if (ti->isVisible()) ti->reject();
      return ti->result();
    });
  }
  QList<int> ViewRows() {
    QList<int> rows;
    for (const QModelIndex& i : Form().EditList->selectionModel()->selectedRows()) rows << i.row();
    return rows;
  }

 private slots:
  void init() {
    env_ = std::make_unique<duvra::testing::AppTestEnv>();
    prompter_ = ScriptedPrompter();
    form_ = std::make_unique<TMForm>();
    form_->SetPrompter(&prompter_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() {
    form_.reset();
    env_.reset();
  }

  void ImportRenumbersAndSelectsTheLastRecord() {
    OpenWith(3);
    const std::string csv = env_->DataPath("two.csv");
    std::ofstream(csv, std::ios::binary) << "\"d\",\"/d\",\"\",\"\",\"0\"\r\n"
                                            "\"e\",\"/e\",\"\",\"\",\"1\"\r\n";
    AnswerInsert([csv](TIForm& ti) {
      QVERIFY(ti.JavaScriptRadio->isChecked());  // reset by the opening
      ti.CSVRadio->click();
      ti.FileEdit->setText(QString::fromStdString(csv));
      ti.OKButton->click();
    });
    duvra::testing::Act(Form(), "TBXInsertFile")->trigger();
    QCOMPARE(Form().EditList->model()->rowCount(), 5);
    QCOMPARE(duvra::testing::RowText(Form().EditList->model(), 4), QString("4^e^/e^^^1"));
    QCOMPARE(duvra::testing::RowText(Form().EditList->model(), 3), QString("3^d^/d^^^0"));
    QCOMPARE(ViewRows(), QList<int>{4});
    QCOMPARE(Form().StatusPanel1->text(), QString("5 Records"));
    QCOMPARE(prompter_.log.size(), 1u);
    QCOMPARE(prompter_.log[0].kind, std::string("notify"));
    QCOMPARE(prompter_.log[0].text, std::string("Added 2 of 2 records (0 duplicates skipped)."));
  }

  void BadFileIsToldAfterTheDialog() {
    OpenWith(1);
    AnswerInsert([](TIForm& ti) {
      ti.FileEdit->setText("nothere.js");
      ti.OKButton->click();
    });
    duvra::testing::Act(Form(), "TBXInsertFile")->trigger();
    QCOMPARE(prompter_.log.size(), size_t{1});
    QCOMPARE(prompter_.log[0].kind, std::string("notify"));
    QCOMPARE(prompter_.log[0].text, std::string("nothere.js is not a valid file name."));

    prompter_.log.clear();
    AnswerInsert([](TIForm& ti) { ti.CancelButton->click(); });
    duvra::testing::Act(Form(), "TBXInsertFile")->trigger();
    QVERIFY(prompter_.log.empty());
    QCOMPARE(Form().EditList->model()->rowCount(), 1);
    QVERIFY(!Form().db().dirty);
  }

  void ExportWritesTheFileAndTellsCompletion() {
    OpenWith(3);
    const std::string out = env_->DataPath("out.csv");
    prompter_.files.push_back(out);
    duvra::testing::Act(Form(), "TBXExport")->trigger();
    std::string data;
    int err = 0;
    QVERIFY(ReadWholeFile(out, &data, &err));
    QCOMPARE(data, std::string("\"Title 0\",\"/p0.html\",\"text\",\"keys\",\"0\"\r\n"
                               "\"Title 1\",\"/p1.html\",\"text\",\"keys\",\"0\"\r\n"
                               "\"Title 2\",\"/p2.html\",\"text\",\"keys\",\"0\"\r\n"));
    QCOMPARE(prompter_.log[0].kind, std::string("save"));
    QCOMPARE(prompter_.log[0].text, std::string("Export"));
    QCOMPARE(prompter_.log[0].second, env_->DataPath("db.csv"));
    QCOMPARE(prompter_.log.back().text, "Export to " + out + " complete.");
    QVERIFY(!Form().db().dirty);
    QVERIFY(duvra::testing::Act(Form(), "TBXExport")->isEnabled());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = 0;
  {
    TIFormTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  {
    InterchangeInMainWindowTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  return status;
}

#include "ti_form_test.moc"
