// The Create dialog on real widgets: the settings line split into the
// controls, the switch and the controls that follow it, OK enabling,
// Browse, and OK writing the scripts, refusing an invalid folder and staying
// open on a file error; then the main window's Create command and its three
// messages.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "app/tb_form.h"
#include "app/tm_form.h"
#include "app/tw_form.h"
#include "app_test_support.h"
#include "base/text_file.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using duvra::testing::ScriptedPrompter;

namespace {

void WriteText(const QString& path, const std::string& data) {
  std::ofstream(path.toStdString(), std::ios::binary) << data;
}

std::string ReadText(const std::string& path) {
  std::string data;
  int error = 0;
  ReadWholeFile(path, &data, &error);
  return data;
}

}  // namespace

class TBFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  Database db_;
  ScriptedPrompter prompter_;
  std::unique_ptr<TBForm> form_;
  QString site_;       // an existing folder for the scripts
  QString templates_;  // form.dat and search.dat

  TBForm& Form() { return *form_; }
  void Open() {
    Form().FormActivate();
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }
  void Type(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  std::string Site(const char* name) { return (site_ + "/" + name).toStdString(); }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    site_ = dir_->path() + "/www";
    templates_ = dir_->path() + "/data";
    QDir().mkpath(site_);
    QDir().mkpath(templates_);
    WriteText(templates_ + "/form.dat", "// form body\n");
    WriteText(templates_ + "/search.dat", "// search body\r\n");
    db_ = Database();
    db_.open = true;
    db_.script_settings_line = "^results.html^0^0^0^1";
    db_.records.Assign({"0^Home^/index.html^Welcome^home^0", "1^Say \"hi\"^/hi.html^x^k^1"});
    prompter_ = ScriptedPrompter();
    form_ = std::make_unique<TBForm>(db_, prompter_);
    form_->SetTemplateFolder(templates_.toStdString() + "/");
  }
  void cleanup() {
    form_.reset();
    dir_.reset();
  }

  void ControlsAndCaptions() {
    Open();
    QCOMPARE(Form().windowTitle(), QString("Create"));
    QCOMPARE(Form().PageControl->tabText(0), QString("Scripts"));
    QCOMPARE(Form().FolderLabel->text(), QString("Create Scripts &in:"));
    QCOMPARE(Form().ScriptsCheck->text(), QString("&Create the Duvra Scripts"));
    QCOMPARE(Form().PropertiesLabel->text(), QString("Script properties:"));
    QCOMPARE(Form().LocationLabel->text(), QString("Results &location:"));
    QCOMPARE(Form().ReturnLabel->text(), QString("&Return:"));
    QCOMPARE(Form().ResultsLabel->text(), QString("Results"));
    QStringList items;
    for (int i = 0; i < Form().ReturnComboBox->count(); ++i) {
      items << Form().ReturnComboBox->itemText(i);
    }
    QCOMPARE(items, QStringList({"10", "20", "30"}));
    QCOMPARE(Form().NumberCheck->text(), QString("Include &number"));
    QCOMPARE(Form().BoldCheck->text(), QString("B&old"));
    QCOMPARE(Form().URLCheck->text(), QString("Include &URL"));
    QCOMPARE(Form().OKButton->text(), QString("OK"));
    QCOMPARE(Form().CancelButton->text(), QString("Cancel"));
    QCOMPARE(Form().HelpButton->text(), QString("&Help"));
    QVERIFY(Form().ScriptsCheck->isChecked());
    QCOMPARE(Form().minimumSize(), Form().maximumSize());
  }

  void OpeningSplitsTheSettingsLine() {
    db_.script_settings_line = "/srv/www^find.html^2^1^0^0";
    Open();
    QCOMPARE(Form().FolderEdit->text(), QString("/srv/www"));
    QCOMPARE(Form().LocationEdit->text(), QString("find.html"));
    QCOMPARE(Form().ReturnComboBox->currentIndex(), 2);
    QVERIFY(Form().NumberCheck->isChecked());
    QVERIFY(!Form().BoldCheck->isChecked());
    QVERIFY(!Form().URLCheck->isChecked());
    QCOMPARE(Form().outcome(), CreateOutcome::kCancelled);

    // A return index outside 0-2 or not a number shows "10"; a flag is on
    // only when it is exactly "1".
    for (const char* line : {"a^b^7^yes^1^1", "a^b^x^0^1^1", ""}) {
      db_.script_settings_line = line;
      Form().ReturnComboBox->setCurrentIndex(1);
      Form().FormActivate();
      QCOMPARE(Form().ReturnComboBox->currentIndex(), 0);
      QVERIFY(!Form().NumberCheck->isChecked());
    }
  }

  void SwitchEnablesThePropertiesAndLastsBetweenOpenings() {
    Open();
    const char* followers[] = {"PropertiesLabel", "LocationLabel",  "LocationEdit",
                               "ReturnLabel",     "ReturnComboBox", "ResultsLabel",
                               "NumberCheck",     "BoldCheck",      "URLCheck"};
    Form().ScriptsCheck->click();
    QVERIFY(!Form().create_scripts());
    for (const char* name : followers) {
      QVERIFY2(!Form().findChild<QWidget*>(name)->isEnabled(), name);
    }
    QVERIFY(Form().FolderEdit->isEnabled());
    QVERIFY(Form().BrowseButton->isEnabled());
    Form().reject();
    Open();
    QVERIFY(!Form().ScriptsCheck->isChecked());
    QVERIFY(!Form().LocationEdit->isEnabled());
    Form().ScriptsCheck->click();
    for (const char* name : followers) {
      QVERIFY2(Form().findChild<QWidget*>(name)->isEnabled(), name);
    }
  }

  void OkNeedsTwoCharactersInFolderAndLocation() {
    Open();
    QVERIFY(!Form().OKButton->isEnabled());  // the folder is empty
    Type(Form().FolderEdit, "/");
    QVERIFY(!Form().OKButton->isEnabled());
    QTest::keyClicks(Form().FolderEdit, "s");
    QVERIFY(Form().OKButton->isEnabled());
    Type(Form().LocationEdit, "r");
    QVERIFY(!Form().OKButton->isEnabled());
    // The location counts while the switch has disabled it.
    Form().ScriptsCheck->click();
    QVERIFY(!Form().OKButton->isEnabled());
    Form().LocationEdit->setText("ok.html");
    QVERIFY(Form().OKButton->isEnabled());
    // Enter does nothing while OK is disabled.
    Form().FolderEdit->clear();
    QTest::keyClick(Form().FolderEdit, Qt::Key_Return);
    QVERIFY(Form().isVisible());
    QCOMPARE(Form().outcome(), CreateOutcome::kCancelled);
  }

  void BrowsePutsTheChosenFolderIntoTheBox() {
    Open();
    Form().FolderEdit->setText("before");
    prompter_.folders = {std::nullopt, std::string("/chosen/folder")};
    Form().BrowseButton->click();
    QCOMPARE(Form().FolderEdit->text(), QString("before"));
    Form().BrowseButton->click();
    QCOMPARE(Form().FolderEdit->text(), QString("/chosen/folder"));
    QCOMPARE(prompter_.log[0].kind, std::string("folder"));
    QCOMPARE(prompter_.log[0].text, std::string("Create Scripts in:"));
    QCOMPARE(prompter_.log[0].second, std::string());
  }

  void OkWithExistingFolderWritesTheScripts() {
    Open();
    Type(Form().FolderEdit, site_);
    Form().ReturnComboBox->setCurrentIndex(1);
    Form().BoldCheck->click();
    Form().OKButton->click();
    QCOMPARE(Form().outcome(), CreateOutcome::kCreated);
    QCOMPARE(Form().result(), int(QDialog::Accepted));
    QVERIFY(!Form().isVisible());
    QCOMPARE(db_.script_settings_line, site_.toStdString() + "^results.html^1^0^1^1");
    QVERIFY(db_.dirty);
    QCOMPARE(ReadText(Site("duv_form.js")),
             std::string("// Duvra 1.51\r\n\r\n\r\n// ---------- script properties ----------"
                         "\r\n\r\n\r\nvar results_location = \"results.html\";\r\n"
                         "// form body\r\n"));
    QVERIFY(ReadText(Site("duv_search.js"))
                .find("var return_results = 20;\r\n"
                      "var include_num = 0;\r\n"
                      "var bold_query = 1;\r\n") != std::string::npos);
    QCOMPARE(ReadText(Site("duv_data.js")),
             std::string("var s = new Array();\r\n\r\n"
                         "s[0] = \"Home^/index.html^Welcome^home^0\";\r\n"
                         "s[1] = \"Say \\\"hi\\\"^/hi.html^x^k^1\";\r\n"));
    QVERIFY(prompter_.log.empty());
    // The search index goes beside them while its box is checked, as it is
    // when the program starts; cleared, the next OK takes it out of use.
    QVERIFY(QFile::exists(site_ + "/duv_index/manifest.js"));
    Open();
    QVERIFY(Form().IndexCheck->isChecked());
    QCOMPARE(Form().IndexCheck->text(), QString("Write the search inde&x"));
    if (!qEnvironmentVariableIsEmpty("DUVRA_SCREENSHOTS")) {
      Form().grab().save(qEnvironmentVariable("DUVRA_SCREENSHOTS") + "/create_dialog.png");
    }
    Form().IndexCheck->click();
    Form().OKButton->click();
    QCOMPARE(Form().outcome(), CreateOutcome::kCreated);
    QVERIFY(!QFile::exists(site_ + "/duv_index"));
    QVERIFY(QFile::exists(site_ + "/duv_data.js"));
  }

  void OkWithInvalidFolderClosesWithoutWriting() {
    Open();
    Type(Form().FolderEdit, site_ + "/missing");
    Form().NumberCheck->click();
    Form().OKButton->click();
    QCOMPARE(Form().outcome(), CreateOutcome::kInvalidFolder);
    QVERIFY(!Form().isVisible());
    QCOMPARE(db_.script_settings_line,
             (site_ + "/missing").toStdString() + "^results.html^0^1^0^1");
    QVERIFY(!db_.dirty);
    QVERIFY(!QFile::exists(site_ + "/missing"));
  }

  void FileErrorIsShownAndTheDialogStaysOpen() {
    QFile::remove(templates_ + "/search.dat");
    Open();
    Type(Form().FolderEdit, site_);
    Form().OKButton->click();
    QVERIFY(Form().isVisible());
    QCOMPARE(prompter_.log.size(), size_t(1));
    QCOMPARE(prompter_.log[0].kind, std::string("error"));
    QVERIFY(prompter_.log[0].text.find("Cannot open file") == 0);
    QVERIFY(QDir(site_).isEmpty());
    // Cancelled afterwards, nothing is announced.
    Form().CancelButton->click();
    QCOMPARE(Form().outcome(), CreateOutcome::kCancelled);
  }

  void CancelAndEscapeLeaveTheLineAlone() {
    Open();
    Type(Form().FolderEdit, site_);
    Form().CancelButton->click();
    QCOMPARE(Form().outcome(), CreateOutcome::kCancelled);
    QCOMPARE(db_.script_settings_line, std::string("^results.html^0^0^0^1"));
    Open();
    Type(Form().FolderEdit, site_);
    QTest::keyClick(&Form(), Qt::Key_Escape);
    QVERIFY(!Form().isVisible());
    QCOMPARE(Form().outcome(), CreateOutcome::kCancelled);
    QVERIFY(!QFile::exists(site_ + "/duv_data.js"));
  }
};

