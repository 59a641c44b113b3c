// FLAGS: five yes/no properties, each written as one of two sentences.
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include "query/line_values.h"
#include "query/messages.h"
#include "query/section_io.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

namespace twfile {
namespace query {

namespace {

struct Flag {
    int CTWFileQDF::*member;
    const char* trueText;
    const char* falseText;
};

// In file order. Version 1.0 holds the first three lines, 2.0 the first
// four, 2.1 all five.
constexpr Flag kFlagLines[] = {
    {&CTWFileQDF::m_bEditedSQL, "Edited SQL selected", "Generated SQL selected"},
    {&CTWFileQDF::m_bActiveQuery, "Active Query", "Static Query"},
    {&CTWFileQDF::m_bReadOnly, "The Query is Read Only", "The Query is NOT Read Only"},
    {&CTWFileQDF::m_bSelectionByRow, "Selection is by ROW", "Selection is by CELL"},
    {&CTWFileQDF::m_bAutoRunWithoutConditions, "Auto Run Query Without Conditions",
     "Do Not Auto Run Query Without Conditions"},
};

int FlagLinesOfVersion(int major, int minor) {
    if (major == 1) return 3;
    return minor == 0 ? 4 : 5;
}

}  // namespace

int WriteFlagsSection(CTWFileQDF& document) {
    TW_RETURN_IF_ERROR(WriteSectionStart(document, kFlags));
    for (const Flag& flag : kFlagLines) {
        TW_RETURN_IF_ERROR(
            WriteLine(document, document.*flag.member != 0 ? flag.trueText : flag.falseText));
    }
    TW_RETURN_IF_ERROR(WriteSectionEnd(document));
    return TW_EXIT();
}

// A line sets its flag when it is exactly the true text; anything else,
// the false text included, clears it. A 1.0 body also clears selection by
// row; the flags a version lacks otherwise keep their values.
int ReadFlagsSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kFlags, read, [](CTWFileQDF& d, int major, int minor) {
        const int lines = FlagLinesOfVersion(major, minor);
        CString line;
        for (int i = 0; i < lines; ++i) {
            TW_RETURN_IF_ERROR(ReadBodyLine(d, &line));
            d.*kFlagLines[i].member = IsLine(line, kFlagLines[i].trueText) ? 1 : 0;
        }
        if (lines == 3) d.m_bSelectionByRow = 0;
        return TW_EXIT();
    }));
}

}  // namespace query
}  // namespace twfile
