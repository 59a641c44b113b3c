// The condition's model: its members, operators, binding and SQL text.
#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>

#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "framework/text_buffer.h"

#define TW_SOURCE "TWFileQDFCondition"

namespace {

struct OperatorText {
    TWFileQDFConditionOperator op;
    const char* text;
};

// The operators with a text, in the order GetOperatorEnum compares them.
constexpr OperatorText kOperators[] = {
    {Operator_Equal, "="},   {Operator_NotEqual, "<>"},    {Operator_Less, "<"},
    {Operator_Greater, ">"}, {Operator_LessOrEqual, "<="}, {Operator_GreaterOrEqual, ">="},
    {Operator_In, "IN"},     {Operator_Like, "LIKE"},
};

constexpr char kNoOperator[] = "";
constexpr char kBadOperator[] = "Error!!!";

}  // namespace

TW_IMPLEMENT_DYNCREATE(CTWFileQDFCondition, CCmdTarget)

CTWFileQDFCondition::CTWFileQDFCondition()
    : m_pAttribute(nullptr),
      m_eOperator(Operator_None),
      m_pBuffer(nullptr),
      m_nBufferSize(0),
      m_pOperandBuffer(nullptr),
      m_nOperandBufferSize(0),
      m_nWorkLength(0),
      m_pAttributeToken(nullptr),
      m_pOperatorToken(nullptr),
      m_pOperandToken(nullptr) {
    Initialise();
}

CTWFileQDFCondition::~CTWFileQDFCondition() {
    twfile::FreeTextBuffer(m_pBuffer, m_nBufferSize);
    twfile::FreeTextBuffer(m_pOperandBuffer, m_nOperandBufferSize);
}

const AFX_MSGMAP* CTWFileQDFCondition::GetMessageMap() const {
    static const AFX_MSGMAP map = {CCmdTarget::GetMessageMap()};
    return &map;
}

int CTWFileQDFCondition::Initialise() {
    m_pAttribute = nullptr;
    m_eOperator = Operator_None;
    m_strOperand.Empty();
    twfile::FreeTextBuffer(m_pBuffer, m_nBufferSize);
    twfile::FreeTextBuffer(m_pOperandBuffer, m_nOperandBufferSize);
    // The tokens pointed into the freed working copy.
    m_nWorkLength = 0;
    m_pAttributeToken = nullptr;
    m_pOperatorToken = nullptr;
    m_pOperandToken = nullptr;
    return 0;
}

int CTWFileQDFCondition::SetAttribute(CTWDB_Attribute* attribute) {
    m_pAttribute = attribute;
    return 0;
}

int CTWFileQDFCondition::SetOperator(TWFileQDFConditionOperator op) {
    m_eOperator = op;
    return 0;
}

int CTWFileQDFCondition::SetOperand(const char* text) {
    try {
        m_strOperand = text;
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return 0;
}

const char* CTWFileQDFCondition::GetOperatorText() const {
    return GetOperatorText(m_eOperator);
}

const char* CTWFileQDFCondition::GetOperatorText(TWFileQDFConditionOperator op) {
    if (op == Operator_None) return kNoOperator;
    for (const OperatorText& entry : kOperators) {
        if (entry.op == op) return entry.text;
    }
    return kBadOperator;
}

TWFileQDFConditionOperator CTWFileQDFCondition::GetOperatorEnum(const char* text) {
    if (text == nullptr) return Operator_None;
    for (const OperatorText& entry : kOperators) {
        if (std::strcmp(text, entry.text) == 0) return entry.op;
    }
    return Operator_None;
}

const char* CTWFileQDFCondition::GetAttributeName() const {
    return m_pAttribute != nullptr ? m_pAttribute->GetAttributeName() : nullptr;
}

const char* CTWFileQDFCondition::GetUniqueAttributeName() const {
    return m_pAttribute != nullptr ? m_pAttribute->GetUniqueName() : nullptr;
}

CString CTWFileQDFCondition::GetConditionAttributeName() const {
    return m_strAttributeName;
}

int CTWFileQDFCondition::ValidateCondition(const char* text, CTWDB_Attribute* attribute, int& valid,
                                           int /*showMessages*/) {
    if (text == nullptr || attribute == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    // Both copies are made before anything changes, so a failed allocation
    // leaves the condition as it was.
    CString operand;
    CString name;
    try {
        operand = text;
        name = attribute->GetAttributeName();
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    valid = 1;
    m_pAttribute = attribute;
    m_strOperand = std::move(operand);
    m_strAttributeName = std::move(name);
    return TW_EXIT();
}

int CTWFileQDFCondition::StrLen(const char* text, int& length, int& characters) {
    length = 0;
    characters = 0;
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const std::size_t count = std::strlen(text);
    if (count > static_cast<std::size_t>(INT_MAX)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    length = static_cast<int>(count);
    characters = length;
    return TW_EXIT();
}

int CTWFileQDFCondition::ReAllocateBuffer(int length) {
    if (!twfile::GrowTextBuffer(m_pBuffer, m_nBufferSize, length)) {
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }
    return TW_EXIT();
}

const char* CTWFileQDFCondition::GetText() {
    const int length = m_strOperand.GetLength();
    TW_RETURN_VALUE_IF_ERROR(ReAllocateBuffer(length), m_pBuffer);
    std::memcpy(m_pBuffer, m_strOperand.GetString(), static_cast<std::size_t>(length) + 1);
    TW_EXIT_RETURN(m_pBuffer);
}

const char* CTWFileQDFCondition::GetFullNameText() {
    if (m_pAttribute == nullptr) return GetText();
    CTWDB_Table* table = m_pAttribute->GetOwnerTable();
    TW_RETURN_VALUE_IF_ERROR(table, m_pBuffer);
    const char* tableName = table != nullptr ? table->GetTableName() : nullptr;
    const char* text = m_strOperand.GetString();
    if (tableName == nullptr || text[0] == '.') return GetText();

    // Already qualified: the part before the first "." matches the table
    // name's characters at the same positions (so an abbreviation of the
    // table name counts too).
    if (const char* dot = std::strchr(text, '.')) {
        const std::size_t prefix = static_cast<std::size_t>(dot - text);
        if (std::strncmp(text, tableName, prefix) == 0) return GetText();
    }

    const std::size_t tableLength = std::strlen(tableName);
    const std::size_t textLength = static_cast<std::size_t>(m_strOperand.GetLength());
    const std::size_t length = tableLength + 1 + textLength;
    if (length >= static_cast<std::size_t>(INT_MAX)) {
        TW_RAISE_RETURN(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam, m_pBuffer);
    }
    TW_RETURN_VALUE_IF_ERROR(ReAllocateBuffer(static_cast<int>(length)), m_pBuffer);
    std::memcpy(m_pBuffer, tableName, tableLength);
    m_pBuffer[tableLength] = '.';
    std::memcpy(m_pBuffer + tableLength + 1, text, textLength + 1);
    TW_EXIT_RETURN(m_pBuffer);
}
