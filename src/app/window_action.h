// The windows' menu and tool-bar commands.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QString>

namespace duvra {

// An action of `window` named `name` (tests find it by that name) that runs
// `handler` when triggered.
template <typename W>
QAction* AddAction(W* window, const char* name, const QString& caption, void (W::*handler)(),
                   const QKeySequence& shortcut = QKeySequence()) {
  auto* action = new QAction(caption, window);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  QObject::connect(action, &QAction::triggered, window, handler);
  return action;
}

}  // namespace duvra
