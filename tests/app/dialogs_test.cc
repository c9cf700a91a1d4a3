// The Customise, Start and About dialogs: what they show, store and choose.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "app/help_adapter.h"
#include "app/ta_form.h"
#include "app/tc_form.h"
#include "app/ts_form.h"
#include "app_test_support.h"

using namespace duvra;
using namespace duvra::testing;

class DialogsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<AppTestEnv> env_;

 private slots:
  void init() { env_ = std::make_unique<AppTestEnv>(); }
  void cleanup() { env_.reset(); }

  void CustomiseShowsStoredFlagsOnlyWhenExactlyOne() {
    SetLm(kCustomiseKey, "ScreenTips", "1");
    SetLm(kCustomiseKey, "Shortcuts", "yes");
    SetLm(kCustomiseKey, "Entries", "6");
    SetLm(kCustomiseKey, "Start", "1");
    TCForm form;
    QCOMPARE(form.windowTitle(), QString("Customise"));
    QCOMPARE(form.StartCheck->text(), QString("&Show Open | Getting Started when Duvra starts"));
    form.show();
    QVERIFY(form.ScreenTipsCheck->isChecked());
    QVERIFY(!form.ShortcutsCheck->isChecked());
    QVERIFY(form.ShortcutsCheck->isEnabled());
    QVERIFY(form.MRUCheck->isChecked());  // "Recent" absent: the list is on
    QVERIFY(form.MRUComboBox->isEnabled());
    QVERIFY(form.MRUEntriesLabel->isEnabled());
    QCOMPARE(form.MRUComboBox->currentText(), QString("6"));
    QVERIFY(form.StartCheck->isChecked());
    QCOMPARE(form.PageControl->currentIndex(), 0);
  }

  void CustomiseOkStoresEveryControlDisabledOnesToo() {
    SetLm(kCustomiseKey, "ScreenTips", "1");
    SetLm(kCustomiseKey, "Shortcuts", "1");
    TCForm form;
    form.show();
    form.PageControl->setCurrentIndex(1);
    QTest::mouseClick(form.ScreenTipsCheck, Qt::LeftButton);  // clears it
    QVERIFY(!form.ShortcutsCheck->isEnabled());
    QVERIFY(form.ShortcutsCheck->isChecked());
    form.PageControl->setCurrentIndex(0);
    QTest::mouseClick(form.MRUCheck, Qt::LeftButton);  // clears it
    QVERIFY(!form.MRUComboBox->isEnabled());
    form.MRUComboBox->setCurrentIndex(8);
    form.OKButton->click();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(GetLm(kCustomiseKey, "ScreenTips"), std::string("0"));
    QCOMPARE(GetLm(kCustomiseKey, "Shortcuts"), std::string("1"));
    QCOMPARE(GetLm(kCustomiseKey, "Entries"), std::string("9"));
    QCOMPARE(GetLm(kCustomiseKey, "Recent"), std::string("0"));
    QCOMPARE(GetLm(kCustomiseKey, "Start"), std::string("0"));
  }

  void CustomiseWithAbsentRecentKeepsTheListOn() {
    // The main window reads only "0" as off; OK after a look at the dialog
    // must not switch the list off.
    TCForm form;
    form.show();
    form.OKButton->click();
    QCOMPARE(GetLm(kCustomiseKey, "Recent"), std::string("1"));
    QCOMPARE(GetLm(kCustomiseKey, "Entries"), std::string("4"));  // the default count
  }

  void CustomiseCancelStoresNothingAndShowReloads() {
    TCForm form;
    form.show();
    QTest::mouseClick(form.StartCheck, Qt::LeftButton);
    form.CancelButton->click();
    QCOMPARE(GetLm(kCustomiseKey, "Start"), std::string());
    form.show();
    QVERIFY(!form.StartCheck->isChecked());
    form.HelpButton->click();
    QVERIFY(HelpBrowser()->source().toString().endsWith("help/1004.html"));
    HtmlHelpCloseAll();
  }

  void StartWithoutRecentFilesOffersNew() {
    RecentFiles recent;
    std::string choice;
    TSForm form(recent, &choice);
    form.show();
    QCOMPARE(form.StartList->count(), 1);
    QCOMPARE(form.StartList->item(0)->text(), QString("More Files..."));
    QVERIFY(form.NewRadio->isChecked());
    QVERIFY(!form.StartList->isEnabled());
    form.OKButton->click();
    QCOMPARE(choice, std::string("1"));
    QCOMPARE(GetLm(kCustomiseKey, "Start"), std::string("0"));
  }

  void StartWithRecentFilesOffersOpenAndShortensLongPaths() {
    RecentFiles recent;
    recent.Add("/home/me/sites/shop/shop.duv");
    recent.Add("/srv/a.duv");
    std::string choice;
    TSForm form(recent, &choice);
    SetLm(kCustomiseKey, "Start", "1");
    form.show();
    QVERIFY(form.OpenRadio->isChecked());
    QVERIFY(form.StartList->isEnabled());
    QVERIFY(form.StartCheck->isChecked());
    QCOMPARE(form.StartList->item(1)->text(), QString("/srv/a.duv"));
    QCOMPARE(form.StartList->item(2)->text(), QString("/home/.../shop/shop.duv"));
    form.OKButton->click();
    QCOMPARE(choice, std::string("2"));  // "More Files..." was selected
    QCOMPARE(GetLm(kCustomiseKey, "Start"), std::string("1"));

    form.show();
    QCOMPARE(form.StartList->count(), 3);  // not listed twice
    const QPoint third = form.StartList->visualItemRect(form.StartList->item(2)).center();
    QTest::mouseClick(form.StartList->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(form.StartList->viewport(), Qt::LeftButton, {}, third);
    QCOMPARE(choice, std::string("/home/me/sites/shop/shop.duv"));
    QVERIFY(!form.isVisible());
  }

  void StartCancelKeepsChoiceButStoresTheCheck() {
    RecentFiles recent;
    recent.Add("/srv/a.duv");
    std::string choice;
    TSForm form(recent, &choice);
    form.show();
    QTest::mouseClick(form.StartCheck, Qt::LeftButton);
    form.CancelButton->click();
    QVERIFY(choice.empty());
    QCOMPARE(GetLm(kCustomiseKey, "Start"), std::string("1"));
    form.show();
    form.StartList->clearSelection();
    form.OKButton->click();  // nothing selected: the choice stays
    QVERIFY(choice.empty());
  }

  void StartRadioSwitchesTheList() {
    RecentFiles recent;
    recent.Add("/srv/a.duv");
    std::string choice = "old";
    TSForm form(recent, &choice);
    form.show();
    QTest::mouseClick(form.NewRadio, Qt::LeftButton);
    QVERIFY(!form.StartList->isEnabled());
    form.OKButton->click();
    QCOMPARE(choice, std::string("1"));
  }

  void AboutShowsVersionAndClosesBothWays() {
    TAForm form;
    QCOMPARE(form.windowTitle(), QString("About Duvra"));
    QCOMPARE(form.PageControl->tabText(0), QString("About"));
    QVERIFY(form.AboutMemo->isReadOnly());
    QCOMPARE(form.AboutMemo->focusPolicy(), Qt::NoFocus);
    QVERIFY(form.AboutMemo->toPlainText().contains("1.01"));
    QVERIFY(!form.Logo->pixmap().isNull());
    QTimer::singleShot(0, &form, [&] { QTest::keyClick(&form, Qt::Key_Escape); });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QTimer::singleShot(0, &form, [&] { form.OKButton->click(); });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
  }

  void HelpTargetsNameTheirTopics() {
    QCOMPARE(HelpTopicOf("Duvra.chm"), QString("index.html"));
    QCOMPARE(HelpTopicOf("Duvra.chm::/2000.html"), QString("2000.html"));
    for (const char* topic : {"index.html", "started.html", "7000.html", "1004.html", "2000.html",
                              "4001.html", "5000.html", "6000.html"}) {
      QVERIFY2(QFile::exists(HelpFolder() + topic), topic);
    }
    HtmlHelp("Duvra.chm::/nothing.html");
    QVERIFY(HelpBrowser()->toPlainText().contains("nothing.html"));
    HtmlHelp("Duvra.chm::/2000.html");
    HtmlHelp("Duvra.chm::/started.html");
    HelpBrowser()->backward();
    QVERIFY(HelpBrowser()->source().toString().endsWith("2000.html"));
    HtmlHelpCloseAll();
  }

  // A modal dialog blocks every window but its children: help asked for
  // from a dialog must belong to it, and go back to standing alone after.
  void HelpFromAModalDialogBelongsToIt() {
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
    HtmlHelp("Duvra.chm::/2000.html");
    QCOMPARE(HelpWindow()->parentWidget(), &dialog);
    QVERIFY(HelpWindow()->isWindow());
    QVERIFY(HelpWindow()->isVisible());
    dialog.hide();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    HtmlHelp("Duvra.chm::/started.html");
    QCOMPARE(HelpWindow()->parentWidget(), nullptr);
    QVERIFY(HelpWindow()->isVisible());
    QVERIFY(HelpBrowser()->source().toString().endsWith("started.html"));
    HtmlHelpCloseAll();
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
