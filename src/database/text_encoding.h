#ifndef DUVRA_DATABASE_TEXT_ENCODING_H_
#define DUVRA_DATABASE_TEXT_ENCODING_H_

#include <cstdint>
#include <string>
#include <string_view>

// Text in the files is bytes. Older databases and many pages hold
// windows-1252, newer ones UTF-8; these helpers are the one place that tells
// them apart and converts, so the display, the data script and page analysis
// read the same bytes the same way.
namespace duvra {

// True when `bytes` is well-formed UTF-8: shortest forms only, no surrogate
// code points, nothing above U+10FFFF. Empty and pure ASCII text are valid.
bool IsValidUtf8(std::string_view bytes);

// The Unicode code point of one windows-1252 byte, as browsers map it: the
// five bytes the code page leaves undefined map to the C1 control of the
// same value.
char32_t Windows1252CodePoint(unsigned char byte);

// Appends the UTF-8 form of `code_point` (invalid values become U+FFFD).
void AppendUtf8(std::string& out, char32_t code_point);

// Decodes windows-1252 bytes to UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

// The text as UTF-8: unchanged when it is valid UTF-8, decoded from
// windows-1252 otherwise. Every field of a record goes through this rule
// wherever characters are needed.
std::string ToUtf8(std::string_view bytes);

// True for a byte that continues a UTF-8 sequence (10xxxxxx).
inline bool IsUtf8Continuation(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The largest cut at or before `limit` that does not split a UTF-8
// character of `text` (backs off at most three continuation bytes).
std::size_t Utf8CutPoint(std::string_view text, std::size_t limit);

// Decodes the UTF-8 sequence starting at `bytes[pos]`, advancing `pos` past
// it. An ill-formed sequence yields U+FFFD and advances by one byte, so a
// loop over any input ends.
char32_t NextCodePoint(std::string_view bytes, std::size_t& pos);

}  // namespace duvra

#endif  // DUVRA_DATABASE_TEXT_ENCODING_H_
