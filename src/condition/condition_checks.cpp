// The checks of a condition: the split into attribute, operator and operand,
// and the checks of the attribute name and of the operator against the
// attribute's data type. The operand checks are in operand_checks.cpp.
#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>

#include <cstring>
#include <new>

#include "condition/messages.h"

#define TW_SOURCE "TWFileQDFCondition"

using twfile::condition::FailCheck;

namespace {

// Whether a condition on an attribute of type may use op. Types without
// checks of their own (0, and any beyond time) allow only "=" and "<>".
bool OperatorAllowed(TWDB_DataType type, TWFileQDFConditionOperator op) {
    const bool numeric = type == TWDB_Integer || type == TWDB_Real || type == TWDB_Time;
    switch (op) {
        case Operator_Equal:
        case Operator_NotEqual:
            return true;
        case Operator_Less:
        case Operator_Greater:
        case Operator_LessOrEqual:
        case Operator_GreaterOrEqual:
            return numeric;
        case Operator_In:
            return numeric || type == TWDB_String;
        case Operator_Like:
            return type == TWDB_String;
        default:
            return false;
    }
}

// On leaving CheckCondition with an error pending, the condition does not
// count as valid.
class InvalidOnError {
  public:
    explicit InvalidOnError(int& valid) : m_valid(valid) {}
    ~InvalidOnError() {
        if (CTWError::m_nError < 0) m_valid = 0;
    }
    InvalidOnError(const InvalidOnError&) = delete;
    InvalidOnError& operator=(const InvalidOnError&) = delete;

  private:
    int& m_valid;
};

}  // namespace

int CTWFileQDFCondition::CheckCondition(int& valid, int showMessages) {
    valid = 0;
    InvalidOnError guard(valid);
    if (m_pAttribute == nullptr)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    TW_RETURN_IF_ERROR(FillWorkingCopy());
    valid = 1;
    TW_RETURN_IF_ERROR(ParseCondition(valid, showMessages));
    if (valid == 0) return TW_EXIT();
    TW_RETURN_IF_ERROR(ValidateAttribute(m_pAttribute, valid, showMessages));
    if (valid == 0) return TW_EXIT();
    TW_RETURN_IF_ERROR(ValidateOperator(m_pAttribute, valid, showMessages));
    if (valid == 0) return TW_EXIT();
    TW_RETURN_IF_ERROR(ValidateOperand(m_pAttribute, valid, showMessages));
    return TW_EXIT();
}

int CTWFileQDFCondition::FillWorkingCopy() {
    const int length = m_strOperand.GetLength();
    TW_RETURN_IF_ERROR(ReAllocateBuffer(length));
    std::memcpy(m_pBuffer, m_strOperand.GetString(), static_cast<std::size_t>(length) + 1);
    m_nWorkLength = length;
    m_pAttributeToken = nullptr;
    m_pOperatorToken = nullptr;
    m_pOperandToken = nullptr;
    return TW_EXIT();
}

