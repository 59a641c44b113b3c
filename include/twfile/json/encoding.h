// How the byte strings of a document become the text of JSON, summaries and
// command-line arguments, and back.
#ifndef TWFILE_JSON_ENCODING_H
#define TWFILE_JSON_ENCODING_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <twfile/json/error.h>

namespace twfile::json {

// Windows-1252 (the default) reads every byte string; UTF-8 reads only byte
// strings that are well-formed UTF-8.
enum class Encoding { Windows1252, Utf8 };

// "windows-1252" or "utf-8".
const char* EncodingName(Encoding encoding);

// The bytes of a document member as UTF-8 text. Bytes that are not valid in
// the encoding raise an Error (Invalid) that names member and the offset.
std::string DecodeText(std::string_view bytes, Encoding encoding, std::string_view member);

// The bytes that stand for text (UTF-8) in the encoding. A character the
// encoding cannot hold, or text that is not UTF-8, raises an Error (Invalid) that
// names member.
std::string EncodeText(std::string_view text, Encoding encoding, std::string_view member);

}  // namespace twfile::json

// Windows-1252 with the total mapping of the WHATWG Encoding Standard: every
// byte has a code point (the five bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D that
// the code page leaves unassigned map to the C1 controls of the same value),
// and the mapping is one to one, so any byte string survives a decode and an
// encode unchanged.
namespace twfile::json::cp1252 {

// The code point of byte.
char32_t ToCodePoint(unsigned char byte);
// The byte of codePoint, or nothing when the code page has none.
std::optional<unsigned char> FromCodePoint(char32_t codePoint);

// bytes as UTF-8 text.
std::string Decode(std::string_view bytes);

}  // namespace twfile::json::cp1252

// UTF-8: decoding one code point at a time and encoding.
namespace twfile::json::utf8 {

// Decodes the code point at text[pos] and moves pos past it. Returns false,
// with pos unchanged, at a sequence that is not well-formed UTF-8 (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, a value
// above U+10FFFF).
bool Next(std::string_view text, std::size_t& pos, char32_t& codePoint);

// Appends the UTF-8 form of codePoint (which must be a scalar value).
void Append(std::string& out, char32_t codePoint);

// The offset of the first ill-formed sequence, or npos when text is valid.
std::size_t FindInvalid(std::string_view text);

}  // namespace twfile::json::utf8

#endif  // TWFILE_JSON_ENCODING_H
