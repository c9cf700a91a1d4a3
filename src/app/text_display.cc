#include "app/text_display.h"

#include <QFile>

#include "database/text_encoding.h"

namespace duvra {

QString ToDisplay(std::string_view bytes) {
  if (IsValidUtf8(bytes)) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  const std::string utf8 = ToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromDisplay(const QString& text) { return text.toStdString(); }

QString PathToDisplay(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathFromDisplay(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace duvra
