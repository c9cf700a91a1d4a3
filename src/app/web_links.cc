#include "app/web_links.h"

#include <QDesktopServices>

namespace duvra {

QUrl MakerUrl(const char* path) {
  return QUrl(QString::fromLatin1(kMakerSite) + QString::fromLatin1(path));
}

bool OpenWebLink(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace duvra
