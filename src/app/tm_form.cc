#include "app/tm_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QIcon>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <iterator>

#include "app/dialog_style.h"
#include "app/help_adapter.h"
#include "app/record_list_model.h"
#include "app/registry.h"
#include "app/ta_form.h"
#include "app/tb_form.h"
#include "app/tc_form.h"
#include "app/te_form.h"
#include "app/text_display.h"
#include "app/ti_form.h"
#include "app/tk_form.h"
#include "app/to_form.h"
#include "app/tr_form.h"
#include "app/ts_form.h"
#include "app/tw_form.h"
#include "app/web_links.h"
#include "app/window_action.h"
#include "database/address_conversion.h"
#include "database/data_dir.h"
#include "records/csv_export.h"
#include "records/record_import.h"

namespace duvra {
namespace {

// The workspace colour behind the list, seen while no database is open.
const QColor kWorkspaceColour(171, 171, 171);
constexpr int kFirstPanelWidth = 16;
// The record table's column widths, in characters of the table's font,
// when none are stored; and where they are stored.
constexpr int kDefaultColumnChars[kColumnCount] = {6, 28, 32, 44, 28, 14};
constexpr char kColumnsSetting[] = "Columns";

// A status bar panel that cuts its text with an ellipsis.
class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    drawFrame(&painter);
    QRect area = contentsRect().adjusted(2, 0, -2, 0);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
  }
};

std::string ReadCustomise(const char* name) {
  return ReadRegistryValue(RegistryRoot::kLocalMachine, kCustomiseKey, name);
}

// An integer setting; fallback when it is missing or not a number.
int ReadNumber(const char* key, const char* name, int fallback) {
  bool ok = false;
  int value =
      ToDisplay(ReadRegistryValue(RegistryRoot::kLocalMachine, key, name)).trimmed().toInt(&ok);
  return ok ? value : fallback;
}

// The recent files list's capacity from "Entries" and "Recent".
int RecentCapacitySetting() {
  if (ReadCustomise("Recent") == "0") return 0;
  return ReadNumber(kCustomiseKey, "Entries", kDefaultRecentCapacity);
}

// Tool-bar buttons with their tips, plain and with the shortcut key.
struct ButtonTip {
  QAction* TMForm::*button;
  const char* plain;
  const char* with_shortcut;
};
constexpr ButtonTip kButtonTips[] = {
    {&TMForm::TBXNewButton, "New", "New (Ctrl+N)"},
    {&TMForm::TBXOpenButton, "Open", "Open (Ctrl+O)"},
    {&TMForm::TBXSaveButton, "Save", "Save (Ctrl+S)"},
    {&TMForm::TBXNewRecordButton, "New Record", "New Record (Ctrl+R)"},
    {&TMForm::TBXMoveUpButton, "Move Up", "Move Up (Ctrl+Up)"},
    {&TMForm::TBXMoveDownButton, "Move Down", "Move Down (Ctrl+Down)"},
    {&TMForm::TBXDeleteButton, "Delete", "Delete (Del)"},
    {&TMForm::TBXCreateButton, "Create", "Create (F9)"},
    {&TMForm::TBXIndexButton, "Index", "Index (F7)"},
    {&TMForm::TBXHelpButton, "Help", "Help (F1)"},
};

// Each command of the view state and the items that show it; ApplyEnabled
// walks this table, so a command reaches its widgets without a name lookup.
constexpr CommandItems kCommandItems[] = {
    {Command::kClose, &TMForm::TBXClose},
    {Command::kSave, &TMForm::TBXSave, &TMForm::TBXSaveButton},
    {Command::kSaveAs, &TMForm::TBXSaveAs},
    {Command::kExport, &TMForm::TBXExport},
    {Command::kInsertFile, &TMForm::TBXInsertFile},
    {.command = Command::kAddressEdit, .box = &TMForm::TBXAddressEdit},
    {Command::kOptions, &TMForm::TBXOptions, &TMForm::TBXOptionsButton},
    {Command::kNewRecord, &TMForm::TBXNewRecord, &TMForm::TBXNewRecordButton},
    {Command::kIndex, &TMForm::TBXIndex, &TMForm::TBXIndexButton},
    {Command::kClear, &TMForm::TBXClear},
    {Command::kSubAddress, &TMForm::TBXSubAddress},
    {Command::kSelectAll, &TMForm::TBXSelectAll},
    {Command::kCreate, &TMForm::TBXCreate, &TMForm::TBXCreateButton},
    {Command::kDelete, &TMForm::TBXDelete, &TMForm::TBXDeleteButton, &TMForm::TBXDeletePop},
    {Command::kMoveUp, &TMForm::TBXMoveUp, &TMForm::TBXMoveUpButton, &TMForm::TBXMoveUpPop},
    {Command::kMoveDown, &TMForm::TBXMoveDown, &TMForm::TBXMoveDownButton, &TMForm::TBXMoveDownPop},
    {Command::kInsertNewRecord, &TMForm::TBXInsertNewRecord, nullptr,
     &TMForm::TBXInsertNewRecordPop},
    {Command::kEditRecord, &TMForm::TBXEditRecord, nullptr, &TMForm::TBXEditRecordPop},
};

