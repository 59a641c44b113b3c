// UTF-8: decoding one code point at a time and encoding.
#ifndef QDF_UTF8_H
#define QDF_UTF8_H

#include <cstddef>
#include <string>
#include <string_view>

namespace qdf::utf8 {

// Decodes the code point at text[pos] and moves pos past it. Returns false,
// with pos unchanged, at a sequence that is not well-formed UTF-8 (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, a value
// above U+10FFFF).
bool Next(std::string_view text, std::size_t& pos, char32_t& codePoint);

// Appends the UTF-8 form of codePoint (which must be a scalar value).
void Append(std::string& out, char32_t codePoint);

// The offset of the first ill-formed sequence, or npos when text is valid.
std::size_t FindInvalid(std::string_view text);

}  // namespace qdf::utf8

#endif  // QDF_UTF8_H
