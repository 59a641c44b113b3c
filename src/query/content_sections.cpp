// HEADER, DATABASE and the six list sections, with the list encoding they
// share: one line per element, then an empty line.
#include <twfile/framework/memory_exception.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>
#include "platform/fault.h"

#include <cstring>
#include <memory>
#include <new>

#include "query/messages.h"
#include "query/section_io.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

namespace twfile {
namespace query {

namespace {

// How far ahead of the element being written WriteList fetches the next
// elements' strings: their objects twice this far, their texts this far.
constexpr int kFetchAhead = 8;

// Asks the processor to bring what p points to into its caches; a hint
// only, and never a fault, whatever p holds.
inline void Prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Walks a list 2 * kFetchAhead elements ahead of the writer and fetches the
// string objects it passes; the texts are fetched kFetchAhead elements
// later, when their objects have arrived. The elements between the two
// points wait in a ring.
class FetchAhead {
  public:
    explicit FetchAhead(const CPtrList* list) : m_pList(list), m_pos(list->GetHeadPosition()) {
        for (int i = 0; i < 2 * kFetchAhead; ++i)
            Next();
    }
    // Called once per element written.
    void Next() {
        const CString* ahead = nullptr;
        if (m_pos != nullptr) {
            ahead = static_cast<const CString*>(m_pList->GetNext(m_pos));
            Prefetch(ahead);
        }
        const CString*& slot = m_ring[m_next];
        if (slot != nullptr) Prefetch(slot->GetString());
        slot = ahead;
        m_next = (m_next + 1) % kFetchAhead;
    }

  private:
    const CPtrList* m_pList;
    POSITION m_pos;
    const CString* m_ring[kFetchAhead] = {};
    int m_next = 0;
};

// The first CR LF in [text, last), or null.
const char* FindLineEnd(const char* text, const char* last) {
    while (last - text >= 2) {
        const void* cr = std::memchr(text, '\r', static_cast<std::size_t>(last - text - 1));
        if (cr == nullptr) return nullptr;
        text = static_cast<const char*>(cr);
        if (text[1] == '\n') return text;
        ++text;
    }
    return nullptr;
}

constexpr const char* kHeaderLines[] = {
    "This file contains the definition of an SQL query",
    "as created by the Tarnwick.",
    "It would be unwise to edit this file manually.",
};

// A new empty heap string, or null when it cannot be allocated.
CString* NewString() {
    if (win32::fault::ShouldFail(win32::fault::Kind::String)) return nullptr;
    return new (std::nothrow) CString();
}

// The pieces between the CR LF pairs of one list element.
int WriteListPieces(CTWFileQDF& document, const char* text) {
    try {
        const char* const last = text + std::strlen(text);
        for (const char* piece = text; piece < last;) {
            const char* end = FindLineEnd(piece, last);
            if (end == nullptr) end = last;
            if (end > piece) {
                const CString line(piece, static_cast<int>(end - piece));
                TW_RETURN_IF_ERROR(WriteLine(document, line.GetString()));
            }
            piece = end == last ? last : end + 2;
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

}  // namespace

int WriteHeaderSection(CTWFileQDF& document) {
    TW_RETURN_IF_ERROR(WriteSectionStart(document, kHeader));
    for (const char* line : kHeaderLines)
        TW_RETURN_IF_ERROR(WriteLine(document, line));
    TW_RETURN_IF_ERROR(WriteSectionEnd(document));
    return TW_EXIT();
}

// The three lines are read and discarded, whatever they hold.
int ReadHeaderSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kHeader, read, [](CTWFileQDF& d, int, int) {
        CString line;
        for (int i = 0; i < 3; ++i)
            TW_RETURN_IF_ERROR(ReadBodyLine(d, &line));
        return TW_EXIT();
    }));
}

int WriteDatabaseSection(CTWFileQDF& document) {
    TW_RETURN(WriteTextSection(document, kDatabase, document.m_strDatabase));
}

int ReadDatabaseSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kDatabase, read, [](CTWFileQDF& d, int, int) {
        return ReadBodyLine(d, &d.m_strDatabase);
    }));
}

int WriteTablesSection(CTWFileQDF& document) {
    TW_RETURN(WriteListSection(document, kTables, document.m_pTableList));
}

int WriteAttributesSection(CTWFileQDF& document) {
    TW_RETURN(WriteListSection(document, kAttributes, document.m_pAttributeList));
}