// Row i is command i, so every command has exactly one row.
constexpr bool OneRowPerCommand() {
  for (size_t i = 0; i < std::size(kCommandItems); ++i) {
    if (static_cast<size_t>(kCommandItems[i].command) != i) return false;
  }
  return std::size(kCommandItems) == kCommandCount;
}
static_assert(OneRowPerCommand(), "kCommandItems holds one row per command, in order");

}  // namespace

TMForm::TMForm(QWidget* parent)
    : QMainWindow(parent), commands_(db_, prompter_, recent_, [this] { Refresh(); }) {
  setObjectName(QStringLiteral("TMForm"));
  setWindowTitle(QString::fromLatin1(kAppTitle.data(), kAppTitle.size()));
  setFont(DialogFont());
  setWindowIcon(ProgramPicture("duvra", QStyle::SP_ComputerIcon));
  setGeometry(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);

  CreateMenus();
  CreateToolbar();
  CreateList();
  CreateStatusBar();

  // Every window is created once for the whole run, in the start-up order.
  ta_form_ = new TAForm(this);
  te_form_ = new TEForm(db_, reselect_index_, prompter_, this);
  ts_form_ = new TSForm(recent_, &start_choice_, this);
  tw_form_ = new TWForm(this);
  tc_form_ = new TCForm(this);
  tb_form_ = new TBForm(db_, prompter_, this);
  tr_form_ = new TRForm(db_, reselect_index_, this);
  to_form_ = new TOForm(db_, prompter_, this);
  ti_form_ = new TIForm(db_, prompter_, this);
  tk_form_ = new TKForm(this);

  qt_prompter_ = std::make_unique<QtPrompter>(this, *tk_form_, *tw_form_,
                                              [this](QDialog& d) { return ExecDialog(d); });
  prompter_.SetTarget(qt_prompter_.get());
  qt_prompter_->SetStartFolder([this] { return DialogStartFolder(); });

  // One shot, started by the show step so that it fires once the window
  // is on screen and the event loop runs.
  StartTimerTimer = new QTimer(this);
  StartTimerTimer->setObjectName(QStringLiteral("StartTimer"));
  StartTimerTimer->setSingleShot(true);
  StartTimerTimer->setInterval(1);
  connect(StartTimerTimer, &QTimer::timeout, this, &TMForm::StartTimer);

  // No database is open: every command is off until the first refresh.
  ApplyEnabled(vs_.enabled, CommandPlace::kWindow);
}

TMForm::~TMForm() { HtmlHelpCloseAll(); }

