// Text is bytes in the core; these are the only places where it becomes a
// QString for display and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace duvra {

// Bytes to display text: UTF-8 when the bytes are valid UTF-8, otherwise
// windows-1252 (curly quotes, dashes and the euro sign included), so that
// 8-bit files written by other systems still show.
QString ToDisplay(std::string_view bytes);
// Display text typed by the user to bytes (UTF-8).
std::string FromDisplay(const QString& text);

// File names: the platform's encoding of paths.
QString PathToDisplay(const std::string& path);
std::string PathFromDisplay(const QString& path);

}  // namespace duvra