int WriteConditionsSection(CTWFileQDF& document) {
    TW_RETURN(WriteListSection(document, kConditions, document.m_pConditionList));
}

int WriteJoinsSection(CTWFileQDF& document) {
    TW_RETURN(WriteListSection(document, kJoins, document.m_pJoinList));
}

int WriteDefaultValuesSection(CTWFileQDF& document) {
    TW_RETURN(WriteListSection(document, kDefaultValues, document.m_pDefaultValuesList));
}

int WriteNonDisplayAttributesSection(CTWFileQDF& document) {
    TW_RETURN(
        WriteListSection(document, kNonDisplayAttributes, document.m_pAttributeNonDisplayList));
}

int ReadTablesSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kTables, read,
                          [](CTWFileQDF& d, int, int) { return ReadList(d, d.m_pTableList); }));
}

int ReadAttributesSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kAttributes, read,
                          [](CTWFileQDF& d, int, int) { return ReadList(d, d.m_pAttributeList); }));
}

int ReadConditionsSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kConditions, read,
                          [](CTWFileQDF& d, int, int) { return ReadList(d, d.m_pConditionList); }));
}

int ReadJoinsSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kJoins, read,
                          [](CTWFileQDF& d, int, int) { return ReadList(d, d.m_pJoinList); }));
}

int ReadNonDisplayAttributesSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kNonDisplayAttributes, read, [](CTWFileQDF& d, int, int) {
        return ReadList(d, d.m_pAttributeNonDisplayList);
    }));
}

// A rejected or missing DEFAULT-VALUES section empties the list and is not
// skipped: the next reader starts at the line after the one taken here as
// the start line (and its opening line, when the name was right).
int ReadDefaultValuesSection(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(
        document, kDefaultValues, read,
        [](CTWFileQDF& d, int, int) { return ReadList(d, d.m_pDefaultValuesList); },
        [](CTWFileQDF& d, int, int) {
            d.DeleteDefaultValuesList();
            return 0;
        }));
}

int WriteListSection(CTWFileQDF& document, int index, CPtrList* list) {
    TW_RETURN_IF_ERROR(WriteSectionStart(document, index));
    TW_RETURN_IF_ERROR(WriteList(document, list));
    TW_RETURN_IF_ERROR(WriteSectionEnd(document));
    return TW_EXIT();
}

// Every element is written so that it reads back without losing another.
// An element is written up to its first NUL, as a line can hold no more. An
// empty line would end the list on reading and lose every element after
// it, so empty elements are left out; so are the empty pieces of an element
// that holds CR LF (at its end, twice in a row), whose other pieces read back
// as elements of their own. A null list is written as an empty list.
//
// The elements of a long list lie all over memory that is no longer in the
// caches: their strings are fetched a few elements ahead, so that the writer
// does not wait for memory at every element.
int WriteList(CTWFileQDF& document, CPtrList* list) {
    if (list != nullptr) {
        FetchAhead ahead(list);
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
            ahead.Next();
            const CString* item = static_cast<const CString*>(list->GetNext(pos));
            if (item == nullptr) return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
            const char* text = item->GetString();
            const std::size_t length = std::strlen(text);
            if (FindLineEnd(text, text + length) == nullptr) {
                if (length > 0) TW_RETURN_IF_ERROR(WriteLine(document, text));
                continue;
            }
            TW_RETURN_IF_ERROR(WriteListPieces(document, text));
        }
    }
    TW_RETURN_IF_ERROR(WriteLine(document, ""));
    return TW_EXIT();
}

// Appends the lines up to the first empty one to list; the elements read
// before a failure stay. A null list is read but keeps nothing.
int ReadList(CTWFileQDF& document, CPtrList* list) {
    for (;;) {
        std::unique_ptr<CString> item(NewString());
        if (!item) return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
        int eof = 0;
        TW_RETURN_IF_ERROR(document.ReadLine(item.get(), eof));
        if (eof != 0) return TW_RAISE(kQdfError, kUnexpectedEof);
        if (item->IsEmpty()) break;
        if (list == nullptr) continue;
        try {
            list->AddTail(item.get());
        } catch (const std::bad_alloc&) {
            return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
        }
        item.release();
    }
    return TW_EXIT();
}

}  // namespace query
}  // namespace twfile