void TMForm::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("TBXMenuBar"));

  TBXMRUFiles = bar->addMenu(QStringLiteral("&File"));
  TBXMRUFiles->setObjectName(QStringLiteral("TBXFileMenu"));
  QMenu* file = TBXMRUFiles;
  file->addAction(
      AddAction(this, "TBXNew", "&New...", &TMForm::TBXNewClick, QKeySequence("Ctrl+N")));
  file->addAction(
      AddAction(this, "TBXOpen", "&Open...", &TMForm::TBXOpenClick, QKeySequence("Ctrl+O")));
  file->addAction(TBXClose = AddAction(this, "TBXClose", "&Close", &TMForm::TBXCloseClick));
  file->addSeparator();
  file->addAction(
      TBXSave = AddAction(this, "TBXSave", "&Save", &TMForm::TBXSaveClick, QKeySequence("Ctrl+S")));
  file->addAction(TBXSaveAs = AddAction(this, "TBXSaveAs", "Save &As...", &TMForm::TBXSaveAsClick));
  file->addAction(TBXExport = AddAction(this, "TBXExport", "&Export...", &TMForm::TBXExportClick));
  mru_top_separator_ = file->addSeparator();
  mru_bottom_separator_ = file->addSeparator();
  file->addAction(AddAction(this, "TBXExit", "E&xit", &TMForm::TBXExitClick));

  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("TBXEditMenu"));
  edit->addAction(TBXDelete = AddAction(this, "TBXDelete", "&Delete", &TMForm::TBXDeleteClick,
                                        QKeySequence("Del")));
  edit->addAction(TBXMoveUp = AddAction(this, "TBXMoveUp", "Move &Up", &TMForm::TBXMoveUpClick,
                                        QKeySequence("Ctrl+Up")));
  edit->addAction(TBXMoveDown = AddAction(this, "TBXMoveDown", "Move Do&wn",
                                          &TMForm::TBXMoveDownClick, QKeySequence("Ctrl+Down")));
  QMenu* address = edit->addMenu(QStringLiteral("Addre&ss"));
  address->setObjectName(QStringLiteral("TBXSubAddress"));
  TBXSubAddress = address->menuAction();
  TBXSubAddress->setObjectName(QStringLiteral("TBXSubAddress"));
  address->addAction(AddAction(this, "TBXAbsolute", "&Absolute", &TMForm::TBXAbsoluteClick));
  address->addAction(AddAction(this, "TBXLocal", "&Local", &TMForm::TBXLocalClick));
  edit->addSeparator();
  edit->addAction(TBXClear = AddAction(this, "TBXClear", "C&lear", &TMForm::TBXClearClick));
  edit->addAction(TBXSelectAll = AddAction(this, "TBXSelectAll", "Select &All",
                                           &TMForm::TBXSelectAllClick, QKeySequence("Ctrl+A")));
  edit->addSeparator();
  // Return opens the selected record only while the table has the keyboard,
  // so Return keeps its meaning in the filter and site address boxes.
  TBXEditRecord = AddAction(this, "TBXEditRecord", "&Edit Record...", &TMForm::TBXEditRecordClick);
  TBXEditRecord->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  TBXEditRecord->setShortcutContext(Qt::WidgetShortcut);
  edit->addAction(TBXEditRecord);
  edit->addAction(AddAction(this, "TBXFilter", "&Filter Records", &TMForm::TBXFilterClick,
                            QKeySequence("Ctrl+F")));

  QMenu* insert = bar->addMenu(QStringLiteral("&Insert"));
  insert->setObjectName(QStringLiteral("TBXInsertMenu"));
  insert->addAction(TBXInsertNewRecord =
                        AddAction(this, "TBXInsertNewRecord", "&New Record...",
                                  &TMForm::TBXInsertNewRecordClick, QKeySequence("Ins")));
  insert->addAction(TBXInsertFile =
                        AddAction(this, "TBXInsertFile", "&File...", &TMForm::TBXInsertFileClick));

  QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
  tools->setObjectName(QStringLiteral("TBXToolsMenu"));
  tools->addAction(TBXIndex = AddAction(this, "TBXIndex", "&Index...", &TMForm::TBXIndexClick,
                                        QKeySequence("F7")));
  tools->addAction(AddAction(this, "TBXUpdate", "Duvra &Update", &TMForm::TBXUpdateClick));
  tools->addSeparator();
  tools->addAction(AddAction(this, "TBXCustomise", "&Customise...", &TMForm::TBXCustomiseClick));
  tools->addAction(TBXOptions =
                       AddAction(this, "TBXOptions", "&Options...", &TMForm::TBXOptionsClick));

  QMenu* actions = bar->addMenu(QStringLiteral("&Actions"));
  actions->setObjectName(QStringLiteral("TBXActionsMenu"));
  actions->addAction(TBXNewRecord = AddAction(this, "TBXNewRecord", "&New Record...",
                                              &TMForm::TBXNewRecordClick, QKeySequence("Ctrl+R")));
  actions->addAction(TBXCreate = AddAction(this, "TBXCreate", "&Create...", &TMForm::TBXCreateClick,
                                           QKeySequence("F9")));

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("TBXHelpMenu"));
  help->addAction(AddAction(this, "TBXDuvraHelp", "Duvra &Help", &TMForm::TBXDuvraHelpClick,
                            QKeySequence("F1")));
  help->addAction(AddAction(this, "TBXScriptsHelp", "Duvra &Scripts Help",
                            &TMForm::TBXScriptsHelpClick, QKeySequence("Ctrl+F1")));
  help->addSeparator();
  help->addAction(AddAction(this, "TBXStart", "&Getting Started", &TMForm::TBXStartClick));
  help->addAction(AddAction(this, "TBXWeb", "Duvra on the &Web", &TMForm::TBXWebClick));
  help->addAction(
      AddAction(this, "TBXKnowledgeBase", "&Knowledge Base", &TMForm::TBXKnowledgeBaseClick));
  help->addSeparator();
  help->addAction(AddAction(this, "TBXAbout", "&About Duvra", &TMForm::TBXAboutClick));
}

