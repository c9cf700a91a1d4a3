// The bytes of one GET request.
#pragma once

#include <string>
#include <string_view>

#include "http/address.h"

namespace duvra {

inline constexpr std::string_view kHttpVersion = "1.1";
inline constexpr std::string_view kDefaultAccept = "text/html, */*";
inline constexpr std::string_view kRequestContentType = "text/html";
// Header lines longer than this are folded.
inline constexpr size_t kFoldWidth = 78;

// The request block for address, every line ended by CR LF: the request
// line, then Content-Type, Host (with ":port" unless it is the
// scheme's own: 80, or 443 for "https"), Accept, User-Agent
// (left out when empty), Cookie (left out when empty) and an empty line.
// With fold, header lines longer than kFoldWidth are folded; current servers
// (nginx among them) answer a folded request with 400, so callers leave it
// off unless a server needs it. No CR, LF or NUL of the inputs is sent raw:
// the target gets them percent-encoded, header values get spaces.
std::string BuildRequest(const Address& address, std::string_view user_agent,
                         std::string_view accept, std::string_view cookie_line, bool fold);

// "name: value", folded when longer than kFoldWidth: wrapped after a comma or
// at a blank so that the pieces stay within kFoldWidth where the text allows,
// trailing blanks cut from each piece, each continuation line starting with
// one space. The pieces are joined by CR LF; no final CR LF.
std::string FoldHeaderLine(std::string_view name, std::string_view value);

// The value with every CR, LF and NUL replaced by a space.
std::string SafeHeaderValue(std::string_view value);

// The request target with every byte RFC 3986 does not allow there (a
// space, CR, LF, NUL, a non-ASCII byte, "%" that starts no escape ...)
// percent-encoded; existing escapes are kept, never encoded twice.
std::string SafeTarget(std::string_view target);

}  // namespace duvra