// The Create command of the main window: the dialog opens over the open
// database, and its outcome becomes the OK message window's text.
class CreateInMainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<duvra::testing::AppTestEnv> env_;
  std::unique_ptr<TMForm> form_;
  std::unique_ptr<QTemporaryDir> site_;
  QStringList told_;
  std::function<void(TBForm&)> answer_;

 private slots:
  void init() {
    env_ = std::make_unique<duvra::testing::AppTestEnv>();
    site_ = std::make_unique<QTemporaryDir>();
    const std::string header = env_->DataPath("site.duv");
    duvra::testing::WriteDatabase(header, 3);
    form_ = std::make_unique<TMForm>();
    told_.clear();
    form_->SetDialogRunner([this](QDialog& d) {
      if (auto* create = qobject_cast<TBForm*>(&d)) {
        answer_(*create);
        return create->result();
      }
      if (auto* ok = qobject_cast<TWForm*>(&d)) told_ << ok->MainLabel->text();
      return 1;
    });
    form_->show();
    form_->db().folder = FolderOf(header);
    form_->db().base_name = "site";
    form_->db().open = true;
    QVERIFY(LoadDatabase(form_->db()).ok());
    form_->Refresh();
  }
  void cleanup() {
    form_.reset();
    site_.reset();
    env_.reset();
  }

  void CreatedMessagesNameTheFolder() {
    const QString folder = site_->path();
    answer_ = [&](TBForm& d) {
      d.FolderEdit->setText(folder);
      d.OKButton->click();
    };
    QVERIFY(duvra::testing::Act(*form_, "TBXCreate")->isEnabled());
    duvra::testing::Act(*form_, "TBXCreate")->trigger();
    QCOMPARE(told_,
             QStringList("The Duvra Scripts have been created in the " + folder + " folder."));
    QVERIFY(QFile::exists(folder + "/duv_search.js"));
    QVERIFY(form_->db().dirty);

    // With the switch off only the data file is written, and the message
    // says so; the settings line now holds the folder.
    QFile::remove(folder + "/duv_search.js");
    answer_ = [&](TBForm& d) {
      QCOMPARE(d.FolderEdit->text(), folder);
      d.ScriptsCheck->click();
      d.OKButton->click();
    };
    duvra::testing::Act(*form_, "TBXCreateButton")->trigger();
    QCOMPARE(told_.last(), "The Duvra data file has been created in the " + folder + " folder.");
    QVERIFY(!QFile::exists(folder + "/duv_search.js"));
  }

  void InvalidFolderAndCancel() {
    answer_ = [](TBForm& d) {
      d.FolderEdit->setText("/no/such/folder");
      d.OKButton->click();
    };
    duvra::testing::Act(*form_, "TBXCreate")->trigger();
    QCOMPARE(told_, QStringList("/no/such/folder is not a valid folder."));
    QVERIFY(!form_->db().dirty);
    answer_ = [](TBForm& d) { d.CancelButton->click(); };
    duvra::testing::Act(*form_, "TBXCreate")->trigger();
    QCOMPARE(told_.size(), 1);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = 0;
  {
    TBFormTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  {
    CreateInMainWindowTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  return status;
}

#include "tb_form_test.moc"
