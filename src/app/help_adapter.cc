#include "app/help_adapter.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "app/dialog_style.h"
#include "database/data_dir.h"

namespace duvra {
namespace {

constexpr int kHelpWidth = 640;
constexpr int kHelpHeight = 520;

struct HelpViewer {
  QPointer<QWidget> window;
  QTextBrowser* browser = nullptr;
};

HelpViewer& Viewer() {
  static HelpViewer viewer;
  return viewer;
}

void CreateWindow() {
  HelpViewer& v = Viewer();
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setObjectName(QStringLiteral("HelpWindow"));
  window->setAttribute(Qt::WA_QuitOnClose, false);
  window->setWindowTitle(QStringLiteral("Duvra Help"));
  window->resize(kHelpWidth, kHelpHeight);
  // On the screen, not at its corner under the title bar.
  CentreOnScreen(window);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QToolBar(window);
  auto* browser = new QTextBrowser(window);
  browser->setObjectName(QStringLiteral("HelpBrowser"));
  browser->setOpenExternalLinks(true);
  browser->setSearchPaths({HelpFolder()});
  QAction* back = bar->addAction(QStringLiteral("Back"), browser, &QTextBrowser::backward);
  QAction* forward = bar->addAction(QStringLiteral("Forward"), browser, &QTextBrowser::forward);
  back->setObjectName(QStringLiteral("HelpBack"));
  forward->setObjectName(QStringLiteral("HelpForward"));
  back->setEnabled(false);
  forward->setEnabled(false);
  QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  QObject::connect(browser, &QTextBrowser::sourceChanged, window, [window, browser] {
    QString title = browser->documentTitle();
    window->setWindowTitle(title.isEmpty() ? QStringLiteral("Duvra Help")
                                           : QStringLiteral("Duvra Help - ") + title);
  });
  layout->addWidget(bar);
  layout->addWidget(browser);
  v.window = window;
  v.browser = browser;
}

}  // namespace

QString HelpFolder() { return QString::fromStdString(FindDataDir()) + QStringLiteral("help/"); }

QString HelpTopicOf(const std::string& target) {
  const std::string marker = "::/";
  size_t at = target.find(marker);
  if (at == std::string::npos || at + marker.size() == target.size()) {
    return QString::fromLatin1(kDefaultHelpTopic);
  }
  return QString::fromStdString(target.substr(at + marker.size()));
}

void HtmlHelp(const std::string& target) {
  if (!Viewer().window) CreateWindow();
  HelpViewer& v = Viewer();
  const QString topic = HelpTopicOf(target);
  const QString file = HelpFolder() + topic;
  if (QFileInfo::exists(file)) {
    v.browser->setSource(QUrl::fromLocalFile(file));
  } else {
    v.browser->setHtml(
        QStringLiteral("<p>The help topic %1 is not installed.</p>").arg(topic.toHtmlEscaped()));
  }
  // A modal dialog blocks every window but its own children, so help asked
  // for from a dialog becomes that dialog's child window to stay usable.
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == v.window) owner = nullptr;
  if (v.window->parentWidget() != owner) {
    const QRect geometry = v.window->geometry();
    v.window->setParent(owner, Qt::Window);
    v.window->setGeometry(geometry);
  }
  v.window->show();
  v.window->raise();
  v.window->activateWindow();
}

void HtmlHelpCloseAll() {
  if (Viewer().window) Viewer().window->close();
}

QWidget* HelpWindow() { return Viewer().window; }
QTextBrowser* HelpBrowser() { return Viewer().window ? Viewer().browser : nullptr; }

}  // namespace duvra