void TMForm::CreateToolbar() {
  TBXToolbar = addToolBar(QStringLiteral("Standard"));
  TBXToolbar->setObjectName(QStringLiteral("TBXToolbar"));
  TBXToolbar->setMovable(false);
  TBXToolbar->setFloatable(false);
  TBXToolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  TBXToolbar->toggleViewAction()->setEnabled(false);
  setContextMenuPolicy(Qt::NoContextMenu);

  auto button = [&](const char* name, const char* caption, const char* picture,
                    QStyle::StandardPixmap fallback, void (TMForm::*handler)(),
                    bool with_text = false) {
    QAction* a = AddAction(this, name, caption, handler);
    a->setIcon(ProgramPicture(picture, fallback));
    TBXToolbar->addAction(a);
    auto* widget = qobject_cast<QToolButton*>(TBXToolbar->widgetForAction(a));
    if (with_text) widget->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    widget->installEventFilter(this);
    return a;
  };
  TBXNewButton = button("TBXNewButton", "New", "new", QStyle::SP_FileIcon, &TMForm::TBXNewClick);
  TBXOpenButton =
      button("TBXOpenButton", "Open", "open", QStyle::SP_DialogOpenButton, &TMForm::TBXOpenClick);
  TBXSaveButton =
      button("TBXSaveButton", "Save", "save", QStyle::SP_DialogSaveButton, &TMForm::TBXSaveClick);
  TBXToolbar->addSeparator();
  TBXNewRecordButton = button("TBXNewRecordButton", "New Record", "newrecord",
                              QStyle::SP_FileDialogNewFolder, &TMForm::TBXNewRecordClick);
  TBXMoveUpButton =
      button("TBXMoveUpButton", "Move Up", "moveup", QStyle::SP_ArrowUp, &TMForm::TBXMoveUpClick);
  TBXMoveDownButton = button("TBXMoveDownButton", "Move Down", "movedown", QStyle::SP_ArrowDown,
                             &TMForm::TBXMoveDownClick);
  TBXDeleteButton = button("TBXDeleteButton", "Delete", "delete", QStyle::SP_DialogDiscardButton,
                           &TMForm::TBXDeleteClick);
  TBXToolbar->addSeparator();
  TBXCreateButton = button("TBXCreateButton", "Create", "create", QStyle::SP_DialogApplyButton,
                           &TMForm::TBXCreateClick, true);
  TBXToolbar->addSeparator();
  TBXAddressEdit = new QLineEdit(TBXToolbar);
  TBXAddressEdit->setObjectName(QStringLiteral("TBXAddressEdit"));
  TBXAddressEdit->setFixedWidth(kAddressBoxWidth);
  TBXAddressEdit->setToolTip(QStringLiteral("Site Address"));
  TBXAddressEdit->installEventFilter(this);
  connect(TBXAddressEdit, &QLineEdit::textEdited, this, &TMForm::TBXAddressEditChange);
  TBXToolbar->addWidget(TBXAddressEdit);
  TBXOptionsButton = button("TBXOptionsButton", "Options", "options",
                            QStyle::SP_FileDialogDetailedView, &TMForm::TBXOptionsClick, true);
  TBXOptionsButton->setToolTip(QStringLiteral("Options"));
  TBXIndexButton = button("TBXIndexButton", "Index", "index", QStyle::SP_BrowserReload,
                          &TMForm::TBXIndexClick, true);
  TBXToolbar->addSeparator();
  TBXHelpButton = button("TBXHelpButton", "Help", "help", QStyle::SP_DialogHelpButton,
                         &TMForm::TBXDuvraHelpClick);
}

