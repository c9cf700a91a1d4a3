// The settings adapter, program start (show step, tool-bar update, the
// start-up choice) and program end (geometry, save question, recent files).
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include "app/dialog_style.h"
#include "app/tm_form.h"
#include "app/ts_form.h"
#include "app_test_support.h"
#include "database/data_dir.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using namespace duvra::testing;

class StartupTest : public QObject {
  Q_OBJECT

  std::unique_ptr<AppTestEnv> env_;
  ScriptedPrompter prompter_;

  std::unique_ptr<TMForm> MakeForm(DialogRunner runner = [](QDialog&) { return 0; }) {
    auto form = std::make_unique<TMForm>();
    form->SetPrompter(&prompter_);
    form->SetDialogRunner(std::move(runner));
    return form;
  }
  static int RecentItems(TMForm& form) {
    int n = 0;
    for (QAction* a : form.TBXMRUFiles->actions()) n += a->objectName().startsWith("TBXMRUList");
    return n;
  }

 private slots:
  void init() {
    env_ = std::make_unique<AppTestEnv>();
    prompter_ = ScriptedPrompter();
  }
  void cleanup() { env_.reset(); }

  void RegistryReadsAbsentAsEmptyAndKeepsRootsApart() {
    QCOMPARE(GetLm(kDuvraKey, "Left"), std::string());
    SetLm(kDuvraKey, "Edit Height", "420");
    SetLm(kCustomiseKey, "Start", "1");
    WriteRegistryValue(RegistryRoot::kCurrentUser, kMruKey, "MRU1", "/a, b/c;d.duv");
    QCOMPARE(GetLm(kDuvraKey, "Edit Height"), std::string("420"));
    QCOMPARE(GetLm(kDuvraKey, "Start"), std::string());  // another key
    QCOMPARE(GetMru(1), std::string("/a, b/c;d.duv"));
    QCOMPARE(ReadRegistryValue(RegistryRoot::kLocalMachine, kMruKey, "MRU1"), std::string());
    DeleteRegistryValue(RegistryRoot::kCurrentUser, kMruKey, "MRU1");
    DeleteRegistryValue(RegistryRoot::kCurrentUser, kMruKey, "MRU9");  // absent: no error
    QCOMPARE(GetMru(1), std::string());
    QVERIFY(QFile::exists(RegistryFolder() + "/HKEY_LOCAL_MACHINE.ini"));
  }

