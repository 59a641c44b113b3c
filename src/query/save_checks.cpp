// What a save refuses: a document whose text would not read back the same.
// Each one-line member is written as one body line, so a CR LF inside it
// would split it and shift every later line; the edited SQL is ended by a
// line that is exactly "}", so such a line inside it would end it early.
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

#include <string>
#include <string_view>

#include "query/messages.h"

#define TW_SOURCE "TWFileQDF"

using namespace twfile::query;

namespace {

// The text as it is written: up to its first NUL.
std::string_view WrittenText(const CString& text) {
    return std::string_view(text.GetString());
}

// True when one of the CR LF separated lines of text is exactly line.
bool HasLine(std::string_view text, std::string_view line) {
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        if (text.substr(start, end == std::string_view::npos ? end : end - start) == line) {
            return true;
        }
        if (end == std::string_view::npos) return false;
        start = end + 2;
    }
}

}  // namespace

int CTWFileQDF::CheckSavable() const {
    try {
        for (const Member& member : Members()) {
            if (member.kind != MemberKind::Text || !member.oneLine) continue;
            if (WrittenText(this->*member.text).find("\r\n") == std::string_view::npos) continue;
            const std::string text =
                std::string("Cannot save: ") + member.name + " holds a line break (CR LF)";
            return TW_RAISE(ID_TWErrors_InvalidParam, text.c_str());
        }
        if (HasLine(WrittenText(m_strEditedSQL), "}")) {
            return TW_RAISE(
                ID_TWErrors_InvalidParam,
                "Cannot save: a line of m_strEditedSQL is \"}\", which would end the section");
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}