void TMForm::CreateList() {
  auto* workspace = new QWidget(this);
  workspace->setObjectName(QStringLiteral("Workspace"));
  QPalette palette = workspace->palette();
  palette.setColor(QPalette::Window, kWorkspaceColour);
  workspace->setPalette(palette);
  workspace->setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(workspace);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // The filter box above the table.
  FilterBar = new QWidget(workspace);
  FilterBar->setObjectName(QStringLiteral("FilterBar"));
  FilterBar->setAutoFillBackground(true);
  FilterBar->setPalette(QApplication::palette());
  auto* filter_layout = new QHBoxLayout(FilterBar);
  filter_layout->setContentsMargins(6, 3, 6, 3);
  auto* filter_label = new QLabel(QStringLiteral("&Filter:"), FilterBar);
  filter_label->setObjectName(QStringLiteral("FilterLabel"));
  FilterEdit = new QLineEdit(FilterBar);
  FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
  FilterEdit->setPlaceholderText(QStringLiteral("Words in the title, address, text or keywords"));
  FilterEdit->setClearButtonEnabled(true);
  FilterEdit->installEventFilter(this);
  filter_label->setBuddy(FilterEdit);
  filter_layout->addWidget(filter_label);
  filter_layout->addWidget(FilterEdit, 1);
  FilterBar->setVisible(false);
  layout->addWidget(FilterBar);
  connect(FilterEdit, &QLineEdit::textChanged, this, &TMForm::FilterEditChange);

  model_ = new RecordListModel(db_.records, filter_.rows(), this);
  EditList = new QTableView(workspace);
  EditList->setObjectName(QStringLiteral("EditList"));
  EditList->setModel(model_);
  EditList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  EditList->setSelectionBehavior(QAbstractItemView::SelectRows);
  EditList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  EditList->setTextElideMode(Qt::ElideRight);
  EditList->setWordWrap(false);
  EditList->setShowGrid(false);
  EditList->setAlternatingRowColors(true);
  EditList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  EditList->setContextMenuPolicy(Qt::CustomContextMenu);
  EditList->verticalHeader()->setVisible(false);
  // Fixed, equal rows: the view never measures a row's text.
  EditList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  EditList->verticalHeader()->setDefaultSectionSize(EditList->fontMetrics().height() + 4);
  EditList->horizontalHeader()->setHighlightSections(false);
  EditList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  EditList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  EditList->setVisible(false);
  EditList->addAction(TBXEditRecord);
  RestoreColumnWidths();
  layout->addWidget(EditList);
  setCentralWidget(workspace);

  connect(EditList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { SelectionFromView(); });
  connect(EditList, &QAbstractItemView::doubleClicked, this, &TMForm::EditListDblClick);

  TBXPopupMenu = new QMenu(this);
  TBXPopupMenu->setObjectName(QStringLiteral("TBXPopupMenu"));
  TBXPopupMenu->addAction(TBXInsertNewRecordPop =
                              AddAction(this, "TBXInsertNewRecordPop", "&Insert New Record",
                                        &TMForm::TBXInsertNewRecordClick));
  TBXPopupMenu->addSeparator();
  TBXPopupMenu->addAction(TBXDeletePop =
                              AddAction(this, "TBXDeletePop", "&Delete", &TMForm::TBXDeleteClick));
  TBXPopupMenu->addAction(TBXMoveUpPop =
                              AddAction(this, "TBXMoveUpPop", "Move &Up", &TMForm::TBXMoveUpClick));
  TBXPopupMenu->addAction(
      TBXMoveDownPop = AddAction(this, "TBXMoveDownPop", "Move Do&wn", &TMForm::TBXMoveDownClick));
  TBXPopupMenu->addSeparator();
  TBXPopupMenu->addAction(TBXEditRecordPop = AddAction(this, "TBXEditRecordPop", "&Edit Record...",
                                                       &TMForm::TBXEditRecordClick));
  connect(TBXPopupMenu, &QMenu::aboutToShow, this, &TMForm::TBXPopupMenuPopup);
  connect(EditList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { TBXPopupMenu->popup(EditList->viewport()->mapToGlobal(at)); });
}

void TMForm::RestoreColumnWidths() {
  const QStringList stored =
      ToDisplay(ReadRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, kColumnsSetting))
          .split(',');
  const int per_char = EditList->fontMetrics().averageCharWidth();
  for (int column = 0; column < kColumnCount; ++column) {
    bool ok = false;
    int width = column < stored.size() ? stored[column].trimmed().toInt(&ok) : 0;
    // A width too small to grab again, or absurdly large, is not kept.
    if (!ok || width < kMinColumnWidth || width > kMaxColumnWidth) {
      width = kDefaultColumnChars[column] * per_char;
    }
    EditList->setColumnWidth(column, width);
  }
}

void TMForm::StoreColumnWidths() {
  QStringList widths;
  for (int column = 0; column < kColumnCount; ++column) {
    widths << QString::number(EditList->columnWidth(column));
  }
  WriteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, kColumnsSetting,
                     FromDisplay(widths.join(',')));
}

void TMForm::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(true);
  StatusPanel0 = new QLabel(bar);
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel0->setFrameShape(QFrame::NoFrame);
  StatusPanel0->setFixedWidth(kFirstPanelWidth);
  StatusPanel1 = new ElidedLabel(bar);
  StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
  StatusPanel1->setFrameShape(QFrame::StyledPanel);
  StatusPanel1->setFrameShadow(QFrame::Sunken);
  bar->addWidget(StatusPanel0);
  bar->addWidget(StatusPanel1, 1);
}

// ---------------------------------------------------------------------------
// Showing the state

void TMForm::Refresh() {
  StateUpdate(db_, &vs_);
  ApplyViewState();
}

void TMForm::ShowFilter() { ShowFilterState(filter_, db_.records, &vs_); }

