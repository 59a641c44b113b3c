#include <twfile/json/encoding.h>

#include <cstdio>

namespace twfile::json {

namespace {

std::string CodePointName(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

[[noreturn]] void NotUtf8(std::string_view member, std::size_t offset, const char* hint) {
    throw Error(Error::Kind::Invalid,
                std::string(member) + ": not valid UTF-8 at byte " + std::to_string(offset) + hint);
}

}  // namespace

const char* EncodingName(Encoding encoding) {
    return encoding == Encoding::Utf8 ? "utf-8" : "windows-1252";
}

std::string DecodeText(std::string_view bytes, Encoding encoding, std::string_view member) {
    if (encoding == Encoding::Windows1252) return cp1252::Decode(bytes);
    const std::size_t bad = utf8::FindInvalid(bytes);
    if (bad != std::string_view::npos) {
        NotUtf8(member, bad, " (the windows-1252 encoding reads every byte)");
    }
    return std::string(bytes);
}

std::string EncodeText(std::string_view text, Encoding encoding, std::string_view member) {
    const std::size_t bad = utf8::FindInvalid(text);
    if (bad != std::string_view::npos) NotUtf8(member, bad, "");
    if (encoding == Encoding::Utf8) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    char32_t codePoint = 0;
    while (utf8::Next(text, pos, codePoint)) {
        const auto byte = cp1252::FromCodePoint(codePoint);
        if (!byte) {
            throw Error(Error::Kind::Invalid, std::string(member) + ": the character " +
                                                  CodePointName(codePoint) +
                                                  " has no windows-1252 byte");
        }
        out += static_cast<char>(*byte);
    }
    return out;
}

}  // namespace twfile::json
