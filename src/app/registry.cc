#include "app/registry.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

#include "app/text_display.h"

namespace duvra {
namespace {

QString& FolderOverride() {
  static QString folder;
  return folder;
}

QString RootName(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                             : QStringLiteral("HKEY_CURRENT_USER");
}

// The settings object of one key. QSettings separates groups with "/".
std::unique_ptr<QSettings> OpenKey(RegistryRoot root, const std::string& key) {
  QString k = QString::fromStdString(key);
#ifdef Q_OS_WIN
  return std::make_unique<QSettings>(RootName(root) + "\\" + k, QSettings::NativeFormat);
#else
  auto s = std::make_unique<QSettings>(RegistryFolder() + "/" + RootName(root) + ".ini",
                                       QSettings::IniFormat);
  s->beginGroup(k.replace('\\', '/'));
  return s;
#endif
}

}  // namespace

QString RegistryFolder() {
  if (!FolderOverride().isEmpty()) return FolderOverride();
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/duvra";
}

void SetRegistryFolder(const QString& folder) { FolderOverride() = folder; }

std::string ReadRegistryValue(RegistryRoot root, const std::string& key, const std::string& name) {
  auto s = OpenKey(root, key);
  QVariant v = s->value(QString::fromStdString(name));
  // A hand-edited INI line with an unquoted comma reads as a list; its text
  // is still the value that was meant.
  if (v.typeId() == QMetaType::QStringList) return FromDisplay(v.toStringList().join(", "));
  return FromDisplay(v.toString());
}

void WriteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                        const std::string& value) {
#ifndef Q_OS_WIN
  if (!QDir().mkpath(RegistryFolder())) return;
#endif
  auto s = OpenKey(root, key);
  if (!s->isWritable()) return;
  s->setValue(QString::fromStdString(name), ToDisplay(value));
  s->sync();
}

void DeleteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name) {
  auto s = OpenKey(root, key);
  if (!s->isWritable() || !s->contains(QString::fromStdString(name))) return;
  s->remove(QString::fromStdString(name));
  s->sync();
}

}  // namespace duvra
