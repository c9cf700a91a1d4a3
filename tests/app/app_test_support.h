// Shared fixtures of the window tests: a configuration folder of the test's
// own, database files on disk, and short ways to reach actions by name.
#pragma once

#include <QAbstractItemModel>
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "app/registry.h"
#include "app/tm_form.h"
#include "base/text_file.h"
#include "database/db_files.h"

namespace duvra::testing {

// Points the settings at a fresh temporary folder for its lifetime and
// remembers the current directory, which the main window changes.
class AppTestEnv {
 public:
  AppTestEnv() : saved_dir_(QDir::currentPath()) { SetRegistryFolder(config_.path()); }
  ~AppTestEnv() {
    SetRegistryFolder(QString());
    QDir::setCurrent(saved_dir_);
  }
  // A folder for database files, ending with "/".
  std::string DataPath(const std::string& name) const {
    return (files_.path() + "/").toStdString() + name;
  }

 private:
  QString saved_dir_;
  QTemporaryDir config_;
  QTemporaryDir files_;
};

inline void SetLm(const char* key, const char* name, const std::string& value) {
  WriteRegistryValue(RegistryRoot::kLocalMachine, key, name, value);
}
inline std::string GetLm(const char* key, const char* name) {
  return ReadRegistryValue(RegistryRoot::kLocalMachine, key, name);
}
inline std::string GetMru(int k) {
  return ReadRegistryValue(RegistryRoot::kCurrentUser, kMruKey, "MRU" + std::to_string(k));
}
inline void SetMru(int k, const std::string& value) {
  WriteRegistryValue(RegistryRoot::kCurrentUser, kMruKey, "MRU" + std::to_string(k), value);
}

// Writes a database with `count` records at path (a ".duv" path).
inline void WriteDatabase(const std::string& header_path, size_t count,
                          const std::string& site = std::string()) {
  Database db;
  db.folder = FolderOf(header_path);
  db.base_name = BaseNameFromDialogPath(header_path);
  db.settings.database_name = db.base_name;
  db.settings.site_address = site;
  db.script_settings_line = std::string(kDefaultScriptSettings);
  std::vector<std::string> lines;
  for (size_t i = 0; i < count; ++i) {
    lines.push_back(std::to_string(i) + "^Title " + std::to_string(i) + "^/p" + std::to_string(i) +
                    ".html^text^keys^0");
  }
  db.records.Assign(lines);
  QVERIFY(SaveDatabase(db).ok());
}

inline QAction* Act(TMForm& form, const char* name) {
  QAction* a = form.findChild<QAction*>(QString::fromLatin1(name));
  if (!a) qFatal("no action %s", name);
  return a;
}

// A caption as shown: "&x" marks x as the Alt key, "&&" is a "&".
inline QString Shown(const QString& caption) {
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

// The visible texts of a menu, separators as "-", in order, without the
// marks of the Alt keys.
inline QStringList MenuTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* a : menu->actions())
    texts << (a->isSeparator() ? QStringLiteral("-") : Shown(a->text()));
  return texts;
}

// A window's title as the title bar shows it: "[*]" becomes "*" while the
// window is modified and disappears otherwise.
inline QString ShownTitle(const QWidget& window) {
  return QString(window.windowTitle())
      .replace(QStringLiteral("[*]"), window.isWindowModified() ? QStringLiteral("*") : QString());
}

// A table row's cells joined by "^": the record line it shows.
inline QString RowText(const QAbstractItemModel* model, int row) {
  QStringList cells;
  for (int column = 0; column < model->columnCount(); ++column) {
    cells << model->index(row, column).data().toString();
  }
  return cells.join('^');
}

}  // namespace duvra::testing
