// What a fetched response is: whether it is a page to analyse, and its text
// as UTF-8 by the character set it declares.
#pragma once

#include <string>
#include <string_view>

namespace duvra {

// How far into a page a <meta> charset declaration and the NUL test look.
inline constexpr size_t kSniffLength = 1024;

// A response is analysed only when it is HTML: a Content-Type of text/html
// or application/xhtml+xml, or none at all and no NUL in the first
// kSniffLength bytes.
bool IsHtmlResponse(std::string_view content_type, std::string_view body);

// The charset a page declares, lowered: the Content-Type's charset, else a
// byte-order mark ("utf-8", "utf-16le", "utf-16be"), else a <meta charset> or
// http-equiv declaration in the first kSniffLength bytes; empty when none.
std::string DeclaredCharset(std::string_view content_type, std::string_view body);

// The page as UTF-8, a byte-order mark left out. With no declared charset:
// UTF-8 when the bytes are valid UTF-8, windows-1252 otherwise. windows-1252
// and ISO-8859-1 are read as windows-1252 (as browsers do), other charsets
// through iconv; one iconv does not know is read as windows-1252. Bytes the
// charset cannot decode become U+FFFD.
std::string DecodePage(std::string_view content_type, std::string_view body);

}  // namespace duvra