int CTWFileQDFCondition::ParseCondition(int& valid, int showMessages) {
    if (valid == 0) return TW_EXIT();
    if (m_pBuffer == nullptr)
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    char* const work = m_pBuffer;
    const int length = m_nWorkLength;
    int p = 0;
    // Takes the next token, after spaces, into token and, unless it is the
    // last (the operand, which runs to the end with its inner and trailing
    // spaces), ends it at the space after it. When the working copy ends
    // before the token, the check fails with missing; when it ends inside a
    // token that is not the last, with the format message.
    const auto takeToken = [&](char*& token, bool last, const char* missing) {
        while (p < length && work[p] == ' ')
            ++p;
        if (p >= length) {
            FailCheck(valid, showMessages, missing);
            return false;
        }
        token = work + p;
        if (last) return true;
        while (p < length && work[p] != ' ')
            ++p;
        if (p >= length) {
            FailCheck(valid, showMessages, twfile::condition::kInvalidFormat);
            return false;
        }
        work[p++] = '\0';
        return true;
    };
    using twfile::condition::kConditionEmpty;
    using twfile::condition::kInvalidFormat;
    (void)(takeToken(m_pAttributeToken, false, kConditionEmpty) &&
           takeToken(m_pOperatorToken, false, kInvalidFormat) &&
           takeToken(m_pOperandToken, true, kInvalidFormat));
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateAttribute(CTWDB_Attribute* attribute, int& valid,
                                           int showMessages) {
    if (attribute == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    valid = 1;
    if (m_pAttributeToken == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    const char* unique = attribute->GetUniqueName();
    if (unique != nullptr && std::strcmp(m_pAttributeToken, unique) == 0) return TW_EXIT();
    const char* qualified = attribute->GetTableAttributeName();
    TW_RETURN_IF_PENDING();
    if (qualified != nullptr && std::strcmp(m_pAttributeToken, qualified) == 0) return TW_EXIT();
    FailCheck(valid, showMessages, twfile::condition::kAttributeChanged);
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateOperator(CTWDB_Attribute* attribute, int& valid,
                                          int showMessages) {
    if (attribute == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    valid = 1;
    if (m_pOperatorToken == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    const TWDB_DataType type = attribute->GetDataType();
    TW_RETURN_IF_PENDING();
    if (!OperatorAllowed(type, GetOperatorEnum(m_pOperatorToken))) {
        if (showMessages != 0) {
            TW_RETURN_IF_ERROR(DisplayOperatorError(type, twfile::condition::kInvalidOperator));
        }
        valid = 0;
    }
    return TW_EXIT();
}

int CTWFileQDFCondition::DisplayOperatorError(TWDB_DataType type, const char* text) {
    // The operators in the order the message lists them after "=".
    static constexpr TWFileQDFConditionOperator kListed[] = {
        Operator_Greater,     Operator_Less,     Operator_GreaterOrEqual,
        Operator_LessOrEqual, Operator_NotEqual, Operator_In,
        Operator_Like};
    try {
        CString message(text);
        message += twfile::condition::kMustBeOneOf;
        message += GetOperatorText(Operator_Equal);
        for (TWFileQDFConditionOperator op : kListed) {
            if (!OperatorAllowed(type, op)) continue;
            message += ',';
            message += GetOperatorText(op);
        }
        AfxMessageBox(message, MB_OK, 0);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return 0;
}

int CTWFileQDFCondition::ValidateOperand(CTWDB_Attribute* attribute, int& valid, int showMessages) {
    if (attribute == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    valid = 1;
    const TWDB_DataType type = attribute->GetDataType();
    TW_RETURN_IF_PENDING();
    // Data types without an operand check (and without a sample value for
    // parameters) accept every operand.
    if (type < TWDB_Integer || type > TWDB_Time) return TW_EXIT();
    TW_RETURN_IF_ERROR(UnParameteriseOperand(m_pOperandToken, attribute));
    const bool in = m_pOperatorToken != nullptr && std::strcmp(m_pOperatorToken, "IN") == 0;
    char* const operand = m_pOperandBuffer;
    switch (type) {
        case TWDB_Integer:
            TW_RETURN_IF_ERROR(in ? ValidateOperandIntegerList(operand, valid, showMessages)
                                  : ValidateOperandInteger(operand, valid, showMessages));
            break;
        case TWDB_String:
            TW_RETURN_IF_ERROR(in ? ValidateOperandStringList(operand, valid, showMessages)
                                  : ValidateOperandString(operand, valid, showMessages));
            break;
        case TWDB_Bool:
            TW_RETURN_IF_ERROR(ValidateOperandBool(operand, valid, showMessages));
            break;
        case TWDB_Real:
            TW_RETURN_IF_ERROR(in ? ValidateOperandRealList(operand, valid, showMessages)
                                  : ValidateOperandReal(operand, valid, showMessages));
            break;
        case TWDB_Time:
            TW_RETURN_IF_ERROR(in ? ValidateOperandTimeList(operand, valid, showMessages)
                                  : ValidateOperandTime(operand, valid, showMessages));
            break;
        default:
            break;
    }
    return TW_EXIT();
}
