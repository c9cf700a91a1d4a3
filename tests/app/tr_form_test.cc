// The Index window on real widgets over a scripted site: the crawl on show,
// the log as it happens, the progress bar, the merge choices, Stop and
// Cancel during a crawl, bad settings; and through the main window, a
// crawl of a site on nginx with the real client.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "app/tr_form.h"
#include "app_test_support.h"
#include "http/nginx_server.h"
#include "indexer/fake_fetcher.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using duvra::testing::FakeFetcher;

namespace {

// Long enough for a crawl of a few pages on a loaded machine; QTRY_* stops
// waiting as soon as the condition holds.
constexpr int kCrawlWaitMs = 20000;

std::string Page(const std::string& title, const std::vector<std::string>& links) {
  std::string p = "<title>" + title + "</title>";
  for (const auto& l : links) p += "<a href=\"" + l + "\">x</a>";
  return p;
}

QStringList MemoLines(const TRForm& form) {
  return form.Memo->toPlainText().split(QLatin1Char('\n'));
}

}  // namespace

class TRFormTest : public QObject {
  Q_OBJECT

 private:
  Database db_;
  long long reselect_ = -7;
  std::unique_ptr<FakeFetcher> fetcher_;
  std::unique_ptr<TRForm> form_;

  TRForm& Form() { return *form_; }
  void Show() {
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }
  void WaitUntilFinished() {
    QTRY_VERIFY_WITH_TIMEOUT(!Form().crawling() && !Form().StopButton->isEnabled() &&
                                 (MemoLines(Form()).contains("Index complete.") ||
                                  MemoLines(Form()).contains("Index stopped.")),
                             kCrawlWaitMs);
  }

 private slots:
  void init() {
    db_ = Database();
    db_.open = true;
    db_.settings.site_address = "site/";
    reselect_ = -7;
    fetcher_ = std::make_unique<FakeFetcher>();
    fetcher_->site = {{"http://site/", Page("Home", {"a.htm", "b.htm"})},
                      {"http://site/a.htm", Page("A", {"c.htm"})},
                      {"http://site/b.htm", Page("B", {})},
                      {"http://site/c.htm", Page("C", {})}};
    form_ = std::make_unique<TRForm>(db_, reselect_, nullptr, fetcher_.get());
  }
  void cleanup() {
    form_.reset();
    fetcher_.reset();
  }

  void TheWindowAsDesigned() {
    QCOMPARE(Form().windowTitle(), QString("Index"));
    QCOMPARE(Form().size(), QSize(382, 385));
    QCOMPARE(Form().Pages->tabText(0), QString("Connection"));
    QCOMPARE(Form().AllRadio->text(), QString("Add &all pages (Ignore duplicates)"));
    QCOMPARE(Form().UpdateRadio->text(),
             QString("Add new and &update pages where the content has changed"));
    QCOMPARE(Form().NewRadio->text(), QString("&Just add new pages"));
    QVERIFY(Form().Memo->isReadOnly());
  }

  void ShowCrawlsAndOkMergesAllPages() {
    Show();
    WaitUntilFinished();
    QCOMPARE(MemoLines(Form()),
             QStringList({"Connecting ...", "Reading http://site/", "Reading http://site/a.htm",
                          "Reading http://site/b.htm", "Reading http://site/c.htm", "",
                          "Index complete.", ""}));
    QCOMPARE(Form().Progress->value(), 4);
    QCOMPARE(Form().Progress->maximum(), 4);
    QVERIFY(Form().AllRadio->isChecked() && Form().AllRadio->isEnabled());
    // With an empty record list only "Add all pages" can be chosen.
    QVERIFY(!Form().UpdateRadio->isEnabled());
    QVERIFY(!Form().NewRadio->isEnabled());
    QVERIFY(Form().OKButton->isEnabled());
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(Form().result(), int(QDialog::Accepted));
    QVERIFY(!Form().isVisible());
    QCOMPARE(db_.records.lines(),
             (std::vector<std::string>{"0^Home^http://site/^^^0", "0^A^http://site/a.htm^^^0",
                                       "0^B^http://site/b.htm^^^0", "0^C^http://site/c.htm^^^0"}));
    QCOMPARE(reselect_, 3LL);
    QVERIFY(db_.dirty);
    QVERIFY(Form().Memo->toPlainText().isEmpty());  // cleared on closing
  }

