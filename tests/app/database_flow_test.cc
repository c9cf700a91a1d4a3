// The File commands driven through the main window's items, once with
// scripted answers and once through the real dialogs and message windows.
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTest>

#include "app/tk_form.h"
#include "app/tm_form.h"
#include "app/tw_form.h"
#include "app_test_support.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using namespace duvra::testing;

class DatabaseFlowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<AppTestEnv> env_;
  std::unique_ptr<TMForm> form_;
  ScriptedPrompter prompter_;

  bool On(const char* name) { return Act(*form_, name)->isEnabled(); }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const auto& a : prompter_.log) kinds.push_back(a.kind);
    return kinds;
  }

 private slots:
  void init() {
    env_ = std::make_unique<AppTestEnv>();
    prompter_ = ScriptedPrompter();
    form_ = std::make_unique<TMForm>();
    form_->SetPrompter(&prompter_);
    form_->SetDialogRunner([](QDialog&) { return 0; });
    form_->show();
  }
  void cleanup() {
    form_.reset();
    env_.reset();
  }

  void NewThenSaveAsThenCloseThroughTheItems() {
    prompter_.files = {env_->DataPath("first")};
    Act(*form_, "TBXNewButton")->trigger();
    QCOMPARE(prompter_.log[0].second, std::string("db1.duv"));
    QCOMPARE(ShownTitle(*form_), QString("first"));
    QVERIFY(QFile::exists(QString::fromStdString(env_->DataPath("first.pag"))));
    QVERIFY(On("TBXSave") && On("TBXSaveAs") && On("TBXClose"));
    QVERIFY(!On("TBXExport"));  // no records yet
    QVERIFY(form_->EditList->isVisible());
    QVERIFY(!form_->db().excluded_words.empty());  // keywords.dat from the program folder

    prompter_.files = {env_->DataPath("second.duv")};
    Act(*form_, "TBXSaveAs")->trigger();
    QCOMPARE(prompter_.log.back().second, env_->DataPath("first.duv"));
    QCOMPARE(ShownTitle(*form_), QString("first"));  // the database name stays
    QVERIFY(QFile::exists(QString::fromStdString(env_->DataPath("second.dat"))));

    QTest::keyClicks(form_->TBXAddressEdit, "www.example.com");
    prompter_.answers = {Answer::kYes};
    Act(*form_, "TBXClose")->trigger();
    QCOMPARE(prompter_.log.back().text, std::string("Do you want to save the changes to first?"));
    QCOMPARE(ShownTitle(*form_), QString("Duvra"));
    QVERIFY(!form_->EditList->isVisible());
    QCOMPARE(Act(*form_, "TBXMRUList1")->text(),
             QString::fromStdString("&1 " + env_->DataPath("second.duv")));

    Act(*form_, "TBXMRUList1")->trigger();  // reopen from the recent files
    QCOMPARE(form_->db().settings.site_address, std::string("www.example.com"));
    QVERIFY(On("TBXIndex"));
    QVERIFY(!form_->db().dirty);

    prompter_.files = {env_->DataPath("third")};
    Act(*form_, "TBXNew")->trigger();
    QCOMPARE(prompter_.log.back().second, std::string("db2.duv"));
  }

  void OpenCancelledKeepsTheWindowAsItWas() {
    const std::string header = env_->DataPath("keep.duv");
    WriteDatabase(header, 2);
    QVERIFY(form_->commands().OpenHeaderPath(header));
    Act(*form_, "TBXOpenButton")->trigger();
    QCOMPARE(Kinds(), std::vector<std::string>{"open"});
    QCOMPARE(ShownTitle(*form_), QString("keep"));
    QCOMPARE(form_->StatusPanel1->text(), QString("2 Records"));
  }

  void SaveButtonWritesAndClearsDirty() {
    const std::string header = env_->DataPath("save.duv");
    WriteDatabase(header, 2);
    QVERIFY(form_->commands().OpenHeaderPath(header));
    Act(*form_, "TBXDelete")->trigger();
    QVERIFY(form_->db().dirty);
    Act(*form_, "TBXSaveButton")->trigger();
    QVERIFY(!form_->db().dirty);
    QCOMPARE(ReadFileText(env_->DataPath("save.dat")),
             QString("0^Title 1^/p1.html^text^keys^0\r\n"));
  }

  void RealDialogsDriveTheReplaceLoopAndTheSaveQuestion() {
    const std::string header = env_->DataPath("site.duv");
    WriteDatabase(header, 1);
    form_->SetPrompter(nullptr);  // the program's own dialogs
    QStringList seen;
    int replace_asked = 0;
    form_->SetDialogRunner([&](QDialog& d) {
      if (auto* files = qobject_cast<QFileDialog*>(&d)) {
        seen << "file:" + files->windowTitle();
        files->selectFile(QString::fromStdString(header));
        return int(QDialog::Accepted);
      }
      if (auto* question = qobject_cast<TKForm*>(&d)) {
        seen << question->MainLabel->text() + "|" + question->SecLabel->text();
        return ++replace_asked == 1 ? int(kResultNo) : int(kResultYes);
      }
      seen << "other:" + d.objectName();
      return 0;
    });
    Act(*form_, "TBXNew")->trigger();
    const QString exists = QString::fromStdString(header) + " already exists.|Replace this file?";
    QCOMPARE(seen, (QStringList{"file:New", exists, "file:New", exists}));
    QVERIFY(form_->db().open);
    QCOMPARE(form_->StatusPanel1->text(), QString("No Records"));  // replaced by a fresh one
  }

  void FileErrorsShowTheErrorBox() {
    form_->SetPrompter(nullptr);
    QString error;
    form_->SetDialogRunner([&](QDialog& d) {
      if (auto* files = qobject_cast<QFileDialog*>(&d)) {
        files->selectFile(QString::fromStdString(env_->DataPath("none.duv")));
        return int(QDialog::Accepted);
      }
      if (auto* box = qobject_cast<QMessageBox*>(&d)) error = box->text();
      return 0;
    });
    Act(*form_, "TBXOpen")->trigger();
    QVERIFY2(error.startsWith("Cannot open file"), qPrintable(error));
    QVERIFY(!form_->db().open);
    QCOMPARE(ShownTitle(*form_), QString("Duvra"));
  }

  void VanishedRecentFileUsesTheOkWindow() {
    form_->SetPrompter(nullptr);
    QString told;
    form_->SetDialogRunner([&](QDialog& d) {
      if (auto* ok = qobject_cast<TWForm*>(&d)) told = ok->MainLabel->text();
      return int(kResultOk);
    });
    form_->recent_files().Add("/nowhere/gone.duv");
    form_->Refresh();
    Act(*form_, "TBXMRUList1")->trigger();
    QCOMPARE(told, QString("/nowhere/gone.duv no longer exists."));
  }

 private:
  static QString ReadFileText(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
};

QTEST_MAIN(DatabaseFlowTest)
#include "database_flow_test.moc"
