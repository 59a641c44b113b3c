#include "visible_text.h"

#include <cstring>

#include <twfile/json/encoding.h>

namespace qdf {

namespace json = twfile::json;

namespace {

void AppendEscape(std::string& out, const char* prefix, unsigned value) {
    static const char kHex[] = "0123456789ABCDEF";
    out += prefix;
    out += kHex[(value >> 4) & 15];
    out += kHex[value & 15];
}

bool Kept(const VisibleStyle& style, std::string_view text, std::size_t pos) {
    // A CR only ends a line together with its LF.
    if (text[pos] == '\r')
        return pos + 1 < text.size() && text[pos + 1] == '\n' &&
               std::strchr(style.kept, '\n') != nullptr;
    return std::strchr(style.kept, text[pos]) != nullptr;
}

}  // namespace

void AppendVisible(std::string& out, std::string_view text, const VisibleStyle& style) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x80) {
            std::size_t next = pos;
            char32_t codePoint = 0;
            if (!json::utf8::Next(text, next, codePoint)) {
                if (style.onlyUtf8) {
                    AppendEscape(out, "\\x", c);
                } else {
                    out += static_cast<char>(c);
                }
                ++pos;
            } else if (codePoint <= 0x9F) {
                AppendEscape(out, "\\u00", static_cast<unsigned>(codePoint));
                pos = next;
            } else {
                out.append(text, pos, next - pos);
                pos = next;
            }
            continue;
        }
        if (c >= 0x20 && c != 0x7F) {
            out += static_cast<char>(c);
        } else if (style.breaksAsSpaces && (c == '\r' || c == '\n' || c == '\t')) {
            out += ' ';
        } else if (c != 0 && Kept(style, text, pos)) {
            out += static_cast<char>(c);
        } else {
            AppendEscape(out, "\\x", c);
        }
        ++pos;
    }
}

std::string Visible(std::string_view text, const VisibleStyle& style) {
    std::string out;
    AppendVisible(out, text, style);
    return out;
}

}  // namespace qdf