  void UnwritableSettingsAreSkippedSilently() {
    // A folder below a plain file can be created by nobody, root included.
    const std::string blocker = env_->DataPath("blocker");
    WriteDatabase(blocker + ".duv", 0);
    SetRegistryFolder(QString::fromStdString(blocker + ".duv/config"));
    SetLm(kDuvraKey, "Left", "20");
    DeleteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, "Left");
    QCOMPARE(GetLm(kDuvraKey, "Left"), std::string());
    auto form = MakeForm();
    form->show();
    form->close();  // the geometry writes are skipped without a message
    QVERIFY(prompter_.log.empty());
  }

  void StartWithoutAnySettingsUsesSoundFallbacks() {
    auto form = MakeForm();
    form->show();
    // The design rectangle, kept on the (smaller) test screen.
    QCOMPARE(form->geometry(),
             KeepOnScreen(QRect(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight)));
    QVERIFY(form->screen()->availableGeometry().contains(form->geometry()));
    QCOMPARE(QDir::currentPath(), QDir(QString::fromStdString(FindDataDir())).canonicalPath());
    QCOMPARE(form->recent_files().capacity(), kDefaultRecentCapacity);
    QVERIFY(!form->toolbar_tips_shown());
    QCOMPARE(form->commands().new_counter(), 1);
    QCOMPARE(form->application_title(), QString("Duvra"));
    QVERIFY(prompter_.log.empty());  // no error box for any missing value
  }

  void GeometryComesBackWhereItWasLeftSessionAfterSession() {
    // The test platform gives windows a frame, so storing one kind of
    // position and restoring the other would move the window every time.
    QRect left_at;
    for (int session = 0; session < 3; ++session) {
      auto form = MakeForm();
      form->show();
      QVERIFY(QTest::qWaitForWindowExposed(form.get()));
      if (session == 0) {
        form->setGeometry(60, 90, 500, 350);
      } else {
        QCOMPARE(form->geometry(), left_at);
      }
      left_at = form->geometry();
      form->close();
    }
    QCOMPARE(left_at, QRect(60, 90, 500, 350));

    // Stored off every screen and larger than it: back on the screen, title
    // bar included.
    SetLm(kDuvraKey, "Left", "9000");
    SetLm(kDuvraKey, "Top", "-4000");
    SetLm(kDuvraKey, "Width", "5000");
    SetLm(kDuvraKey, "Height", "3000");
    auto form = MakeForm();
    form->show();
    const QRect screen = form->screen()->availableGeometry();
    QVERIFY(screen.contains(form->frameGeometry()));
    QVERIFY(form->geometry().top() >= screen.top() + kTitleBarRoom);
  }

  void StoredGeometryPathAndRecentFilesAreRestored() {
    SetLm(kDuvraKey, "Left", "40");
    SetLm(kDuvraKey, "Top", "abc");  // not a number: the design value
    SetLm(kDuvraKey, "Height", "500");
    SetLm(kDuvraKey, "Width", "700");
    SetLm(kDuvraKey, "Path", QDir::tempPath().toStdString());
    SetLm(kCustomiseKey, "Entries", "2");
    SetMru(1, "/x/one.duv");
    SetMru(2, "");
    SetMru(3, "/x/three.duv");  // beyond the capacity of 2
    auto form = MakeForm();
    form->show();
    QCOMPARE(form->geometry().x(), 40);
    QCOMPARE(form->size(), QSize(700, 500));
    QCOMPARE(form->geometry(), KeepOnScreen(QRect(40, kDesignTop, 700, 500)));
    QCOMPARE(QDir::currentPath(), QDir::tempPath());
    QCOMPARE(form->recent_files().entries(), std::vector<std::string>{"/x/one.duv"});
    QCOMPARE(RecentItems(*form), 1);
  }

  void RecentOffShowsNothingAndTouchesNoValueAtExit() {
    SetLm(kCustomiseKey, "Recent", "0");
    SetMru(1, "/x/one.duv");
    SetMru(2, "/x/two.duv");
    auto form = MakeForm();
    form->show();
    QCOMPARE(RecentItems(*form), 0);
    form->recent_files().Add("/x/new.duv");
    form->close();
    QCOMPARE(GetMru(1), std::string("/x/one.duv"));
    QCOMPARE(GetMru(2), std::string("/x/two.duv"));
  }

  void LoweredEntriesCutTheMenuAndLeaveLaterValues() {
    SetLm(kCustomiseKey, "Entries", "9");
    for (int k = 1; k <= 9; ++k) SetMru(k, "/x/" + std::to_string(k) + ".duv");
    auto form = MakeForm();
    form->show();
    QCOMPARE(RecentItems(*form), 9);
    SetLm(kCustomiseKey, "Entries", "3");
    form->ToolbarUpdate();
    QCOMPARE(RecentItems(*form), 3);
    form->close();
    QCOMPARE(GetMru(3), std::string("/x/3.duv"));
    for (int k = 4; k <= 9; ++k) QCOMPARE(GetMru(k), "/x/" + std::to_string(k) + ".duv");
  }

  void ExitStoresGeometryAsksToSaveAndWritesRecentFiles() {
    const std::string header = env_->DataPath("site.duv");
    WriteDatabase(header, 2);
    SetMru(1, "/x/old.duv");
    SetMru(2, "/x/gone.duv");
    SetMru(3, "/x/three.duv");
    SetLm(kCustomiseKey, "Entries", "3");
    auto form = MakeForm();
    form->show();
    QVERIFY(form->commands().OpenHeaderPath(header));
    QTest::keyClicks(form->TBXAddressEdit, "www.example.com");
    form->move(60, 70);
    form->resize(600, 400);
    prompter_.answers = {Answer::kNo};
    form->close();
    QCOMPARE(prompter_.log.size(), 1u);
    QCOMPARE(prompter_.log[0].text, std::string("Do you want to save the changes to site?"));
    QCOMPARE(GetLm(kDuvraKey, "Left"), std::to_string(form->geometry().x()));
    QCOMPARE(GetLm(kDuvraKey, "Width"), std::string("600"));
    QCOMPARE(GetLm(kDuvraKey, "Height"), std::string("400"));
    QCOMPARE(GetMru(1), header);
    QCOMPARE(GetMru(2), std::string("/x/old.duv"));
    QCOMPARE(GetMru(3), std::string("/x/gone.duv"));
  }

  void ExitWithFewerEntriesDeletesTheRest() {
    SetMru(1, "/x/a.duv");
    SetMru(2, "/x/b.duv");
    SetMru(4, "/x/d.duv");
    auto form = MakeForm();
    form->show();
    QCOMPARE(form->recent_files().entries().size(), 3u);
    form->recent_files().SetCapacity(1);
    form->recent_files().SetCapacity(4);
    form->close();
    QCOMPARE(GetMru(1), std::string("/x/a.duv"));
    for (int k = 2; k <= 4; ++k) QCOMPARE(GetMru(k), std::string());
  }

  void ExitWhoseSaveFailsStaysOpen() {
    const std::string header = env_->DataPath("site.duv");
    WriteDatabase(header, 1);
    auto form = MakeForm();
    form->show();
    QVERIFY(form->commands().OpenHeaderPath(header));
    form->db().dirty = true;
    form->db().folder = env_->DataPath("missing/");
    prompter_.answers = {Answer::kYes};
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QCOMPARE(prompter_.log.back().kind, std::string("error"));
    QVERIFY(form->db().open);
  }

  void StartDialogOnlyWhenAskedFor() {
    int shown = 0;
    auto form = MakeForm([&](QDialog&) { return ++shown, 0; });
    form->show();
    QTest::qWait(20);
    QCOMPARE(shown, 0);
  }

  void StartChoiceOfARecentPathOpensIt() {
    const std::string header = env_->DataPath("recent.duv");
    WriteDatabase(header, 2);
    SetLm(kCustomiseKey, "Start", "1");
    SetMru(1, header);
    std::unique_ptr<TMForm> form;
    form = MakeForm([&](QDialog& d) {
      auto& start = static_cast<TSForm&>(d);
      d.show();
      start.StartList->setCurrentRow(1);
      start.OKButtonClick();
      return d.result();
    });
    form->show();
    QTRY_VERIFY(form->db().open);
    QCOMPARE(form->start_choice(), header);
    QCOMPARE(ShownTitle(*form), QString("recent"));
    QCOMPARE(form->db().records.SelectedRows(), std::vector<size_t>{0});
  }

  void StartChoiceOfAVanishedPathTellsSo() {
    SetLm(kCustomiseKey, "Start", "1");
    SetMru(1, "/x/gone.duv");
    auto form = MakeForm([&](QDialog& d) {
      auto& start = static_cast<TSForm&>(d);
      d.show();
      start.StartList->setCurrentRow(1);
      start.OKButtonClick();
      return d.result();
    });
    form->show();
    QTRY_VERIFY(!prompter_.log.empty());
    QCOMPARE(prompter_.log[0].text, std::string("/x/gone.duv no longer exists."));
    QVERIFY(!form->db().open);
  }

  void StartChoiceNewProposesTheFirstName() {
    SetLm(kCustomiseKey, "Start", "1");
    auto form = MakeForm([&](QDialog& d) {
      d.show();
      static_cast<TSForm&>(d).OKButtonClick();  // empty list: "Create a new database"
      return d.result();
    });
    form->show();
    QTRY_VERIFY(!prompter_.log.empty());
    QCOMPARE(prompter_.log[0].kind, std::string("save"));
    QCOMPARE(prompter_.log[0].second, std::string("db1.duv"));
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
