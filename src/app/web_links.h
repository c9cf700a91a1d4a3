// The web links of the Help and Tools menus: pages of the maker's site,
// opened in the user's browser.
#pragma once

#include <QUrl>

namespace duvra {

inline constexpr char kMakerSite[] = "https://duvra.example";
inline constexpr char kUpdatePath[] = "/update/update.pl?d=1.01";
inline constexpr char kKnowledgeBasePath[] = "/kb/";

// The maker's site address followed by path ("/" is the home page).
QUrl MakerUrl(const char* path);
// Opens the address in the browser; returns false when nothing could.
bool OpenWebLink(const QUrl& url);

}  // namespace duvra