void TMForm::ApplyViewState() {
  ShowFilter();
  const QString title = ToDisplay(vs_.title);
  // Unsaved changes show in the title bar the platform's way.
  setWindowTitle(db_.open ? title + QStringLiteral("[*]") : title);
  setWindowModified(db_.open && db_.dirty);
  application_title_ = title;
  StatusPanel1->setText(ToDisplay(vs_.count_text));
  StatusPanel1->update();

  model_->Sync(filter_.generation());
  EditList->setVisible(vs_.list_visible);
  FilterBar->setVisible(vs_.list_visible);
  SelectionToView();
  // A database just opened or created: the keyboard goes to its records,
  // not to the site address box that became enabled with it.
  if (db_.open && !was_open_ && isVisible()) EditList->setFocus(Qt::OtherFocusReason);
  if (!db_.open && !FilterEdit->text().isEmpty()) FilterEdit->clear();
  was_open_ = db_.open;

  const QString address = ToDisplay(vs_.address_text);
  if (TBXAddressEdit->text() != address) TBXAddressEdit->setText(address);
  ApplyEnabled(vs_.enabled, CommandPlace::kWindow);
  RebuildRecentMenu();
}

std::span<const CommandItems> TMForm::CommandTable() { return kCommandItems; }

void TMForm::ApplyEnabled(const CommandSet& state, CommandPlace place) {
  for (const CommandItems& row : kCommandItems) {
    const bool on = state[row.command];
    if (place == CommandPlace::kPopup) {
      if (row.popup) (this->*row.popup)->setEnabled(on);
      continue;
    }
    for (QAction* TMForm::*item : {row.menu, row.button}) {
      if (item) (this->*item)->setEnabled(on);
    }
    if (row.box) (this->*row.box)->setEnabled(on);
  }
}

void TMForm::RebuildRecentMenu() {
  for (QAction* a : mru_actions_) {
    // The chosen item may be the one running; it goes once its click is done.
    TBXMRUFiles->removeAction(a);
    a->setObjectName(QString());
    a->deleteLater();
  }
  mru_actions_.clear();
  const auto& entries = recent_.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    QString path = PathToDisplay(entries[i]);
    auto* action =
        new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path.replace('&', "&&")), this);
    action->setObjectName(QStringLiteral("TBXMRUList%1").arg(i + 1));
    const std::string entry = entries[i];
    connect(action, &QAction::triggered, this, [this, entry] { TBXMRUListClick(entry); });
    TBXMRUFiles->insertAction(mru_bottom_separator_, action);
    mru_actions_.append(action);
  }
}

void TMForm::SelectionToView() {
  QItemSelectionModel* selection = EditList->selectionModel();
  const RecordList& list = db_.records;
  const int shown = model_->rowCount();
  const int last_column = kColumnCount - 1;
  QItemSelection wanted;
  int first_selected = -1;
  for (int i = 0; i < shown;) {
    if (!list.selected(model_->ListRow(i))) {
      ++i;
      continue;
    }
    if (first_selected < 0) first_selected = i;
    int end = i;
    while (end + 1 < shown && list.selected(model_->ListRow(end + 1))) ++end;
    wanted.select(model_->index(i, 0), model_->index(end, last_column));
    i = end + 1;
  }
  syncing_selection_ = true;
  selection->select(wanted, QItemSelectionModel::ClearAndSelect);
  if (first_selected >= 0) {
    QModelIndex current = selection->currentIndex();
    if (!current.isValid() || !list.selected(model_->ListRow(current.row()))) {
      current = model_->index(first_selected, 0);
      selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
      EditList->scrollTo(current);
    }
  }
  syncing_selection_ = false;
}

void TMForm::SelectionFromView() {
  if (syncing_selection_) return;
  // The whole selection is read back; the model's ranges make this one
  // pass over the selected spans, not over every row.
  db_.records.ClearSelection();
  for (const QItemSelectionRange& range : EditList->selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      db_.records.SetSelected(model_->ListRow(row), true);
    }
  }
  EditListClick();
}

void TMForm::ReselectAfterWindow() {
  duvra::ReselectAfterWindow(db_, &vs_, reselect_index_);
  ApplyViewState();
}

QString TMForm::DialogStartFolder() const {
  if (db_.open && !db_.folder.empty()) return PathToDisplay(db_.folder);
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir(documents).exists() ? documents : QDir::homePath();
}

int TMForm::ExecDialog(QDialog& dialog) {
  return dialog_runner_ ? dialog_runner_(dialog) : dialog.exec();
}

void TMForm::RunRecordEditor() {
  ExecDialog(*te_form_);
  te_form_->AfterClose(&vs_);
  ApplyViewState();
}

void TMForm::SetPrompter(Prompter* prompter) {
  prompter_.SetTarget(prompter ? prompter : qt_prompter_.get());
}

void TMForm::SetDialogRunner(DialogRunner runner) { dialog_runner_ = std::move(runner); }

