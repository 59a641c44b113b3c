#include <twfile/sql/shown_text.h>

#include <cstdio>

namespace twfile {
namespace sql {

namespace {

// The C escape of ch, or null for a character written \xNN or as it is.
const char* NamedEscape(char ch) {
    switch (ch) {
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        case '\r':
            return "\\r";
        case '\n':
            return "\\n";
        case '\t':
            return "\\t";
        default:
            return nullptr;
    }
}

}  // namespace

std::string ShownText(std::string_view text, ShownEscapes escapes) {
    std::string shown = "\"";
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        const char* named = escapes == ShownEscapes::CString ? NamedEscape(ch) : nullptr;
        if (named != nullptr) {
            shown += named;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        } else {
            shown += ch;
        }
    }
    return shown + "\"";
}

}  // namespace sql
}  // namespace twfile
