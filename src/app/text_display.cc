#include "app/text_display.h"

#include <QFile>
#include <QStringDecoder>

namespace duvra {

QString ToDisplay(std::string_view bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FromDisplay(const QString& text) { return text.toStdString(); }

QString PathToDisplay(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathFromDisplay(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace duvra
