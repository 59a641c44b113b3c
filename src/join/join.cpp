// A join and its SQL text.
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/join/join.h>

#include <climits>
#include <cstring>

#include "framework/text_buffer.h"

#define TW_SOURCE "TWFileQDFJoin"

namespace {

constexpr char kSeparator[] = " = ";
constexpr std::size_t kSeparatorLength = sizeof(kSeparator) - 1;

// The table and attribute name of the element at pos, pos moving on to the
// next; null, with the error raised and shown, when the element or its name
// is missing.
const char* NextName(CTWFileQDFJoin& join, POSITION& pos) {
    const auto* attribute = static_cast<const CTWDB_Attribute*>(join.GetNext(pos));
    if (attribute == nullptr) {
        TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, nullptr);
    }
    const char* name = attribute->GetTableAttributeName();
    TW_RETURN_VALUE_IF_ERROR(name, nullptr);
    if (name == nullptr) TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, nullptr);
    return name;
}

}  // namespace

TW_IMPLEMENT_DYNCREATE(CTWFileQDFJoin, CTWDB_AttributeList)

CTWFileQDFJoin::CTWFileQDFJoin() : m_pBuffer(nullptr), m_nBufferSize(0) {
    Initialise();
}

CTWFileQDFJoin::~CTWFileQDFJoin() {
    twfile::FreeTextBuffer(m_pBuffer, m_nBufferSize);
}

int CTWFileQDFJoin::Initialise() {
    twfile::FreeTextBuffer(m_pBuffer, m_nBufferSize);
    return 0;
}

int CTWFileQDFJoin::ReAllocateBuffer(int size) {
    if (!twfile::GrowTextBuffer(m_pBuffer, m_nBufferSize, size)) {
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }
    return TW_EXIT();
}

const char* CTWFileQDFJoin::GetText() {
    // First pass: the length of the text.
    std::size_t total = 0;
    int count = 0;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const char* name = NextName(*this, pos);
        if (name == nullptr) return m_pBuffer;
        total += std::strlen(name);
        if (count > 0) total += kSeparatorLength;
        ++count;
        if (total >= static_cast<std::size_t>(INT_MAX)) {
            TW_RAISE_RETURN(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam, m_pBuffer);
        }
    }
    const int length = static_cast<int>(total);
    TW_RETURN_VALUE_IF_ERROR(ReAllocateBuffer(length), m_pBuffer);

    // Second pass: the text itself, kept NUL-terminated at every step and
    // never longer than the buffer, even if a name has changed meanwhile.
    std::size_t used = 0;
    m_pBuffer[0] = '\0';
    bool first = true;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const char* name = NextName(*this, pos);
        if (name == nullptr) return m_pBuffer;
        const std::size_t nameLength = std::strlen(name);
        const std::size_t separator = first ? 0 : kSeparatorLength;
        if (used + separator + nameLength > static_cast<std::size_t>(length)) {
            TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, m_pBuffer);
        }
        std::memcpy(m_pBuffer + used, kSeparator, separator);
        std::memcpy(m_pBuffer + used + separator, name, nameLength + 1);
        used += separator + nameLength;
        first = false;
    }
    TW_EXIT_RETURN(m_pBuffer);
}
