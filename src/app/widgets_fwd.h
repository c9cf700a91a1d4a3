// The Qt classes the windows' headers name only through pointers, declared
// once, so that a header need not include the widgets it merely points to.
#pragma once

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTextBrowser;
class QTimer;
class QToolBar;
class QWidget;
