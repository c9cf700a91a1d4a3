// The main window: menus, tool bar, the record list and the status bar over
// the open database state, which it owns for the whole run. Every menu,
// tool-bar and context-menu item is a QAction whose object name is the
// item's name (TBXNew, TBXSaveButton ...); the handlers carry the names of
// the commands and call the core, then apply its view state to the widgets.
#pragma once

#include <QMainWindow>
#include <memory>
#include <span>
#include <string>

#include "app/qt_prompter.h"
#include "app/widgets_fwd.h"
#include "database/commands.h"
#include "database/db_files.h"
#include "database/record_filter.h"
#include "database/view_state.h"

namespace duvra {

class RecordListModel;
class TAForm;
class TBForm;
class TCForm;
class TEForm;
class TIForm;
class TKForm;
class TOForm;
class TRForm;
class TSForm;
class TWForm;

// The main window's design geometry, used when no stored geometry is found.
inline constexpr int kDesignLeft = 315;
inline constexpr int kDesignTop = 288;
inline constexpr int kDesignWidth = 842;
inline constexpr int kDesignHeight = 639;
inline constexpr int kAddressBoxWidth = 190;
// Stored column widths outside these bounds fall back to the defaults.
inline constexpr int kMinColumnWidth = 8;
inline constexpr int kMaxColumnWidth = 4000;

class TMForm;

// Where a command's items sit: the menus, tool bar and site address box
// follow the view state, the list's context menu its own popup state.
enum class CommandPlace { kWindow, kPopup };

// One command of the view state and the items that show it (null members
// where it has none).
struct CommandItems {
  Command command;
  QAction* TMForm::*menu = nullptr;
  QAction* TMForm::*button = nullptr;
  QAction* TMForm::*popup = nullptr;
  QLineEdit* TMForm::*box = nullptr;
};

class TMForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMForm(QWidget* parent = nullptr);
  ~TMForm() override;

  // The state the other windows read and change while they are shown.
  Database& db() { return db_; }
  // Row to select after the record editor or the indexer closes.
  long long& reselect_index() { return reselect_index_; }
  // Where every question of every window goes.
  Prompter& prompter() { return prompter_; }
  ViewState& view_state() { return vs_; }
  RecentFiles& recent_files() { return recent_; }
  DatabaseCommands& commands() { return commands_; }
  // The Start dialog's choice for start-up: "", "1", "2" or a path.
  std::string& start_choice() { return start_choice_; }
  // The application title (the task-bar caption): "Duvra" or the database name.
  const QString& application_title() const { return application_title_; }

  // StateUpdate of the core, then the result shown on the widgets.
  void Refresh();
  // Shows the current view state and the record list (content and
  // selection) on the widgets, without recomputing the state.
  void ApplyViewState();
  // Every command's items, one row per command.
  static std::span<const CommandItems> CommandTable();
  // Switches the items of `place` on or off as `state` says.
  void ApplyEnabled(const CommandSet& state, CommandPlace place);
  // After the record editor or the indexer: renumber, select the row at the
  // reselect index, refresh.
  void ReselectAfterWindow();
  // Shows a dialog modally through the dialog runner. Every window of the
  // program shows its dialogs this way so that tests can answer them.
  int ExecDialog(QDialog& dialog);
  // Shows the record editor, opened by the caller, and the list as it
  // leaves it.
  void RunRecordEditor();
  // Where file dialogs start: the open database's folder, else the user's
  // documents folder.
  QString DialogStartFolder() const;

  // Test hooks: answer questions from a script instead of the message
  // windows (null restores them), and run dialogs without a modal loop.
  void SetPrompter(Prompter* prompter);
  void SetDialogRunner(DialogRunner runner);
  // Whether the tool bar currently shows its tips.
  bool toolbar_tips_shown() const { return show_tips_; }
  const RecordFilter& filter() const { return filter_; }

  // Widgets, named like the items they are.
  QTableView* EditList = nullptr;   // the record table
  QLineEdit* FilterEdit = nullptr;  // the record table's filter box
  QWidget* FilterBar = nullptr;     // the filter box with its label
  QLineEdit* TBXAddressEdit = nullptr;
  QToolBar* TBXToolbar = nullptr;
  QMenu* TBXMRUFiles = nullptr;  // the File menu, which holds the recent files
  QMenu* TBXPopupMenu = nullptr;
  QLabel* StatusPanel0 = nullptr;
  QLabel* StatusPanel1 = nullptr;
  QTimer* StartTimerTimer = nullptr;

