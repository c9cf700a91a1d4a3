// The Options dialog on real widgets: loading on each opening, the add and
// remove rules of both lists (Enter included), the keyword controls, Restore,
// OK writing the header at once, Cancel changing nothing, a failed write;
// and the main window's Options command.
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/tm_form.h"
#include "app/to_form.h"
#include "app_test_support.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using duvra::testing::ScriptedPrompter;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace

class TOFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  Database db_;
  ScriptedPrompter prompter_;
  std::unique_ptr<TOForm> form_;

  TOForm& Form() { return *form_; }
  void Open() {
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }
  void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClicks(edit, text);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    SetRegistryFolder(dir_->path());
    db_ = Database();
    db_.open = true;
    db_.folder = dir_->path().toStdString() + "/";
    db_.base_name = "site";
    db_.settings.database_name = "site";
    db_.settings.site_address = "www.site.example";
    db_.settings.user_agent = "Agent/1";
    db_.settings.timeout_index = "3";
    db_.settings.delay_index = "6";
    db_.script_settings_line = "^results.html^0^0^0^1";
    db_.excluded_words = {"the", "and"};
    db_.excluded_pages = {"/b.htm", "/A.htm"};
    QVERIFY(SaveDatabase(db_).ok());
    prompter_ = ScriptedPrompter();
    form_ = std::make_unique<TOForm>(db_, prompter_);
  }
  void cleanup() {
    form_.reset();
    SetRegistryFolder(QString());
    dir_.reset();
  }

  void OpeningLoadsEveryControl() {
    Open();
    QCOMPARE(Form().windowTitle(), QString("Options"));
    QCOMPARE(Form().size(), QSize(382, 385));
    QCOMPARE(Form().Pages->currentWidget(), Form().GeneralTab);
    QCOMPARE(Form().Pages->tabText(1), QString("Content"));
    QCOMPARE(Form().Pages->tabText(2), QString("Advanced"));
    QCOMPARE(Form().NameEdit->text(), QString("site"));
    QCOMPARE(Form().AddressEdit->text(), QString("www.site.example"));
    QCOMPARE(Form().AgentEdit->text(), QString("Agent/1"));
    QVERIFY(Form().KeywordsCheck->isChecked());
    QCOMPARE(Form().TimeoutComboBox->currentText(), QString("40"));
    QCOMPARE(Form().DelayComboBox->currentText(), QString("10"));
    QCOMPARE(Form().TimeoutComboBox->count(), 6);
    QCOMPARE(Form().DelayComboBox->count(), 10);
    QCOMPARE(Items(Form().ExcludeWordsList), QStringList({"and", "the"}));
    QCOMPARE(Items(Form().ExcludePagesList), QStringList({"/A.htm", "/b.htm"}));
    QVERIFY(!Form().AddWordsButton->isEnabled());
    QVERIFY(!Form().RemoveWordsButton->isEnabled());
    QVERIFY(!Form().AddPagesButton->isEnabled());
  }

  void AddLowersWordsAndRootsPages() {
    Open();
    Form().Pages->setCurrentWidget(Form().ContentTab);
    Type(Form().ExcludeWordsEdit, "Search");
    QVERIFY(Form().AddWordsButton->isEnabled());
    QTest::mouseClick(Form().AddWordsButton, Qt::LeftButton);
    QCOMPARE(Items(Form().ExcludeWordsList), QStringList({"and", "search", "the"}));
    QCOMPARE(Form().ExcludeWordsEdit->text(), QString());
    QVERIFY(!Form().AddWordsButton->isEnabled());

    Type(Form().ExcludePagesEdit, "docs/a.htm");
    QTest::mouseClick(Form().AddPagesButton, Qt::LeftButton);
    Type(Form().ExcludePagesEdit, "/x.htm");
    QTest::keyClick(Form().ExcludePagesEdit, Qt::Key_Return);
    QCOMPARE(Items(Form().ExcludePagesList),
             QStringList({"/A.htm", "/b.htm", "/docs/a.htm", "/x.htm"}));
    // Enter added the page and did not press OK.
    QVERIFY(Form().isVisible());
    QVERIFY(!db_.dirty);
  }

  void EnterInAnEmptyEditAddsNothing() {
    Open();
    Form().Pages->setCurrentWidget(Form().ContentTab);
    Form().ExcludeWordsEdit->setFocus();
    QTest::keyClick(Form().ExcludeWordsEdit, Qt::Key_Return);
    QCOMPARE(Items(Form().ExcludeWordsList), QStringList({"and", "the"}));
    QVERIFY(Form().isVisible());
  }

  void RemoveDeletesTheSelectedItems() {
    Open();
    Form().Pages->setCurrentWidget(Form().ContentTab);
    Form().ExcludePagesList->item(0)->setSelected(true);
    Form().ExcludePagesList->item(1)->setSelected(true);
    QVERIFY(Form().RemovePagesButton->isEnabled());
    QTest::mouseClick(Form().RemovePagesButton, Qt::LeftButton);
    QVERIFY(Items(Form().ExcludePagesList).isEmpty());
    QVERIFY(!Form().RemovePagesButton->isEnabled());
  }

  void UncheckingKeywordsGreysTheWordControlsAndKeepsTheWords() {
    Open();
    Form().Pages->setCurrentWidget(Form().ContentTab);
    Type(Form().ExcludeWordsEdit, "x");
    QTest::mouseClick(Form().KeywordsCheck, Qt::LeftButton);
    QVERIFY(!Form().KeywordsCheck->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(Form().ExcludeWordsLabel),
                       static_cast<QWidget*>(Form().ExcludeWordsEdit),
                       static_cast<QWidget*>(Form().ExcludeWordsList),
                       static_cast<QWidget*>(Form().AddWordsButton),
                       static_cast<QWidget*>(Form().RemoveWordsButton)}) {
      QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    }
    QVERIFY(Form().ExcludePagesEdit->isEnabled());
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(db_.settings.create_keywords, std::string("0"));
    QCOMPARE(db_.excluded_words, (std::vector<std::string>{"and", "the"}));
  }

  void OkWritesTheHeaderAtOnce() {
    Open();
    Form().NameEdit->setText("Renamed");
    Form().AddressEdit->clear();
    Form().Pages->setCurrentWidget(Form().AdvancedTab);
    Form().TimeoutComboBox->setCurrentIndex(5);
    Form().DelayComboBox->setCurrentIndex(0);
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QVERIFY(!Form().isVisible());
    QVERIFY(db_.dirty);
    QCOMPARE(ReadAll(db_.HeaderPath()),
             std::string("T1.0F^Renamed^^1^Agent/1^5^0\r\n^results.html^0^0^0^1\r\n"));
    QCOMPARE(db_.excluded_pages, (std::vector<std::string>{"/A.htm", "/b.htm"}));
  }

  void BrowseChoosesTheSiteFolderAndOkStoresIt() {
    const std::string fixed =
        "T1.0F^site^www.site.example^1^Agent/1^3^6\r\n^results.html^0^0^0^1\r\n";
    prompter_.folders.push_back(std::string("/srv/garden/public"));
    Open();
    QTest::mouseClick(Form().BrowseButton, Qt::LeftButton);
    QCOMPARE(prompter_.log.back().kind, std::string("folder"));
    QCOMPARE(Form().FolderEdit->text(), QString("/srv/garden/public"));
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(ReadAll(db_.HeaderPath()), fixed + "folder=/srv/garden/public\r\n");

    // Shown again; a cancelled folder dialog leaves the text alone; a
    // folder the header cannot hold is refused and nothing is written.
    Open();
    QCOMPARE(Form().FolderEdit->text(), QString("/srv/garden/public"));
    prompter_.folders.push_back(std::nullopt);
    QTest::mouseClick(Form().BrowseButton, Qt::LeftButton);
    QCOMPARE(prompter_.log.back().second, std::string("/srv/garden/public"));
    QCOMPARE(Form().FolderEdit->text(), QString("/srv/garden/public"));
    Form().FolderEdit->setText("/srv/a^b");
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QVERIFY(Form().isVisible());
    QCOMPARE(prompter_.log.back().kind, std::string("error"));
    QCOMPARE(ReadAll(db_.HeaderPath()), fixed + "folder=/srv/garden/public\r\n");
    Form().FolderEdit->clear();
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(ReadAll(db_.HeaderPath()), fixed + "folder=\r\n");
  }

  void IndexingTabMirrorsAndWritesTheSettingsLine() {
    db_.extra = ExtraSettings::Parse("robots=1^maxwords=40^zz=kept");
    QVERIFY(SaveDatabase(db_).ok());
    Open();
    Form().Pages->setCurrentWidget(Form().IndexingTab);
    auto* robots = Form().IndexingTab->findChild<QCheckBox*>("Setting_robots");
    auto* visible = Form().IndexingTab->findChild<QCheckBox*>("Setting_visibletext");
    auto* words = Form().IndexingTab->findChild<QSpinBox*>("Setting_maxwords");
    QVERIFY(robots && visible && words);
    QVERIFY(robots->isChecked());
    QVERIFY(!visible->isChecked());
    QCOMPARE(words->value(), 40);
    if (!qEnvironmentVariableIsEmpty("DUVRA_SCREENSHOTS")) {
      Form().grab().save(qEnvironmentVariable("DUVRA_SCREENSHOTS") + "/options_indexing.png");
    }
    QTest::mouseClick(visible, Qt::LeftButton);
    words->setValue(500);
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(ReadAll(db_.HeaderPath()),
             std::string("T1.0F^site^www.site.example^1^Agent/1^3^6\r\n^results.html^0^0^0^1\r\n"
                         "robots=1^maxwords=500^zz=kept^visibletext=1\r\n"));
  }

  void RestoreThenCancelChangesNothing() {
    Open();
    Form().Pages->setCurrentWidget(Form().AdvancedTab);
    QTest::mouseClick(Form().RestoreButton, Qt::LeftButton);
    QCOMPARE(Form().AgentEdit->text(), QString::fromLatin1(kDefaultUserAgent.data()));
    QCOMPARE(Form().AgentEdit->cursorPosition(), 0);  // the agent's name in sight
    QCOMPARE(Form().TimeoutComboBox->currentText(), QString("30"));
    QCOMPARE(Form().DelayComboBox->currentText(), QString("0"));
    QTest::mouseClick(Form().CancelButton, Qt::LeftButton);
    QCOMPARE(db_.settings.user_agent, std::string("Agent/1"));
    QCOMPARE(db_.settings.timeout_index, std::string("3"));
    QVERIFY(!db_.dirty);
  }

  void CancelDiscardsListChangesButKeepsTheEditsText() {
    Open();
    Form().Pages->setCurrentWidget(Form().ContentTab);
    Type(Form().ExcludeWordsEdit, "new");
    QTest::mouseClick(Form().AddWordsButton, Qt::LeftButton);
    Type(Form().ExcludePagesEdit, "half typed");
    Form().reject();
    Open();
    QCOMPARE(Items(Form().ExcludeWordsList), QStringList({"and", "the"}));
    QCOMPARE(Form().ExcludePagesEdit->text(), QString("half typed"));
    QVERIFY(Form().AddPagesButton->isEnabled());
  }

  void AFailedHeaderWriteIsShownAndTheDialogStaysOpen() {
    Open();
    ::unlink(db_.HeaderPath().c_str());
    ::mkdir(db_.HeaderPath().c_str(), 0700);
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    ::rmdir(db_.HeaderPath().c_str());
    QCOMPARE(prompter_.log.size(), size_t(1));
    QCOMPARE(prompter_.log[0].kind, std::string("error"));
    QVERIFY(Form().isVisible());
    QVERIFY(!db_.dirty);
  }
};

