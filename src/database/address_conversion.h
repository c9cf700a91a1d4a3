// Rewriting the URLs of selected records between absolute and local form,
// and the tool-bar box that edits the site address.
#pragma once

#include <string>
#include <string_view>

#include "database/db_files.h"
#include "database/view_state.h"

namespace duvra {

// The site address as typed when it begins with a scheme ("http://",
// "https://" ...), else "http://" + address.
std::string ConversionBase(std::string_view site_address);

// The box's text changed: store it, enable Index, set the dirty flag.
void TBXAddressEditChange(Database& db, ViewState* vs, std::string_view text);

// Both rewrite every selected row (Num set to its index), keep the
// selection, and set the dirty flag when any row is selected. A line
// without "^" keeps its text as the Title. A URL with a scheme (one followed
// by "//", or mailto:, tel:, javascript:, data:, file:) is left alone.
void TBXAbsoluteClick(Database& db);
void TBXLocalClick(Database& db);

// The single-URL rules, for tests and other callers.
std::string AbsoluteUrl(std::string_view url, std::string_view base);
std::string LocalUrl(std::string_view url, std::string_view base);

}  // namespace duvra
