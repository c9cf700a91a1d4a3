// The yes/no and OK message windows: width rule, button places, results,
// Escape, focus, and the Qt prompter that shows them.
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/qt_prompter.h"
#include "app/tk_form.h"
#include "app/tw_form.h"

using namespace duvra;

class MessageWindowsTest : public QObject {
  Q_OBJECT

  // Runs `act` on the dialog once its modal loop is running, then returns
  // the dialog's result.
  static int ExecWith(QDialog& dialog, std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, &dialog, [&dialog, act] {
      QTRY_VERIFY(dialog.isVisible());
      act(dialog);
    });
    return dialog.exec();
  }

 private slots:
  void WidthFollowsTheMainLineOnly() {
    TKForm form;
    // A short question keeps a minimum width, so Yes stays inside it.
    form.SetMessage("short", "");
    const int short_width = form.width();
    QCOMPARE(short_width, kMessageMinWidth);
    QVERIFY(short_width < kMessageDesignWidth);
    QCOMPARE(form.NoButton->x(), short_width - 94);
    QCOMPARE(form.YesButton->x(), short_width - 180);
    QVERIFY(form.YesButton->x() > 0);
    form.SetMessage("A main line wider than the minimum width of the window", "");
    QCOMPARE(form.width(), form.MainLabel->sizeHint().width() + kMessageWidthPadding);
    form.SetMessage("short", "A second line that is far longer than the main line of the window");
    QVERIFY(form.SecLabel->width() > form.width());  // cut off by the edge

    const QString long_line =
        QString("/some/long/folder/name/").repeated(8) + "site.duv already exists.";
    form.SetMessage(long_line, "Replace this file?");
    QVERIFY(form.width() > kMessageDesignWidth);
    QCOMPARE(form.height(), kMessageHeight);
    QCOMPARE(form.NoButton->x(), form.width() - 94);
    QCOMPARE(form.YesButton->x(), form.width() - 180);
    QCOMPARE(form.YesButton->y(), 52);
    QCOMPARE(form.YesButton->size(), QSize(80, 23));
    QCOMPARE(form.windowTitle(), QString("Duvra"));

    TWForm ok;
    ok.SetMessage(long_line);
    QCOMPARE(ok.width(), ok.MainLabel->sizeHint().width() + kMessageWidthPadding);
    QCOMPARE(ok.OKButton->x(), ok.width() - 94);
    QVERIFY(ok.SecLabel->text().isEmpty());
  }

  void MainLineIsShownAsPlainText() {
    TKForm form;
    form.SetMessage("<b>a&b</b>.duv already exists.", "");
    QCOMPARE(form.MainLabel->textFormat(), Qt::PlainText);
  }

  void YesNoResults() {
    TKForm form;
    form.SetMessage("Do you want to save the changes to db?", "");
    QCOMPARE(ExecWith(form, [](QDialog& d) { static_cast<TKForm&>(d).YesButton->click(); }), 6);
    QCOMPARE(ExecWith(form, [](QDialog& d) { static_cast<TKForm&>(d).NoButton->click(); }), 7);
    QCOMPARE(ExecWith(form, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), 7);
    QCOMPARE(ExecWith(form,
                      [](QDialog& d) {
                        QCloseEvent close;
                        QApplication::sendEvent(&d, &close);
                      }),
             2);
    // The texts stay for the next use.
    QCOMPARE(form.MainLabel->text(), QString("Do you want to save the changes to db?"));
  }

  void FocusStartsOnYesAndOk() {
    TKForm form;
    form.SetMessage("question", "");
    QWidget* focused = nullptr;
    ExecWith(form, [&](QDialog& d) {
      QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == &d);
      focused = QApplication::focusWidget();
      d.done(2);
    });
    QCOMPARE(focused, form.YesButton);
    // Return answers the focused button.
    QCOMPARE(ExecWith(form, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }), 6);

    TWForm ok;
    ok.SetMessage("news");
    ExecWith(ok, [&](QDialog& d) {
      QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == &d);
      focused = QApplication::focusWidget();
      d.done(1);
    });
    QCOMPARE(focused, ok.OKButton);
  }

  void OkResults() {
    TWForm ok;
    ok.SetMessage("Export to x.csv complete.");
    QCOMPARE(ExecWith(ok, [](QDialog& d) { static_cast<TWForm&>(d).OKButton->click(); }), 1);
    QCOMPARE(ExecWith(ok, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), 1);
    QCOMPARE(ExecWith(ok,
                      [](QDialog& d) {
                        QCloseEvent close;
                        QApplication::sendEvent(&d, &close);
                      }),
             2);
  }

  void PrompterMapsResultsAndTexts() {
    TKForm yes_no;
    TWForm ok;
    int next = kResultYes;
    QStringList seen;
    QtPrompter prompter(nullptr, yes_no, ok, [&](QDialog& d) {
      if (&d == &yes_no) seen << yes_no.MainLabel->text() + "|" + yes_no.SecLabel->text();
      if (&d == &ok) seen << ok.MainLabel->text();
      return next;
    });
    QCOMPARE(prompter.AskYesNo("a already exists.", "Replace this file?"), Answer::kYes);
    next = kResultNo;
    QCOMPARE(prompter.AskYesNo("q", ""), Answer::kNo);
    next = kResultClosed;
    QCOMPARE(prompter.AskYesNo("q", ""), Answer::kClosed);
    prompter.Notify("x no longer exists.");
    QCOMPARE(seen, (QStringList{"a already exists.|Replace this file?", "q|", "q|",
                                "x no longer exists."}));
  }

  void FileDialogsRestoreCurrentDirectoryAndAddNothing() {
    TKForm yes_no;
    TWForm ok;
    const QString before = QDir::currentPath();
    QString title;
    bool plain = false;
    QtPrompter prompter(nullptr, yes_no, ok, [&](QDialog& d) {
      auto& files = static_cast<QFileDialog&>(d);
      title = files.windowTitle();
      plain = files.testOption(QFileDialog::DontConfirmOverwrite) &&
              files.defaultSuffix().isEmpty() &&
              files.nameFilters() == QStringList{"Duvra database (*.duv)"};
      QDir::setCurrent(QDir::tempPath());
      files.selectFile(QDir::tempPath() + "/typed");
      return int(QDialog::Accepted);
    });
    auto chosen = prompter.ChooseSaveFile("New", "db1.duv", "Duvra database (*.duv)|*.duv");
    QCOMPARE(title, QString("New"));
    QVERIFY(plain);
    QVERIFY(chosen.has_value());
    QVERIFY(QString::fromStdString(*chosen).endsWith("/typed"));
    QCOMPARE(QDir::currentPath(), before);
  }

  void OpenDialogStartsAtTheGivenFile() {
    TKForm yes_no;
    TWForm ok;
    QTemporaryDir dir;
    const QString file = dir.path() + "/named.csv";
    QFile(file).open(QIODevice::WriteOnly);
    QString shown_dir;
    QStringList shown_files;
    QtPrompter prompter(nullptr, yes_no, ok, [&](QDialog& d) {
      auto& files = static_cast<QFileDialog&>(d);
      shown_dir = files.directory().absolutePath();
      shown_files = files.selectedFiles();
      return int(QDialog::Rejected);
    });
    prompter.ChooseOpenFile("Browse", "CSV files (*.csv)|*.csv", file.toStdString());
    QCOMPARE(shown_dir, QFileInfo(file).absolutePath());
    QCOMPARE(shown_files, QStringList{QFileInfo(file).absoluteFilePath()});
  }

  void CancelledFileDialogGivesNothing() {
    TKForm yes_no;
    TWForm ok;
    QtPrompter prompter(nullptr, yes_no, ok, [](QDialog&) { return int(QDialog::Rejected); });
    QVERIFY(!prompter.ChooseOpenFile("Open", "Duvra database (*.duv)|*.duv").has_value());
    QVERIFY(!prompter.ChooseFolder("Browse", "/").has_value());
  }

  void FiltersTranslateToQtForm() {
    QCOMPARE(QtFileFilter("Duvra database (*.duv)|*.duv"), QString("Duvra database (*.duv)"));
    QCOMPARE(QtFileFilter("CSV file|*.csv|All files (*.*)|*.*"),
             QString("CSV file (*.csv);;All files (*.*)"));
  }
};

QTEST_MAIN(MessageWindowsTest)
#include "message_windows_test.moc"