bool TMForm::eventFilter(QObject* watched, QEvent* event) {
  // Escape empties the filter box; Down hands the keyboard to the table.
  if (watched == FilterEdit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && !FilterEdit->text().isEmpty()) {
      FilterEdit->clear();
      return true;
    }
    if (key == Qt::Key_Down || ((key == Qt::Key_Return || key == Qt::Key_Enter))) {
      EditList->setFocus(Qt::TabFocusReason);
      return true;
    }
    return false;
  }
  // Tool-bar tips follow the "ScreenTips" setting.
  if (event->type() == QEvent::ToolTip && !show_tips_) return true;
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// File menu

void TMForm::TBXNewClick() { commands_.TBXNewClick(); }
void TMForm::TBXOpenClick() { commands_.TBXOpenClick(); }
void TMForm::TBXCloseClick() { commands_.TBXCloseClick(); }
void TMForm::TBXSaveClick() { commands_.TBXSaveClick(); }
void TMForm::TBXSaveAsClick() { commands_.TBXSaveAsClick(); }
void TMForm::TBXMRUListClick(const std::string& path) { commands_.TBXMRUListClick(path); }
void TMForm::TBXExitClick() { close(); }

void TMForm::TBXExportClick() {
  ExportRecords(db_, prompter_);
  Refresh();
}

// ---------------------------------------------------------------------------
// Edit menu

bool TMForm::Confirm(const std::string& question) {
  return question.empty() ||
         prompter_.AskYesNo(question, std::string(kCannotBeUndone)) == Answer::kYes;
}

void TMForm::TBXDeleteClick() {
  if (!Confirm(DeleteQuestion(db_.records))) return;
  duvra::TBXDeleteClick(db_, &vs_);
  ApplyViewState();
}

void TMForm::TBXMoveUpClick() {
  duvra::TBXMoveUpClick(db_, &vs_);
  ApplyViewState();
}

void TMForm::TBXMoveDownClick() {
  duvra::TBXMoveDownClick(db_, &vs_);
  ApplyViewState();
}

void TMForm::TBXAbsoluteClick() {
  duvra::TBXAbsoluteClick(db_);
  ApplyViewState();
}

void TMForm::TBXLocalClick() {
  duvra::TBXLocalClick(db_);
  ApplyViewState();
}

void TMForm::TBXClearClick() {
  if (!Confirm(ClearQuestion(db_.records, filter_))) return;
  duvra::TBXClearClick(db_, &vs_, filter_);
  ApplyViewState();
}

void TMForm::TBXSelectAllClick() {
  duvra::TBXSelectAllClick(db_, &vs_);
  ApplyViewState();
}

void TMForm::TBXEditRecordClick() { EditListDblClick(); }

void TMForm::TBXFilterClick() {
  if (!FilterEdit->isVisible()) return;
  FilterEdit->setFocus(Qt::ShortcutFocusReason);
  FilterEdit->selectAll();
}

void TMForm::FilterEditChange(const QString& text) {
  if (!db_.open) return;
  duvra::FilterEditChange(filter_, db_.records, FromDisplay(text));
  Refresh();
}

// ---------------------------------------------------------------------------
// Windows of the other commands

void TMForm::TBXInsertNewRecordClick() {
  te_form_->OpenInsertNew();
  RunRecordEditor();
}

void TMForm::TBXNewRecordClick() {
  te_form_->OpenNew();
  RunRecordEditor();
}

void TMForm::EditListDblClick() {
  if (!te_form_->OpenEdit()) return;  // exactly one record must be selected
  RunRecordEditor();
}

void TMForm::TBXInsertFileClick() {
  ti_form_->FormActivate();
  ExecDialog(*ti_form_);
  Refresh();
  AfterImport(db_, &vs_, ti_form_->outcome(), ti_form_->file_text(), prompter_);
  ApplyViewState();
  if (ti_form_->outcome() == ImportOutcome::kDone) {
    prompter_.Notify(ImportCountMessage(ti_form_->import_result()));
  }
}

void TMForm::TBXIndexClick() {
  ExecDialog(*tr_form_);
  ReselectAfterWindow();
}

void TMForm::TBXOptionsClick() {
  ExecDialog(*to_form_);
  Refresh();
}

void TMForm::TBXCreateClick() {
  tb_form_->FormActivate();
  ExecDialog(*tb_form_);
  Refresh();
  if (std::optional<std::string> message = CreateOutcomeMessage(
          tb_form_->outcome(), tb_form_->folder_text(), tb_form_->create_scripts())) {
    prompter_.Notify(*message);
  }
}

// ---------------------------------------------------------------------------
// Shell commands

void TMForm::TBXCustomiseClick() {
  ExecDialog(*tc_form_);
  ToolbarUpdate();
}

void TMForm::TBXAboutClick() { ExecDialog(*ta_form_); }

