// Alt mnemonics of the dialogs: every labelled control a user tabs to can
// be reached with Alt+letter, and no letter is taken twice in one dialog
// (Qt would then only cycle the focus instead of acting).
#include <QAbstractButton>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/tb_form.h"
#include "app/tc_form.h"
#include "app/te_form.h"
#include "app/ti_form.h"
#include "app/to_form.h"
#include "app/tr_form.h"
#include "app/ts_form.h"
#include "app_test_support.h"
#include "database/commands.h"
#include "indexer/fake_fetcher.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using namespace duvra::testing;

namespace {

// OK and Cancel answer to Enter and Esc.
bool NeedsMnemonic(const QWidget* w) {
  const QString name = w->objectName();
  return name != "OKButton" && name != "CancelButton";
}

// The tab page a widget lies on, or null for the dialog's own controls. Qt
// gives Alt only to visible widgets, so pages may reuse each other's letters
// but none may reuse a letter of the dialog's own controls.
const QWidget* PageOf(const QWidget* w) {
  for (const QWidget* p = w; p && p->parentWidget(); p = p->parentWidget()) {
    const QWidget* up = p->parentWidget();
    if (qobject_cast<const QStackedWidget*>(up) &&
        qobject_cast<const QTabWidget*>(up->parentWidget())) {
      return p;
    }
  }
  return nullptr;
}

// Checks the widgets of window and names each fault in the message.
QStringList MnemonicFaults(QWidget& window) {
  QStringList faults;
  // page -> (letter -> the text that has it); the null page is the dialog's.
  QMap<const QWidget*, QMap<QString, QString>> taken;
  auto take = [&](const QWidget* w, const QString& text) {
    const QKeySequence key = QKeySequence::mnemonic(text);
    if (key.isEmpty()) return false;
    const QString letter = key.toString();
    const QWidget* page = PageOf(w);
    for (auto it = taken.begin(); it != taken.end(); ++it) {
      if (page && it.key() && it.key() != page) continue;  // another page
      if (it->contains(letter)) {
        faults << QString("%1 in \"%2\" and \"%3\"").arg(letter, it->value(letter), text);
      }
    }
    taken[page][letter] = text;
    return true;
  };
  for (QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
    if (qobject_cast<QToolButton*>(b)) continue;  // toolbar and tab-bar arrows: icons
    if (!take(b, b->text()) && NeedsMnemonic(b)) faults << "no mnemonic: " + b->text();
  }
  for (QLabel* l : window.findChildren<QLabel*>()) {
    const bool has = take(l, l->text());
    // Without a buddy the "&" would show as it is.
    if (has && !l->buddy()) faults << "no buddy: " + l->text();
    if (!has && l->buddy() && NeedsMnemonic(l)) faults << "no mnemonic: " + l->text();
  }
  for (QMenuBar* bar : window.findChildren<QMenuBar*>()) {
    for (QAction* a : bar->actions()) {
      if (!take(bar, a->text())) faults << "no mnemonic: menu " + a->text();
    }
  }
  return faults;
}

}  // namespace

class MnemonicsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<AppTestEnv> env_;
  Database db_;
  ScriptedPrompter prompter_;
  long long reselect_ = -1;

  void Check(QWidget& window) {
    const QStringList faults = MnemonicFaults(window);
    QVERIFY2(faults.isEmpty(), qPrintable(window.objectName() + ": " + faults.join("; ")));
  }

 private slots:
  void init() {
    env_ = std::make_unique<AppTestEnv>();
    db_ = Database();
    db_.open = true;
    db_.records.Assign({"0^Home^http://site/^Welcome^home^0"});
  }
  void cleanup() { env_.reset(); }

  void EachDialogHasUniqueMnemonics() {
    {
      TOForm form(db_, prompter_);
      Check(form);
    }
    {
      TBForm form(db_, prompter_);
      Check(form);
    }
    {
      TIForm form(db_, prompter_);
      Check(form);
    }
    {
      TCForm form;
      Check(form);
    }
    {
      RecentFiles recent;
      std::string choice;
      TSForm form(recent, &choice);
      Check(form);
    }
    {
      FakeFetcher fetcher;  // never used: the window is not shown
      TRForm form(db_, reselect_, nullptr, &fetcher);
      Check(form);
    }
    {
      TEForm form(db_, reselect_, prompter_);
      Check(form);
    }
  }

  // The checker itself: a clash and a label whose "&" would show are found.
  void ClashesAndLabelsWithoutBuddyAreFound() {
    QDialog d;
    auto* label = new QLabel("&Name:", &d);
    auto* add = new QPushButton("&Add", &d);
    new QPushButton("&All", &d);
    QCOMPARE(MnemonicFaults(d),
             (QStringList{"Alt+A in \"&Add\" and \"&All\"", "no buddy: &Name:"}));
    label->setBuddy(add);
    QCOMPARE(MnemonicFaults(d), QStringList{"Alt+A in \"&Add\" and \"&All\""});
  }
};

QTEST_MAIN(MnemonicsTest)
#include "mnemonics_test.moc"
