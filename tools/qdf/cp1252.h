// Windows-1252 with the total mapping of the WHATWG Encoding Standard: every
// byte has a code point (the five bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D that
// the code page leaves unassigned map to the C1 controls of the same value),
// and the mapping is one to one, so any byte string survives a decode and an
// encode unchanged.
#ifndef QDF_CP1252_H
#define QDF_CP1252_H

#include <optional>
#include <string>
#include <string_view>

namespace qdf::cp1252 {

// The code point of byte.
char32_t ToCodePoint(unsigned char byte);
// The byte of codePoint, or nothing when the code page has none.
std::optional<unsigned char> FromCodePoint(char32_t codePoint);

// bytes as UTF-8 text.
std::string Decode(std::string_view bytes);

}  // namespace qdf::cp1252

#endif  // QDF_CP1252_H
