// How the byte strings of a document become the text of JSON, summaries and
// command-line arguments, and back.
#ifndef QDF_ENCODING_H
#define QDF_ENCODING_H

#include <string>
#include <string_view>

namespace qdf {

// Windows-1252 (the default) reads every byte string; UTF-8 reads only byte
// strings that are well-formed UTF-8.
enum class Encoding { Windows1252, Utf8 };

// "windows-1252" or "utf-8".
const char* EncodingName(Encoding encoding);

// The bytes of a document member as UTF-8 text. Bytes that are not valid in
// the encoding raise a Failure that names member and the offset.
std::string DecodeText(std::string_view bytes, Encoding encoding, std::string_view member);

// The bytes that stand for text (UTF-8) in the encoding. A character the
// encoding cannot hold, or text that is not UTF-8, raises a Failure that
// names member.
std::string EncodeText(std::string_view text, Encoding encoding, std::string_view member);

}  // namespace qdf

#endif  // QDF_ENCODING_H
