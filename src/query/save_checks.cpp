// What a save refuses: a document whose text would not read back the same.
// Each one-line member is written as one body line, so a CR LF inside it
// would split it and shift every later line; the edited SQL is ended by a
// line that is exactly "}", so such a line inside it would end it early.
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include <string>
#include <string_view>

#include "query/messages.h"

using namespace twfile::query;

namespace {

struct OneLineMember {
    CString CTWFileQDF::*member;
    const char* name;
};

const OneLineMember kOneLineMembers[] = {
    {&CTWFileQDF::m_strDatabase, "m_strDatabase"},
    {&CTWFileQDF::m_strWindowPosition, "m_strWindowPosition"},
    {&CTWFileQDF::m_strCustomDataString, "m_strCustomDataString"},
    {&CTWFileQDF::m_strTimeZone, "m_strTimeZone"},
    {&CTWFileQDF::m_strBackgroundColour, "m_strBackgroundColour"},
    {&CTWFileQDF::m_strTextColour, "m_strTextColour"},
    {&CTWFileQDF::m_strPrinterProperty1, "m_strPrinterProperty1"},
    {&CTWFileQDF::m_strPrinterProperty2, "m_strPrinterProperty2"},
    {&CTWFileQDF::m_strPrinterProperty3, "m_strPrinterProperty3"},
    {&CTWFileQDF::m_strPrinterProperty4, "m_strPrinterProperty4"},
    {&CTWFileQDF::m_strPrinterProperty5, "m_strPrinterProperty5"},
    {&CTWFileQDF::m_strPrinterProperty6, "m_strPrinterProperty6"},
    {&CTWFileQDF::m_strPrinterProperty7, "m_strPrinterProperty7"},
    {&CTWFileQDF::m_strPrinterProperty8, "m_strPrinterProperty8"},
    {&CTWFileQDF::m_strDynamicSort, "m_strDynamicSort"},
};

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
        for (const OneLineMember& one : kOneLineMembers) {
            if (WrittenText(this->*one.member).find("\r\n") == std::string::npos) continue;
            const std::string text =
                std::string("Cannot save: ") + one.name + " holds a line break (CR LF)";
            TW_RAISE(ID_TWErrors_InvalidParam, text.c_str());
        }
        if (HasLine(WrittenText(m_strEditedSQL), "}")) {
            TW_RAISE(ID_TWErrors_InvalidParam,
                     "Cannot save: a line of m_strEditedSQL is \"}\", which would end the section");
        }
    } catch (const std::bad_alloc&) {
        TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    TW_EXIT();
}