// The Options command of the main window.
class OptionsInMainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void OptionsEditsTheOpenDatabaseAndRefreshes() {
    duvra::testing::AppTestEnv env;
    const std::string header = env.DataPath("site.duv");
    duvra::testing::WriteDatabase(header, 1);
    TMForm form;
    ScriptedPrompter prompter;
    form.SetPrompter(&prompter);
    form.SetDialogRunner([&](QDialog& d) {
      auto* options = qobject_cast<TOForm*>(&d);
      if (!options) return 0;
      d.show();
      options->NameEdit->setText("Shown Name");
      options->AddressEdit->setText("www.example.org");
      QTest::mouseClick(options->OKButton, Qt::LeftButton);
      return d.result();
    });
    form.show();
    QVERIFY(!duvra::testing::Act(form, "TBXOptions")->isEnabled());
    QVERIFY(form.commands().OpenHeaderPath(header));
    QVERIFY(duvra::testing::Act(form, "TBXOptions")->isEnabled());
    QVERIFY(!duvra::testing::Act(form, "TBXIndex")->isEnabled());  // no site address yet
    duvra::testing::Act(form, "TBXOptions")->trigger();
    QCOMPARE(duvra::testing::ShownTitle(form), QString("Shown Name*"));
    QVERIFY(duvra::testing::Act(form, "TBXIndex")->isEnabled());
    QVERIFY(ReadAll(header).starts_with("T1.0F^Shown Name^www.example.org^"));
  }

  void CaretTypedIntoAFieldIsRefusedAndTheDialogStays() {
    duvra::testing::AppTestEnv env;
    const std::string header = env.DataPath("site.duv");
    duvra::testing::WriteDatabase(header, 1);
    TMForm form;
    ScriptedPrompter prompter;
    form.SetPrompter(&prompter);
    bool stayed_open = false;
    form.SetDialogRunner([&](QDialog& d) {
      auto* options = qobject_cast<TOForm*>(&d);
      if (!options) return 0;
      d.show();
      QTest::keyClicks(options->AgentEdit, "^x");
      QTest::mouseClick(options->OKButton, Qt::LeftButton);
      stayed_open = d.isVisible();
      d.reject();
      return d.result();
    });
    form.show();
    QVERIFY(form.commands().OpenHeaderPath(header));
    const std::string before = ReadAll(header);
    duvra::testing::Act(form, "TBXOptions")->trigger();
    QVERIFY(stayed_open);
    QCOMPARE(prompter.log.size(), size_t{1});
    QCOMPARE(prompter.log[0].kind, std::string("notify"));
    QCOMPARE(prompter.log[0].text,
             std::string("The user agent cannot hold \"^\" or a line break."));
    QCOMPARE(ReadAll(header), before);
    QVERIFY(!form.db().dirty);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = 0;
  {
    TOFormTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  {
    OptionsInMainWindowTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  return status;
}

#include "to_form_test.moc"
