// The main window's items, their enabling and captions, the record list
// and its selection, driven on the real widgets.
#include <QDesktopServices>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

#include "app/help_adapter.h"
#include "app/tm_form.h"
#include "app_test_support.h"
#include "support/scripted_prompter.h"

using namespace duvra;
using namespace duvra::testing;

// Catches the web links instead of starting a browser.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls << url; }
};

class TMFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppTestEnv> env_;
  std::unique_ptr<TMForm> form_;
  ScriptedPrompter prompter_;

  TMForm& Form() { return *form_; }
  bool On(const char* name) { return Act(Form(), name)->isEnabled(); }
  void Open(const std::string& header) { QVERIFY(Form().commands().OpenHeaderPath(header)); }
  QList<int> ViewRows() {
    QList<int> rows;
    for (const QModelIndex& i : Form().EditList->selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
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

  void MenusHoldTheItemsInOrder() {
    QStringList menus;
    for (QAction* a : Form().menuBar()->actions()) menus << Shown(a->text());
    QCOMPARE(menus, (QStringList{"File", "Edit", "Insert", "Tools", "Actions", "Help"}));
    auto menu = [&](const char* name) { return Form().findChild<QMenu*>(name); };
    QCOMPARE(MenuTexts(menu("TBXFileMenu")),
             (QStringList{"New...", "Open...", "Close", "-", "Save", "Save As...", "Export...", "-",
                          "-", "Exit"}));
    QCOMPARE(MenuTexts(menu("TBXEditMenu")),
             (QStringList{"Delete", "Move Up", "Move Down", "Address", "-", "Clear", "Select All",
                          "-", "Edit Record...", "Filter Records"}));
    QCOMPARE(MenuTexts(menu("TBXSubAddress")), (QStringList{"Absolute", "Local"}));
    QCOMPARE(MenuTexts(menu("TBXInsertMenu")), (QStringList{"New Record...", "File..."}));
    QCOMPARE(MenuTexts(menu("TBXToolsMenu")),
             (QStringList{"Index...", "Duvra Update", "-", "Customise...", "Options..."}));
    QCOMPARE(MenuTexts(menu("TBXActionsMenu")), (QStringList{"New Record...", "Create..."}));
    QCOMPARE(MenuTexts(menu("TBXHelpMenu")),
             (QStringList{"Duvra Help", "Duvra Scripts Help", "-", "Getting Started",
                          "Duvra on the Web", "Knowledge Base", "-", "About Duvra"}));
    QCOMPARE(MenuTexts(Form().TBXPopupMenu),
             (QStringList{"Insert New Record", "-", "Delete", "Move Up", "Move Down", "-",
                          "Edit Record..."}));

    const std::pair<const char*, const char*> shortcuts[] = {
        {"TBXNew", "Ctrl+N"},          {"TBXOpen", "Ctrl+O"},         {"TBXSave", "Ctrl+S"},
        {"TBXDelete", "Del"},          {"TBXMoveUp", "Ctrl+Up"},      {"TBXMoveDown", "Ctrl+Down"},
        {"TBXSelectAll", "Ctrl+A"},    {"TBXInsertNewRecord", "Ins"}, {"TBXIndex", "F7"},
        {"TBXNewRecord", "Ctrl+R"},    {"TBXCreate", "F9"},           {"TBXDuvraHelp", "F1"},
        {"TBXScriptsHelp", "Ctrl+F1"}, {"TBXFilter", "Ctrl+F"},       {"TBXEditRecord", "Return"}};
    for (auto [name, keys] : shortcuts) {
      QCOMPARE(Act(Form(), name)->shortcut(), QKeySequence(keys));
    }
  }

  void ToolbarHoldsButtonsBoxAndTexts() {
    QStringList items;
    QStringList with_text;
    for (QAction* a : Form().TBXToolbar->actions()) {
      if (a->isSeparator()) {
        items << "-";
        continue;
      }
      QWidget* w = Form().TBXToolbar->widgetForAction(a);
      if (w == Form().TBXAddressEdit) {
        items << "TBXAddressEdit";
        continue;
      }
      items << a->objectName();
      auto* button = qobject_cast<QToolButton*>(w);
      if (button->toolButtonStyle() != Qt::ToolButtonIconOnly) with_text << a->objectName();
    }
    QCOMPARE(items, (QStringList{"TBXNewButton", "TBXOpenButton", "TBXSaveButton", "-",
                                 "TBXNewRecordButton", "TBXMoveUpButton", "TBXMoveDownButton",
                                 "TBXDeleteButton", "-", "TBXCreateButton", "-", "TBXAddressEdit",
                                 "TBXOptionsButton", "TBXIndexButton", "-", "TBXHelpButton"}));
    QCOMPARE(with_text, (QStringList{"TBXCreateButton", "TBXOptionsButton", "TBXIndexButton"}));
    QCOMPARE(Form().TBXAddressEdit->width(), kAddressBoxWidth);
    QCOMPARE(Form().TBXAddressEdit->toolTip(), QString("Site Address"));
    QVERIFY(!Form().TBXToolbar->isMovable());
  }

  // Every command's row names live items in their places (a menu, the tool
  // bar, the context menu, the site address box), no item serves two rows,
  // and applying a state reaches each of them.
  void EveryCommandReachesLiveItems() {
    QCOMPARE(TMForm::CommandTable().size(), kCommandCount);
    QSet<QObject*> items;
    auto in_menu = [](QAction* a) {
      for (QObject* o : a->associatedObjects()) {
        if (qobject_cast<QMenu*>(o)) return true;
      }
      return false;
    };
    for (const CommandItems& row : TMForm::CommandTable()) {
      QVERIFY(row.menu || row.box);
      if (row.menu) {
        QAction* a = Form().*row.menu;
        QVERIFY(a && in_menu(a));
        QVERIFY(!items.contains(a));
        items << a;
      }
      if (row.button) {
        QAction* a = Form().*row.button;
        QVERIFY(a && Form().TBXToolbar->actions().contains(a));
        QVERIFY(!items.contains(a));
        items << a;
      }
      if (row.popup) {
        QAction* a = Form().*row.popup;
        QVERIFY(a && Form().TBXPopupMenu->actions().contains(a));
        QVERIFY(!items.contains(a));
        items << a;
      }
      if (row.box) QCOMPARE(Form().*row.box, Form().TBXAddressEdit);
    }
    CommandSet all;
    for (size_t i = 0; i < kCommandCount; ++i) all.Set(static_cast<Command>(i), true);
    for (const CommandSet& state : {all, CommandSet{}}) {
      const bool on = state == all;
      Form().ApplyEnabled(state, CommandPlace::kWindow);
      Form().ApplyEnabled(state, CommandPlace::kPopup);
      for (const CommandItems& row : TMForm::CommandTable()) {
        for (QAction* TMForm::*item : {row.menu, row.button, row.popup}) {
          if (item)
            QVERIFY2((Form().*item)->isEnabled() == on, qPrintable((Form().*item)->objectName()));
        }
        if (row.box) QCOMPARE((Form().*row.box)->isEnabled(), on);
      }
    }
  }

  void ClosedStateDisablesDatabaseItems() {
    QCOMPARE(ShownTitle(Form()), QString("Duvra"));
    QVERIFY(!Form().EditList->isVisible());
    QCOMPARE(Form().StatusPanel1->text(), QString("No Records"));
    for (const char* name :
         {"TBXClose",      "TBXSave",          "TBXSaveButton", "TBXSaveAs",
          "TBXExport",     "TBXInsertFile",    "TBXIndex",      "TBXIndexButton",
          "TBXOptions",    "TBXOptionsButton", "TBXNewRecord",  "TBXNewRecordButton",
          "TBXCreate",     "TBXCreateButton",  "TBXClear",      "TBXSelectAll",
          "TBXSubAddress", "TBXDelete",        "TBXMoveUp",     "TBXMoveDown"}) {
      QVERIFY2(!On(name), name);
    }
    QVERIFY(!Form().TBXAddressEdit->isEnabled());
    for (const char* name : {"TBXNew", "TBXOpen", "TBXExit", "TBXCustomise", "TBXAbout"}) {
      QVERIFY2(On(name), name);
    }
  }

  void OpenEmptyDatabaseEnablesOpenItemsOnly() {
    const std::string header = env_->DataPath("empty.duv");
    WriteDatabase(header, 0);
    Open(header);
    QCOMPARE(ShownTitle(Form()), QString("empty"));
    QCOMPARE(Form().application_title(), QString("empty"));
    QVERIFY(Form().EditList->isVisible());
    QCOMPARE(Form().StatusPanel1->text(), QString("No Records"));
    for (const char* name :
         {"TBXClose", "TBXSave", "TBXSaveButton", "TBXSaveAs", "TBXInsertFile", "TBXOptions",
          "TBXOptionsButton", "TBXNewRecord", "TBXNewRecordButton"}) {
      QVERIFY2(On(name), name);
    }
    for (const char* name : {"TBXExport", "TBXClear", "TBXSubAddress", "TBXSelectAll", "TBXCreate",
                             "TBXCreateButton", "TBXDelete", "TBXInsertNewRecord", "TBXIndex"}) {
      QVERIFY2(!On(name), name);
    }
    QVERIFY(Form().TBXAddressEdit->isEnabled());
  }

  void OpenFullDatabaseSelectsFirstRow() {
    const std::string header = env_->DataPath("full.duv");
    WriteDatabase(header, 3, "www.example.com");
    Open(header);
    QCOMPARE(Form().StatusPanel1->text(), QString("3 Records"));
    QCOMPARE(Form().EditList->model()->rowCount(), 3);
    QCOMPARE(RowText(Form().EditList->model(), 1), QString("1^Title 1^/p1.html^text^keys^0"));
    QCOMPARE(ViewRows(), QList<int>{0});
    QCOMPARE(Form().TBXAddressEdit->text(), QString("www.example.com"));
    for (const char* name : {"TBXIndex", "TBXIndexButton", "TBXExport", "TBXClear", "TBXSelectAll",
                             "TBXCreate", "TBXSubAddress", "TBXDelete", "TBXMoveDown"}) {
      QVERIFY2(On(name), name);
    }
    QVERIFY(!On("TBXMoveUp"));  // row 0 is selected
    QVERIFY(!On("TBXMoveUpButton"));

    Act(Form(), "TBXClose")->trigger();
    QCOMPARE(ShownTitle(Form()), QString("Duvra"));
    QVERIFY(Form().TBXAddressEdit->text().isEmpty());
    QVERIFY(!Form().TBXAddressEdit->isEnabled());
    QVERIFY(!On("TBXIndex"));
    QCOMPARE(Form().EditList->model()->rowCount(), 0);
  }

  void SelectionIsMirroredBothWays() {
    const std::string header = env_->DataPath("sel.duv");
    WriteDatabase(header, 6);
    Open(header);
    QTableView* list = Form().EditList;
    // A user's selection reaches the record list and the enabling.
    list->selectionModel()->select(
        QItemSelection(list->model()->index(2, 0), list->model()->index(2, 0)),
        QItemSelectionModel::ClearAndSelect);
    list->selectionModel()->select(list->model()->index(4, 0), QItemSelectionModel::Select);
    QCOMPARE(Form().db().records.SelectedRows(), (std::vector<size_t>{2, 4}));
    QVERIFY(On("TBXMoveUp") && On("TBXMoveDown"));

    // A command's selection reaches the view.
    Act(Form(), "TBXMoveUp")->trigger();
    QCOMPARE(ViewRows(), (QList<int>{1, 2, 3}));
    QCOMPARE(RowText(list->model(), 4), QString("4^Title 1^/p1.html^text^keys^0"));
    QVERIFY(Form().db().dirty);

    Act(Form(), "TBXSelectAll")->trigger();
    QCOMPARE(ViewRows().size(), 6);
    QVERIFY(!On("TBXMoveUp") && !On("TBXMoveDown"));

    prompter_.answers = {Answer::kYes};  // deleting every record is asked first
    Act(Form(), "TBXDelete")->trigger();
    QCOMPARE(Form().StatusPanel1->text(), QString("No Records"));
    QVERIFY(ViewRows().isEmpty());
    QVERIFY(!On("TBXDelete"));
  }

  void ClickingARowEnablesMoves() {
    const std::string header = env_->DataPath("click.duv");
    WriteDatabase(header, 3);
    Open(header);
    QTableView* list = Form().EditList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(2, 0)).center());
    QCOMPARE(Form().db().records.SelectedRows(), std::vector<size_t>{2});
    QVERIFY(On("TBXMoveUp"));
    QVERIFY(!On("TBXMoveDown"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      list->visualRect(list->model()->index(0, 0)).center());
    QCOMPARE(Form().db().records.SelectedRows(), (std::vector<size_t>{0, 1, 2}));
  }

  void ContextMenuRuleFollowsSelection() {
    const std::string header = env_->DataPath("pop.duv");
    WriteDatabase(header, 3);
    Open(header);
    Form().TBXPopupMenuPopup();
    QVERIFY(On("TBXInsertNewRecordPop") && On("TBXDeletePop") && On("TBXMoveDownPop"));
    QVERIFY(!On("TBXMoveUpPop"));
    Form().EditList->clearSelection();
    Form().TBXPopupMenuPopup();
    for (const char* name :
         {"TBXInsertNewRecordPop", "TBXDeletePop", "TBXMoveUpPop", "TBXMoveDownPop"}) {
      QVERIFY2(!On(name), name);
    }
  }

  void TypingTheSiteAddressSetsDirtyAndEnablesIndex() {
    const std::string header = env_->DataPath("addr.duv");
    WriteDatabase(header, 1);
    Open(header);
    QVERIFY(!On("TBXIndex"));
    QVERIFY(!Form().db().dirty);
    QTest::keyClicks(Form().TBXAddressEdit, "x");
    QVERIFY(Form().db().dirty);
    QCOMPARE(Form().db().settings.site_address, std::string("x"));
    QTest::keyClick(Form().TBXAddressEdit, Qt::Key_Backspace);
    QVERIFY(On("TBXIndex"));  // also when emptied
    QVERIFY(On("TBXIndexButton"));
    // The Delete key edits the box instead of deleting records.
    QCOMPARE(Form().db().records.size(), 1u);
  }

  void AbsoluteRewritesSelectedRowsInTheView() {
    const std::string header = env_->DataPath("abs.duv");
    WriteDatabase(header, 2, "www.example.com");
    Open(header);
    Act(Form(), "TBXAbsolute")->trigger();
    QCOMPARE(RowText(Form().EditList->model(), 0),
             QString("0^Title 0^http://www.example.com/p0.html^text^keys^0"));
    QCOMPARE(ViewRows(), QList<int>{0});
    QVERIFY(Form().db().dirty);
  }

  void RecentFilesShowInTheFileMenu() {
    Form().recent_files().Add("/data/b&c.duv");
    Form().recent_files().Add("/data/a.duv");
    Form().Refresh();
    QCOMPARE(MenuTexts(Form().TBXMRUFiles),
             (QStringList{"New...", "Open...", "Close", "-", "Save", "Save As...", "Export...", "-",
                          "1 /data/a.duv", "2 /data/b&c.duv", "-", "Exit"}));
    Act(Form(), "TBXMRUList2")->trigger();  // the file does not exist
    QCOMPARE(prompter_.log.back().text, std::string("/data/b&c.duv no longer exists."));
    QCOMPARE(Act(Form(), "TBXMRUList1")->text(), QString("&1 /data/b&&c.duv"));
  }

  void ToolbarTipsFollowTheSettings() {
    QVERIFY(!Form().toolbar_tips_shown());
    QCOMPARE(Act(Form(), "TBXNewButton")->toolTip(), QString("New"));
    SetLm(kCustomiseKey, "Shortcuts", "1");
    Form().ToolbarUpdate();
    QVERIFY(!Form().toolbar_tips_shown());  // texts carry shortcuts, but no tips show
    QCOMPARE(Act(Form(), "TBXNewButton")->toolTip(), QString("New (Ctrl+N)"));
    QCOMPARE(Act(Form(), "TBXHelpButton")->toolTip(), QString("Help (F1)"));
    QCOMPARE(Act(Form(), "TBXOptionsButton")->toolTip(), QString("Options"));
    SetLm(kCustomiseKey, "ScreenTips", "1");
    Form().ToolbarUpdate();
    QVERIFY(Form().toolbar_tips_shown());
  }

  void CustomiseRunsToolbarUpdateWhateverCloses() {
    bool shown = false;
    Form().SetDialogRunner([&](QDialog& d) {
      shown = d.objectName() == "TCForm";
      SetLm(kCustomiseKey, "Entries", "2");  // as if another OK had stored it
      return 0;
    });
    for (int i = 0; i < 3; ++i) Form().recent_files().Add("/d/" + std::to_string(i) + ".duv");
    Act(Form(), "TBXCustomise")->trigger();
    QVERIFY(shown);
    QCOMPARE(Form().recent_files().entries().size(), 2u);
  }

  void HelpItemsShowTheirTopics() {
    Act(Form(), "TBXScriptsHelp")->trigger();
    QVERIFY(HelpWindow() && HelpWindow()->isVisible());
    QVERIFY(HelpBrowser()->source().toString().endsWith("help/7000.html"));
    Act(Form(), "TBXHelpButton")->trigger();
    QVERIFY(HelpBrowser()->source().toString().endsWith("help/index.html"));
    Act(Form(), "TBXStart")->trigger();
    QVERIFY(HelpBrowser()->source().toString().endsWith("help/started.html"));
    HtmlHelpCloseAll();
    QVERIFY(!HelpWindow()->isVisible());
  }

  void WebLinksOpenTheMakersPages() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    Act(Form(), "TBXWeb")->trigger();
    Act(Form(), "TBXUpdate")->trigger();
    Act(Form(), "TBXKnowledgeBase")->trigger();
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(catcher.urls, (QList<QUrl>{QUrl("https://duvra.example/"),
                                        QUrl("https://duvra.example/update/update.pl?d=1.01"),
                                        QUrl("https://duvra.example/kb/")}));
  }

  void AboutShowsTheAboutDialog() {
    QString shown;
    Form().SetDialogRunner([&](QDialog& d) {
      shown = d.windowTitle();
      return 0;
    });
    Act(Form(), "TBXAbout")->trigger();
    QCOMPARE(shown, QString("About Duvra"));
  }

  void LargeListOpensWithOneModelRow() {
    const std::string header = env_->DataPath("large.duv");
    WriteDatabase(header, 100000);
    Open(header);
    QCOMPARE(Form().EditList->model()->rowCount(), 100000);
    QCOMPARE(Form().EditList->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    Form().EditList->scrollToBottom();
    Act(Form(), "TBXSelectAll")->trigger();
    QCOMPARE(Form().EditList->selectionModel()->selection().size(), 1);
    QCOMPARE(Form().StatusPanel1->text(), QString("100000 Records"));
  }
};

QTEST_MAIN(TMFormTest)
#include "tm_form_test.moc"