  void AFolderSourceIsShownAndReadInsteadOfTheWeb() {
    QTemporaryDir site;
    std::ofstream(site.filePath("index.html").toStdString()) << Page("Folder home", {"a.htm"});
    std::ofstream(site.filePath("a.htm").toStdString()) << Page("Folder A", {});
    QVERIFY(db_.extra.Set("folder", site.path().toStdString()));
    Show();
    WaitUntilFinished();
    QVERIFY(Form().SourceLabel->toolTip().startsWith("Reading the folder " + site.path()));
    QVERIFY(Form().SourceLabel->toolTip().endsWith(" as http://site/"));
    QCOMPARE(MemoLines(Form()),
             QStringList({"Connecting ...", "Reading http://site/", "Reading http://site/a.htm", "",
                          "Index complete.", ""}));
    QVERIFY(fetcher_->gets.empty());
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(db_.records.lines(),
             (std::vector<std::string>{"0^Folder home^http://site/^^Folder^0",
                                       "0^Folder A^http://site/a.htm^^Folder^0"}));

    // Without the folder, the web again.
    db_.extra = ExtraSettings();
    Show();
    WaitUntilFinished();
    QCOMPARE(Form().SourceLabel->toolTip(), QString("Reading over the web: http://site/"));
  }

  void UpdateModeWithAnExistingList() {
    db_.records.Assign({"0^Old^/a.htm^^^1", "1^B^http://site/b.htm^^^0"});
    Show();
    WaitUntilFinished();
    QVERIFY(Form().UpdateRadio->isEnabled() && Form().NewRadio->isEnabled());
    // With records in the list, Update is the choice Enter takes.
    QVERIFY(Form().UpdateRadio->isChecked());
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(db_.records.lines(),
             (std::vector<std::string>{"0^A^http://site/a.htm^^^1", "1^B^http://site/b.htm^^^0",
                                       "0^Home^http://site/^^^0", "0^C^http://site/c.htm^^^0"}));
    QCOMPARE(reselect_, 3LL);
  }

  void ARedirectedStartIsToldAndCrawledWhereItEnds() {
    fetcher_->redirects = {{"http://site/", "https://site/"}};
    fetcher_->site = {{"https://site/", Page("Home", {"a.htm"})},
                      {"https://site/a.htm", Page("A", {})}};
    db_.records.Assign({"0^Old^/a.htm^^^1"});
    Show();
    WaitUntilFinished();
    QCOMPARE(MemoLines(Form()),
             QStringList({"Connecting ...", "Redirected to https://site/",
                          "Put this address into the site address to start there directly.",
                          "Reading https://site/", "Reading https://site/a.htm", "",
                          "Index complete.", ""}));
    // The local address is compared under the root the redirect ended at.
    Form().UpdateRadio->click();
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(db_.records.lines(),
             (std::vector<std::string>{"0^A^https://site/a.htm^^^1", "0^Home^https://site/^^^0"}));
  }

  void AnUnreachableStartLeavesOnlyCancel() {
    db_.settings.site_address = "nowhere/";
    Show();
    QTRY_VERIFY_WITH_TIMEOUT(MemoLines(Form()).contains("Index stopped."), kCrawlWaitMs);
    QCOMPARE(MemoLines(Form()),
             QStringList({"Connecting ...", "Invalid address or site unavailable.",
                          "The server answered \"404\".", "", "Index stopped."}));
    QTRY_VERIFY(!Form().crawling());
    QVERIFY(!Form().OKButton->isEnabled());
    QVERIFY(!Form().AllRadio->isEnabled());
    QTest::mouseClick(Form().CancelButton, Qt::LeftButton);
    QCOMPARE(Form().result(), int(QDialog::Rejected));
    QVERIFY(db_.records.empty());
    QVERIFY(!db_.dirty);
  }

  void ASettingThatIsNotAWholeNumberIsToldAndNothingIsFetched() {
    db_.settings.timeout_index = "thirty";
    Show();
    QTRY_VERIFY(MemoLines(Form()).contains("Index stopped."));
    QCOMPARE(MemoLines(Form())[0],
             QString("The timeout index \"thirty\" in the database settings is not a whole "
                     "number; choose a value in the Options dialog."));
    QVERIFY(fetcher_->gets.empty());
    QVERIFY(!Form().OKButton->isEnabled());
  }

  void LinesShowWhileTheCrawlRunsAndStopKeepsWhatWasRead() {
    fetcher_->blocking = {"http://site/b.htm"};
    Show();
    // The window answers while a fetch hangs: the earlier pages are shown.
    QTRY_VERIFY_WITH_TIMEOUT(MemoLines(Form()).contains("Reading http://site/a.htm"), kCrawlWaitMs);
    QVERIFY(Form().crawling());
    QVERIFY(Form().StopButton->isEnabled());
    QVERIFY(!Form().OKButton->isEnabled());
    QTest::mouseClick(Form().StopButton, Qt::LeftButton);
    WaitUntilFinished();
    QCOMPARE(MemoLines(Form()).mid(MemoLines(Form()).size() - 2),
             QStringList({"Index stopped.", ""}));
    QTRY_VERIFY(Form().OKButton->isEnabled());
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(db_.records.size(), size_t(2));  // Home and A
  }

