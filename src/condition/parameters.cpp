// Parameters in a condition: names written between "<<" and ">>", listed in
// a map or replaced by a sample value of the attribute's data type.
#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>

#include <climits>
#include <cstring>
#include <new>

#include "framework/text_buffer.h"

#define TW_SOURCE "TWFileQDFCondition"

namespace {

constexpr int kMaxParameters = 18;
// Names are copied into a buffer of this many bytes, NUL included.
constexpr std::size_t kNameBufferSize = 1024;

struct Parameter {
    std::size_t nameStart;
    std::size_t nameEnd;    // just after the name
    std::size_t spanStart;  // the first "<"
    std::size_t spanEnd;    // just after the last ">"
};

// The parameters of text (n characters) in the order they close. A "<<"
// opens a parameter (again, at a later "<<"); the first ">>" after it closes
// it. A text of 4 characters or fewer has none. More than kMaxParameters of
// them, or a name too long, is raised.
int FindParameters(const char* text, std::size_t n, Parameter (&found)[kMaxParameters],
                   int& count) {
    count = 0;
    if (n <= 4) return TW_EXIT();
    bool open = false;
    std::size_t openAt = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (text[i] == '<' && text[i + 1] == '<') {
            open = true;
            openAt = i;
        } else if (open && text[i] == '>' && text[i + 1] == '>') {
            open = false;
            if (count == kMaxParameters) {
                return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
            }
            const Parameter parameter = {openAt + 2, i, openAt, i + 2};
            if (parameter.nameEnd - parameter.nameStart >= kNameBufferSize) {
                return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
            }
            found[count++] = parameter;
        }
    }
    return TW_EXIT();
}

// The sample value that stands for a parameter of type; null for types
// without one.
const char* SampleValue(TWDB_DataType type) {
    switch (type) {
        case TWDB_Integer:
            return "1";
        case TWDB_String:
            return "ABC";
        case TWDB_Bool:
            return "TRUE";
        case TWDB_Real:
            return "1.0";
        case TWDB_Time:
            return "12.00";
        default:
            return nullptr;
    }
}

}  // namespace

int CTWFileQDFCondition::GetParameterMap(const char* text, CMapStringToString* map) {
    if (text == nullptr || map == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    Parameter found[kMaxParameters];
    int count = 0;
    TW_RETURN_IF_ERROR(FindParameters(text, std::strlen(text), found, count));
    try {
        for (int k = 0; k < count; ++k) {
            char name[kNameBufferSize];
            const std::size_t length = found[k].nameEnd - found[k].nameStart;
            std::memcpy(name, text + found[k].nameStart, length);
            name[length] = '\0';
            (*map)[name] = "";
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

int CTWFileQDFCondition::GetParameterMap(CMapStringToString* map) {
    TW_RETURN(GetParameterMap(m_strOperand.GetString(), map));
}

int CTWFileQDFCondition::UnParameteriseOperand(const char* operand, CTWDB_Attribute* attribute) {
    if (operand == nullptr || attribute == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    const TWDB_DataType type = attribute->GetDataType();
    TW_RETURN_IF_PENDING();
    const char* sample = SampleValue(type);
    if (sample == nullptr) return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);

    const std::size_t n = std::strlen(operand);
    Parameter found[kMaxParameters];
    int count = 0;
    TW_RETURN_IF_ERROR(FindParameters(operand, n, found, count));

    // Every span is at least "<<>>" long, so the result is at most one
    // character per parameter longer than the operand.
    const std::size_t sampleLength = std::strlen(sample);
    std::size_t length = n;
    for (int k = 0; k < count; ++k) {
        length = length - (found[k].spanEnd - found[k].spanStart) + sampleLength;
    }
    if (length >= static_cast<std::size_t>(INT_MAX)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    if (!twfile::GrowTextBuffer(m_pOperandBuffer, m_nOperandBufferSize, static_cast<int>(length))) {
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }

    char* out = m_pOperandBuffer;
    std::size_t from = 0;
    for (int k = 0; k < count; ++k) {
        std::memcpy(out, operand + from, found[k].spanStart - from);
        out += found[k].spanStart - from;
        std::memcpy(out, sample, sampleLength);
        out += sampleLength;
        from = found[k].spanEnd;
    }
    std::memcpy(out, operand + from, n - from + 1);
    return TW_EXIT();
}
