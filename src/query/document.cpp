// The document's life: construction, Initialise, Open, Save, SaveAs, Copy,
// Close, the whole-document write and read, the report of sections not
// read, and the six string lists.
#include <twfile/framework/memory_exception.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/platform/colours.h>
#include <twfile/platform/types.h>
#include <twfile/query/qdf.h>
#include "platform/fault.h"
#include "platform/last_error.h"
#include "platform/replace_calls.h"

#include <array>
#include <cstdio>
#include <new>
#include <utility>

#include "query/file_stamp_calls.h"
#include "query/messages.h"
#include "query/section_io.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

using namespace twfile::query;

namespace {

constexpr char kStatusHeading[] =
    "The QDF file contained unsupported versions of the following sections:\r\n";

// A new empty list, or null when it cannot be allocated.
CPtrList* NewList() {
    if (win32::fault::ShouldFail(win32::fault::Kind::ListNode)) return nullptr;
    return new (std::nothrow) CPtrList();
}

// The unsigned decimal text of a 0x00BBGGRR colour.
CString ColourText(win32::DWORD colour) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(colour));
    return CString(digits);
}

// The six lists, in the order in which they are replaced and freed.
std::array<CPtrList**, 6> ListsOf(CTWFileQDF& document) {
    return {&document.m_pTableList,
            &document.m_pAttributeList,
            &document.m_pAttributeNonDisplayList,
            &document.m_pConditionList,
            &document.m_pJoinList,
            &document.m_pDefaultValuesList};
}

}  // namespace

CTWFileQDF::CTWFileQDF()
    : m_bSectionRead(),
      m_nDocumentVersion(),
      m_nSectionVersion(),
      m_pOutputFile(this),
      m_pTableList(nullptr),
      m_pAttributeList(nullptr),
      m_pAttributeNonDisplayList(nullptr),
      m_pConditionList(nullptr),
      m_pJoinList(nullptr),
      m_pDefaultValuesList(nullptr),
      m_bEditedSQL(0),
      m_bActiveQuery(0),
      m_bReadOnly(0),
      m_bSelectionByRow(0),
      m_nTimeZone(0),
      m_nDisplayProperty1(0),
      m_nPrinterProperty1(0),
      m_nPrinterProperty2(0),
      m_nDisplayProperty2(0),
      m_nDynamicSort1(0),
      m_nDynamicSort2(0),
      m_nDynamicSort3(0),
      m_bAutoRunWithoutConditions(0),
      m_bSectionFound(0),
      m_nDroppedAt(-1) {
    Initialise();
}

CTWFileQDF::~CTWFileQDF() {
    for (CPtrList** list : ListsOf(*this)) {
        if (*list == nullptr) continue;
        DeleteList(*list);
        delete *list;
        *list = nullptr;
    }
}