  // The items whose enabling or tips change, named as their objects are.
  QAction* TBXClose = nullptr;
  QAction* TBXSave = nullptr;
  QAction* TBXSaveAs = nullptr;
  QAction* TBXExport = nullptr;
  QAction* TBXDelete = nullptr;
  QAction* TBXMoveUp = nullptr;
  QAction* TBXMoveDown = nullptr;
  QAction* TBXSubAddress = nullptr;  // the Address submenu
  QAction* TBXClear = nullptr;
  QAction* TBXSelectAll = nullptr;
  QAction* TBXEditRecord = nullptr;
  QAction* TBXInsertNewRecord = nullptr;
  QAction* TBXInsertFile = nullptr;
  QAction* TBXIndex = nullptr;
  QAction* TBXOptions = nullptr;
  QAction* TBXNewRecord = nullptr;
  QAction* TBXCreate = nullptr;
  QAction* TBXNewButton = nullptr;
  QAction* TBXOpenButton = nullptr;
  QAction* TBXSaveButton = nullptr;
  QAction* TBXNewRecordButton = nullptr;
  QAction* TBXMoveUpButton = nullptr;
  QAction* TBXMoveDownButton = nullptr;
  QAction* TBXDeleteButton = nullptr;
  QAction* TBXCreateButton = nullptr;
  QAction* TBXOptionsButton = nullptr;
  QAction* TBXIndexButton = nullptr;
  QAction* TBXHelpButton = nullptr;
  QAction* TBXInsertNewRecordPop = nullptr;
  QAction* TBXDeletePop = nullptr;
  QAction* TBXMoveUpPop = nullptr;
  QAction* TBXMoveDownPop = nullptr;
  QAction* TBXEditRecordPop = nullptr;

 public slots:
  // File menu.
  void TBXNewClick();
  void TBXOpenClick();
  void TBXCloseClick();
  void TBXSaveClick();
  void TBXSaveAsClick();
  void TBXExportClick();
  void TBXMRUListClick(const std::string& path);
  void TBXExitClick();
  // Edit menu.
  void TBXDeleteClick();
  void TBXMoveUpClick();
  void TBXMoveDownClick();
  void TBXAbsoluteClick();
  void TBXLocalClick();
  void TBXClearClick();
  void TBXSelectAllClick();
  void TBXEditRecordClick();
  // Ctrl+F: the filter box takes the keyboard.
  void TBXFilterClick();
  void FilterEditChange(const QString& text);
  // Insert, Tools and Actions menus.
  void TBXInsertNewRecordClick();
  void TBXInsertFileClick();
  void TBXIndexClick();
  void TBXUpdateClick();
  void TBXCustomiseClick();
  void TBXOptionsClick();
  void TBXNewRecordClick();
  void TBXCreateClick();
  // Help menu.
  void TBXDuvraHelpClick();
  void TBXScriptsHelpClick();
  void TBXStartClick();
  void TBXWebClick();
  void TBXKnowledgeBaseClick();
  void TBXAboutClick();
  // The record list and the site address box.
  void EditListClick();
  void EditListDblClick();
  void TBXPopupMenuPopup();
  void TBXAddressEditChange(const QString& text);
  // Start-up.
  void FormShow();
  void ToolbarUpdate();
  void StartTimer();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreateToolbar();
  void CreateList();
  void CreateStatusBar();
  void RebuildRecentMenu();
  // The list's selection copied into the record list (user changes) and
  // back (after commands).
  void SelectionFromView();
  void SelectionToView();
  // Main window close: geometry, Close with its question, recent files.
  bool FormClose();
  // The filter's part of the state (count, Move enabling, hidden rows),
  // after a core rule has filled vs_.
  void ShowFilter();
  // Asks `question` (when not empty) with the yes/no window; true on Yes.
  bool Confirm(const std::string& question);
  void RestoreColumnWidths();
  void StoreColumnWidths();

  Database db_;
  ViewState vs_;
  RecentFiles recent_;
  long long reselect_index_ = 0;
  std::string start_choice_;
  QString application_title_ = QStringLiteral("Duvra");
  bool shown_once_ = false;
  bool syncing_selection_ = false;
  bool show_tips_ = false;
  bool was_open_ = false;  // the table takes the keyboard when a database opens
  RecordFilter filter_;
  DialogRunner dialog_runner_;

  // Windows, created once in the order of the program's start.
  TAForm* ta_form_ = nullptr;
  TBForm* tb_form_ = nullptr;
  TEForm* te_form_ = nullptr;
  TSForm* ts_form_ = nullptr;
  TWForm* tw_form_ = nullptr;
  TCForm* tc_form_ = nullptr;
  TRForm* tr_form_ = nullptr;
  TOForm* to_form_ = nullptr;
  TIForm* ti_form_ = nullptr;
  TKForm* tk_form_ = nullptr;

  std::unique_ptr<QtPrompter> qt_prompter_;
  PrompterSwitch prompter_;
  DatabaseCommands commands_;
  RecordListModel* model_ = nullptr;
  QAction* mru_top_separator_ = nullptr;
  QAction* mru_bottom_separator_ = nullptr;
  QList<QAction*> mru_actions_;
};

}  // namespace duvra