  void CancelDuringACrawlStopsItAndMergesNothing() {
    fetcher_->blocking = {"http://site/a.htm"};
    Show();
    QTRY_VERIFY_WITH_TIMEOUT(fetcher_->get_count() >= 3, kCrawlWaitMs);
    QVERIFY(Form().crawling());
    QTest::mouseClick(Form().CancelButton, Qt::LeftButton);
    QVERIFY(!Form().isVisible());
    QVERIFY(!Form().crawling());
    QCOMPARE(Form().result(), int(QDialog::Rejected));
    QVERIFY(db_.records.empty());
    QVERIFY(!db_.dirty);
    QCOMPARE(reselect_, -7LL);
    // Reports still under way never reach the closed window's log.
    QTest::qWait(50);
    QVERIFY(Form().Memo->toPlainText().isEmpty());
  }

  void EscapeDuringACrawlClosesTheWindow() {
    fetcher_->blocking = {"http://site/"};
    Show();
    QTRY_VERIFY_WITH_TIMEOUT(fetcher_->get_count() >= 1, kCrawlWaitMs);
    QTest::keyClick(&Form(), Qt::Key_Escape);
    QVERIFY(!Form().isVisible());
    QVERIFY(!Form().crawling());
  }

  void TheWindowIsReusedForTheNextCrawl() {
    Show();
    WaitUntilFinished();
    Form().reject();
    fetcher_->site.erase("http://site/c.htm");
    Show();
    QVERIFY(Form().Memo->toPlainText().isEmpty() ||
            MemoLines(Form())[0] == QString("Connecting ..."));
    WaitUntilFinished();
    QCOMPARE(MemoLines(Form()).count(), 7);  // three pages this time
    QTest::mouseClick(Form().OKButton, Qt::LeftButton);
    QCOMPARE(db_.records.size(), size_t(3));
  }
};

// The Index command of the main window against a site on nginx, read by
// the window's own HTTP client.
class IndexInMainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void IndexMergesRenumbersAndSelectsTheLastRow() {
    duvra::testing::NginxServer server;
    if (!server.ok()) QSKIP(server.error().c_str());
    server.WritePage("/index.html", Page("Home", {"one.html", "Two.html", "gone.html"}));
    server.WritePage("/one.html", Page("One", {"index.html"}));
    server.WritePage("/Two.html", Page("Two", {"one.html#x"}));

    duvra::testing::AppTestEnv env;
    const std::string header = env.DataPath("site.duv");
    duvra::testing::WriteDatabase(header, 2, "127.0.0.1:" + std::to_string(server.port()) + "/");
    TMForm form;
    duvra::testing::ScriptedPrompter prompter;
    form.SetPrompter(&prompter);
    QStringList seen;
    form.SetDialogRunner([&](QDialog& d) {
      auto* index = qobject_cast<TRForm*>(&d);
      if (!index) return 0;
      seen << d.windowTitle();
      d.show();
      if (!QTest::qWaitFor([&] { return index->OKButton->isEnabled(); }, kCrawlWaitMs)) {
        return 0;
      }
      seen << MemoLines(*index).filter("Reading ");
      QTest::mouseClick(index->OKButton, Qt::LeftButton);
      return d.result();
    });
    form.show();
    QVERIFY(form.commands().OpenHeaderPath(header));
    QVERIFY(duvra::testing::Act(form, "TBXIndex")->isEnabled());
    duvra::testing::Act(form, "TBXIndex")->trigger();

    const std::string base = server.Url("");
    QCOMPARE(seen, QStringList({"Index", QString::fromStdString("Reading " + base + "/"),
                                QString::fromStdString("Reading " + base + "/one.html"),
                                QString::fromStdString("Reading " + base + "/Two.html"),
                                QString::fromStdString("Reading " + base + "/index.html")}));
    const Database& db = form.db();
    QCOMPARE(db.records.size(), size_t(6));
    QCOMPARE(db.records.line(2), "2^Home^" + base + "/^^^0");
    QCOMPARE(db.records.line(5), "5^Home^" + base + "/index.html^^^0");
    QVERIFY(db.dirty);
    QCOMPARE(db.records.SelectedRows(), std::vector<size_t>{5});
    QCOMPARE(form.EditList->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(form.EditList->selectionModel()->selectedRows()[0].row(), 5);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = 0;
  {
    TRFormTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  {
    IndexInMainWindowTest t;
    status |= QTest::qExec(&t, argc, argv);
  }
  return status;
}

#include "tr_form_test.moc"