void TMForm::TBXDuvraHelpClick() { HtmlHelp(kHelpFile); }
void TMForm::TBXScriptsHelpClick() { HtmlHelp("Duvra.chm::/7000.html"); }
void TMForm::TBXStartClick() { HtmlHelp("Duvra.chm::/started.html"); }
void TMForm::TBXWebClick() { OpenWebLink(MakerUrl("/")); }
void TMForm::TBXUpdateClick() { OpenWebLink(MakerUrl(kUpdatePath)); }
void TMForm::TBXKnowledgeBaseClick() { OpenWebLink(MakerUrl(kKnowledgeBasePath)); }

// ---------------------------------------------------------------------------
// The record list and the site address box

void TMForm::EditListClick() {
  duvra::EditListClick(db_.records, &vs_);
  ShowFilter();
  ApplyEnabled(vs_.enabled, CommandPlace::kWindow);
}

void TMForm::TBXPopupMenuPopup() {
  ApplyEnabled(FilteredPopupState(filter_, db_.records), CommandPlace::kPopup);
}

void TMForm::TBXAddressEditChange(const QString& text) {
  duvra::TBXAddressEditChange(db_, &vs_, FromDisplay(text));
  ApplyEnabled(vs_.enabled, CommandPlace::kWindow);
}

// ---------------------------------------------------------------------------
// Start and end

void TMForm::showEvent(QShowEvent* event) {
  if (!shown_once_) {
    shown_once_ = true;
    FormShow();
  }
  QMainWindow::showEvent(event);
}

void TMForm::FormShow() {
  application_title_ = windowTitle();

  // Stored geometry, each value falling back to the design one when it is
  // missing, not a number or not a usable size. The values are the inner
  // rectangle, as they are stored, kept on a screen that shows them.
  const int left = ReadNumber(kDuvraKey, "Left", kDesignLeft);
  const int top = ReadNumber(kDuvraKey, "Top", kDesignTop);
  int height = ReadNumber(kDuvraKey, "Height", kDesignHeight);
  int width = ReadNumber(kDuvraKey, "Width", kDesignWidth);
  if (height <= 0) height = kDesignHeight;
  if (width <= 0) width = kDesignWidth;
  setGeometry(KeepOnScreen(QRect(left, top, width, height)));

  // The program folder, so that the data files resolve by bare name.
  const std::string path = ReadRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, "Path");
  if (path.empty() || !QDir::setCurrent(PathToDisplay(path))) {
    QDir::setCurrent(PathToDisplay(FindDataDir()));
  }

  recent_.SetCapacity(RecentCapacitySetting());
  recent_.Load([](const std::string& name) {
    return ReadRegistryValue(RegistryRoot::kCurrentUser, kMruKey, name);
  });
  Refresh();
  ToolbarUpdate();
  commands_.set_new_counter(1);
  StartTimerTimer->start();
}

void TMForm::ToolbarUpdate() {
  show_tips_ = ReadCustomise("ScreenTips") == "1";
  const bool shortcuts = ReadCustomise("Shortcuts") == "1";
  for (const ButtonTip& tip : kButtonTips) {
    (this->*tip.button)->setToolTip(QString::fromLatin1(shortcuts ? tip.with_shortcut : tip.plain));
  }
  recent_.SetCapacity(RecentCapacitySetting());
  RebuildRecentMenu();
}

void TMForm::StartTimer() {
  StartTimerTimer->stop();
  if (ReadCustomise("Start") != "1") return;
  ExecDialog(*ts_form_);
  commands_.RunStartChoice(start_choice_);
}

bool TMForm::FormClose() {
  const auto write = [](const char* name, int value) {
    WriteRegistryValue(RegistryRoot::kLocalMachine, kDuvraKey, name, std::to_string(value));
  };
  // The inner rectangle, which the show step restores as such: storing the
  // frame's corner and restoring it as the inner one moved the window by
  // its title bar at every start.
  const QRect inner = geometry();
  write("Left", inner.x());
  write("Top", inner.y());
  write("Height", inner.height());
  write("Width", inner.width());
  StoreColumnWidths();
  // A save that fails keeps the window open, so the changes are not lost.
  if (db_.open && !commands_.TBXCloseClick()) return false;
  recent_.Store(
      [](const std::string& name, const std::string& value) {
        WriteRegistryValue(RegistryRoot::kCurrentUser, kMruKey, name, value);
      },
      [](const std::string& name) {
        DeleteRegistryValue(RegistryRoot::kCurrentUser, kMruKey, name);
      });
  return true;
}

void TMForm::closeEvent(QCloseEvent* event) {
  if (!FormClose()) {
    event->ignore();
    return;
  }
  HtmlHelpCloseAll();
  event->accept();
}

}  // namespace duvra
