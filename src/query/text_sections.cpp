// WINDOW-POSITION, EDITED-SQL and CUSTOM-DATA-STRING: texts the application
// owns and the document stores as they are.
#include <twfile/framework/memory_exception.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include <climits>
#include <cstring>
#include <new>

#include "query/line_values.h"
#include "query/messages.h"
#include "query/section_io.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

namespace twfile {
namespace query {

// The text goes out unchanged: CR LF pairs inside it make more lines.
int WriteTextSection(CTWFileQDF& document, int index, const CString& text) {
    TW_RETURN_IF_ERROR(WriteSectionStart(document, index));
    TW_RETURN_IF_ERROR(WriteLine(document, text.GetString()));
    TW_RETURN_IF_ERROR(WriteSectionEnd(document));
    return TW_EXIT();
}

int WriteWindowPositionSection(CTWFileQDF& document) {
    TW_RETURN(WriteTextSection(document, kWindowPosition, document.m_strWindowPosition));
}

int WriteEditedSQLSection(CTWFileQDF& document) {
    TW_RETURN(WriteTextSection(document, kEditedSQL, document.m_strEditedSQL));
}

int WriteCustomDataStringSection(CTWFileQDF& document) {
    TW_RETURN(WriteTextSection(document, kCustomDataString, document.m_strCustomDataString));
}

int ReadWindowPositionSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kWindowPosition, read, [](CTWFileQDF& d, int, int) {
        return ReadBodyLine(d, &d.m_strWindowPosition);
    }));
}

// The custom data line is emptied first: a file without the section, or
// with a version not read, leaves it empty.
int ReadCustomDataStringSection(CTWFileQDF& document, int& read) {
    document.m_strCustomDataString.Empty();
    TW_RETURN_IF_ERROR(ReadSection(document, kCustomDataString, read, [](CTWFileQDF& d, int, int) {
        return ReadBodyLine(d, &d.m_strCustomDataString);
    }));
    return TW_EXIT();
}

// The body has no terminator of its own: the lines up to the closing "}"
// are the text, joined by CR LF. The end of the file ends the text (a last
// line without CR LF is dropped). Lines may be of any length. A rejected
// version is not skipped: the next reader starts after the start line (and
// its opening line, when the name was right).
int ReadEditedSQLSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kEditedSQL, read, [](CTWFileQDF& d, int, int) {
        d.m_strEditedSQL.Empty();
        CString line;
        for (int count = 0;; ++count) {
            int eof = 0;
            TW_RETURN_IF_ERROR(d.ReadLine(&line, eof));
            if (eof != 0 || IsLine(line, "}")) break;
            // A line's text ends at its first NUL, as the line is written.
            const int length = static_cast<int>(std::strlen(line.GetString()));
            const int separator = count != 0 ? 2 : 0;
            const long long needed =
                static_cast<long long>(d.m_strEditedSQL.GetLength()) + separator + length;
            try {
                // Reserved first, so a failure leaves the text as it was; the
                // string grows geometrically, so the whole read stays linear.
                if (needed >= INT_MAX) throw CMemoryException();
                d.m_strEditedSQL.Preallocate(static_cast<int>(needed));
            } catch (const std::bad_alloc&) {
                return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
            }
            d.m_strEditedSQL.Append("\r\n", separator);
            d.m_strEditedSQL.Append(line.GetString(), length);
        }
        return TW_EXIT();
    }));
}

}  // namespace query
}  // namespace twfile