int CTWFileQDF::Initialise() {
    m_bEditedSQL = 0;
    m_bActiveQuery = 0;
    m_bReadOnly = 0;
    m_bSelectionByRow = 0;
    m_bAutoRunWithoutConditions = 0;
    m_strDatabase.Empty();
    m_strSpare.Empty();
    m_strEditedSQL.Empty();
    m_strWindowPosition.Empty();
    m_strCustomDataString.Empty();
    for (int i = 0; i < kSectionCount; ++i) {
        m_nSectionVersion[i][0] = kSections[i].written.major;
        m_nSectionVersion[i][1] = kSections[i].written.minor;
    }
    m_nDocumentVersion[0] = 2;
    m_nDocumentVersion[1] = 0;
    for (CString* text : {&m_strPrinterProperty1, &m_strPrinterProperty2, &m_strPrinterProperty3,
                          &m_strPrinterProperty4, &m_strPrinterProperty5, &m_strPrinterProperty6,
                          &m_strPrinterProperty7, &m_strPrinterProperty8}) {
        text->Empty();
    }
    for (int& indicator : m_bSectionRead)
        indicator = 0;
    m_nDynamicSort1 = 0;
    m_nDynamicSort2 = 0;
    m_nDynamicSort3 = 0;
    m_strDynamicSort.Empty();

    for (CPtrList** list : ListsOf(*this)) {
        if (*list != nullptr) {
            DeleteList(*list);
            delete *list;
            *list = nullptr;
        }
        *list = NewList();
        if (*list == nullptr) return TW_RAISE(kNoApplicationObject, kUnableToCreate);
    }

    m_nTimeZone = 1;
    m_strTimeZone.Empty();
    m_nDisplayProperty1 = 0;
    m_nDisplayProperty2 = 0;
    m_nPrinterProperty1 = 0;
    m_nPrinterProperty2 = 0;
    try {
        m_strBackgroundColour = ColourText(win32::GetSysColor(win32::COLOR_WINDOW));
        m_strTextColour = ColourText(win32::GetSysColor(win32::COLOR_WINDOWTEXT));
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    m_pOutputFile = this;
    return TW_EXIT();
}

int CTWFileQDF::Open(const char* path, int readOnly) {
    TW_RETURN_IF_ERROR(CloseFile());
    TW_RETURN_IF_ERROR(Reset());
    TW_RETURN_IF_ERROR(SetFileName(path));
    if (readOnly != 0) {
        m_dwDesiredAccess = win32::GENERIC_READ;
        m_dwShareMode = win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE;
    } else {
        m_dwDesiredAccess = win32::GENERIC_READ | win32::GENERIC_WRITE;
        m_dwShareMode = win32::FILE_SHARE_READ;
    }
    m_dwCreationDistribution = win32::OPEN_EXISTING;
    TW_RETURN_IF_ERROR(OpenCurrentFile());
    // The file object has shown the system's message; nothing is read.
    if (IsFileOpen() == 0) return TW_EXIT();
    TW_RETURN_IF_ERROR(ReadFromBuffer());
    return TW_EXIT();
}

// Another writer's save renames its new file over the path and then lets the
// old one go; an open that reached the old file just before the rename would
// read and later replace a text that is no longer the newest. Held with
// write access, no later save can replace the file the path names now, so
// a file still named by the path once held stays the newest.
int CTWFileQDF::OpenCurrentFile() {
    constexpr int kAttempts = 100;
    for (int attempt = 1;; ++attempt) {
        TW_RETURN_IF_ERROR(CreateFileA());
        if (IsFileOpen() == 0 || (m_dwDesiredAccess & win32::GENERIC_WRITE) == 0 ||
            attempt == kAttempts || IsFileAtPath(m_hFile, GetFileName()) != 0) {
            break;
        }
        TW_RETURN_IF_ERROR(CloseFile());
    }
    return TW_EXIT();
}

int CTWFileQDF::Save() {
    TW_RETURN_IF_ERROR(CheckSavable());
    if (IsFileOpen() == 0) return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    TW_RETURN_IF_ERROR(WriteReplacingFile());
    return TW_EXIT();
}

// The existing file at path is opened as Open opens it for writing, so that
// another holder keeps the document out as it would keep a writer out; only
// a path that names nothing is left to the save to create.
int CTWFileQDF::SaveAs(const char* path) {
    TW_RETURN_IF_ERROR(CheckSavable());
    TW_RETURN_IF_ERROR(CloseFile());
    TW_RETURN_IF_ERROR(Reset());
    TW_RETURN_IF_ERROR(SetFileName(path));
    m_dwDesiredAccess = win32::GENERIC_READ | win32::GENERIC_WRITE;
    m_dwShareMode = win32::FILE_SHARE_READ;
    if (win32::GetFileAttributesA(path) != win32::INVALID_FILE_ATTRIBUTES ||
        !win32::IsFileNotFound(win32::GetLastError())) {
        m_dwCreationDistribution = win32::OPEN_EXISTING;
        TW_RETURN_IF_ERROR(CreateFileA());
        if (IsFileOpen() == 0) {
            // The file object has shown the system's reason.
            m_dwCreationDistribution = win32::OPEN_ALWAYS;
            return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
        }
    }
    m_dwCreationDistribution = win32::OPEN_ALWAYS;
    TW_RETURN_IF_ERROR(WriteReplacingFile());
    return TW_EXIT();
}

int CTWFileQDF::WriteReplacingFile() {
    const auto write = [](void* document) {
        return static_cast<CTWFileQDF*>(document)->WriteToBuffer();
    };
    TW_RETURN_IF_ERROR(WriteReplacing(write, this));
    return TW_EXIT();
}

int CTWFileQDF::Copy(CTWFileQDF* target) {
    if (target == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    // The document writes into its own file again on every return.
    struct RestoreOutput {
        CTWFileQDF* document;
        ~RestoreOutput() { document->m_pOutputFile = document; }
    } restore{this};
    m_pOutputFile = target;
    TW_RETURN_IF_ERROR(WriteToBuffer());
    TW_RETURN_IF_ERROR(target->WriteFile());
    return TW_EXIT();
}

int CTWFileQDF::Close() {
    TW_RETURN(CloseFile());
}

int CTWFileQDF::WriteToBuffer() {
    try {
        for (const Section& section : kSections)
            TW_RETURN_IF_ERROR(section.write(*this));
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

// Each reader takes the next start line in the file as its own. The first
// failure stops the read; what was read stays.
// A file in which no reader met its own start line is not a document: it is
// said so rather than read as an empty one.
int CTWFileQDF::ReadFromBuffer() {
    for (int& indicator : m_bSectionRead)
        indicator = 0;
    m_bSectionFound = 0;
    m_nDroppedAt = -1;
    try {
        for (const Section& section : kSections) {
            int read = 0;
            TW_RETURN_IF_ERROR(section.read(*this, read));
            if (section.indicator != Section::kNoIndicator) {
                m_bSectionRead[section.indicator] = read != 0 ? 1 : 0;
            }
        }
        if (m_bSectionFound == 0) return TW_RAISE(kNotADocument, kNotAQueryFile);
        TW_RETURN_IF_ERROR(ReadTrailingText(*this));
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

long CTWFileQDF::GetDroppedTextOffset() const {
    return m_nDroppedAt;
}

int CTWFileQDF::GetStatusString(CString* report) {
    if (report == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    try {
        CString text(kStatusHeading);
        bool named = false;
        for (const Section& section : kSections) {
            if (!section.reported || m_bSectionRead[section.indicator] != 0) continue;
            text += section.name;
            text += "\r\n";
            named = true;
        }
        if (named) {
            *report = std::move(text);
        } else {
            report->Empty();
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

int CTWFileQDF::ClearQueryText() {
    m_strDatabase.Empty();
    for (CPtrList** list : ListsOf(*this))
        TW_RETURN_IF_ERROR(DeleteList(*list));
    return TW_EXIT();
}

int CTWFileQDF::DeleteList(CPtrList* list) {
    if (list == nullptr) return 0;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        delete static_cast<CString*>(list->GetNext(pos));
    }
    list->RemoveAll();
    return 0;
}

// When the list cannot grow, item stays the caller's.
int CTWFileQDF::AddTail(CPtrList* list, CString* item) {
    if (list == nullptr || item == nullptr) return TW_EXIT();
    try {
        list->AddTail(item);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }
    return TW_EXIT();
}

void CTWFileQDF::DeleteTableList() {
    DeleteList(m_pTableList);
}
void CTWFileQDF::DeleteAttributeList() {
    DeleteList(m_pAttributeList);
}
void CTWFileQDF::DeleteAttributeNonDisplayList() {
    DeleteList(m_pAttributeNonDisplayList);
}
void CTWFileQDF::DeleteConditionList() {
    DeleteList(m_pConditionList);
}
void CTWFileQDF::DeleteJoinList() {
    DeleteList(m_pJoinList);
}
void CTWFileQDF::DeleteDefaultValuesList() {
    DeleteList(m_pDefaultValuesList);
}

void CTWFileQDF::AddTable(CString* item) {
    AddTail(m_pTableList, item);
}
void CTWFileQDF::AddAttribute(CString* item) {
    AddTail(m_pAttributeList, item);
}
void CTWFileQDF::AddAttributeNonDisplay(CString* item) {
    AddTail(m_pAttributeNonDisplayList, item);
}
void CTWFileQDF::AddCondition(CString* item) {
    AddTail(m_pConditionList, item);
}
void CTWFileQDF::AddJoin(CString* item) {
    AddTail(m_pJoinList, item);
}
void CTWFileQDF::AddDefaultValue(CString* item) {
    AddTail(m_pDefaultValuesList, item);
}

CPtrList* CTWFileQDF::GetTableList() const {
    return m_pTableList;
}
