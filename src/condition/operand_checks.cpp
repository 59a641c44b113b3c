// The operand checks of a condition: numbers, strings, truth values, times
// and bracketed lists of them. They check the condition's operand buffer and
// may change it (the string check ends the text after its last quote).
#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>

#include <climits>
#include <cstring>

#include "condition/messages.h"

#define TW_SOURCE "TWFileQDFCondition"

using twfile::condition::FailCheck;

namespace {

// Byte comparison that ignores the case of ASCII letters only, whatever the
// locale.
bool EqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a);
        unsigned char y = static_cast<unsigned char>(*b);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

bool IsListElementType(TWDB_DataType type) {
    return type == TWDB_Integer || type == TWDB_Real || type == TWDB_String;
}

}  // namespace

int CTWFileQDFCondition::ValidateOperandInteger(char* text, int& valid, int showMessages) {
    TW_RETURN(ValidateOperandNumeric(text, 0, valid, showMessages));
}

int CTWFileQDFCondition::ValidateOperandReal(char* text, int& valid, int showMessages) {
    TW_RETURN(ValidateOperandNumeric(text, 1, valid, showMessages));
}

int CTWFileQDFCondition::ValidateOperandNumeric(char* text, int allowDecimalPoint, int& valid,
                                                int showMessages) {
    if (valid == 0) return TW_EXIT();
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const char* p = text;
    while (*p == ' ')
        ++p;
    if (*p == '\0') {
        FailCheck(valid, showMessages, twfile::condition::kNumberMissing);
        return TW_EXIT();
    }
    if (*p == '-') ++p;
    bool pointSeen = false;
    for (;; ++p) {
        if (*p >= '0' && *p <= '9') continue;
        if (*p == '.' && allowDecimalPoint != 0 && !pointSeen) {
            pointSeen = true;
            continue;
        }
        break;
    }
    for (; *p != '\0'; ++p) {
        if (*p != ' ') {
            FailCheck(valid, showMessages, twfile::condition::kInvalidNumber);
            break;
        }
    }
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateOperandString(char* text, int& valid, int showMessages) {
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const char* lastQuote = std::strrchr(text, '\'');
    // Just after the last quote; 0 without a quote.
    const std::size_t end =
        lastQuote != nullptr ? static_cast<std::size_t>(lastQuote - text) + 1 : 0;
    bool failed = false;
    if (text[0] != '\'' || end == 0) {
        FailCheck(valid, showMessages, twfile::condition::kStringNotQuoted);
        failed = true;
    }
    if (!failed) {
        for (const char* p = text + end; *p != '\0'; ++p) {
            if (*p != ' ') {
                FailCheck(valid, showMessages, twfile::condition::kSpuriousText);
                break;
            }
        }
    }
    text[end] = '\0';
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateOperandBool(char* text, int& valid, int showMessages) {
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    if (!EqualNoCase(text, "TRUE") && !EqualNoCase(text, "FALSE")) {
        FailCheck(valid, showMessages, twfile::condition::kInvalidBool);
    }
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateOperandTime(char* /*text*/, int& valid, int /*showMessages*/) {
    valid = 1;
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateOperandTimeList(char* /*text*/, int& valid, int /*showMessages*/) {
    valid = 1;
    return TW_EXIT();
}

int CTWFileQDFCondition::ValidateOperandIntegerList(char* text, int& valid, int showMessages) {
    TW_RETURN(ValidateOperandList(text, TWDB_Integer, valid, showMessages));
}

int CTWFileQDFCondition::ValidateOperandRealList(char* text, int& valid, int showMessages) {
    TW_RETURN(ValidateOperandList(text, TWDB_Real, valid, showMessages));
}

int CTWFileQDFCondition::ValidateOperandStringList(char* text, int& valid, int showMessages) {
    TW_RETURN(ValidateOperandList(text, TWDB_String, valid, showMessages));
}

int CTWFileQDFCondition::ValidateOperandList(char* text, TWDB_DataType elementType, int& valid,
                                             int showMessages) {
    if (text == nullptr || !IsListElementType(elementType)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    const std::size_t textLength = std::strlen(text);
    if (textLength > static_cast<std::size_t>(INT_MAX)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    const int length = static_cast<int>(textLength);
    if (text[0] != '(' || text[length - 1] != ')') {
        FailCheck(valid, showMessages, twfile::condition::kListNotBracketed);
        return TW_EXIT();
    }
    if (valid == 0) return TW_EXIT();

    // Every step stays before the closing bracket at last.
    const int last = length - 1;
    int p = 1;
    const auto skipSpaces = [&] {
        while (p < last && text[p] == ' ')
            ++p;
    };
    bool finished = false;
    while (valid == 1 && !finished) {
        skipSpaces();
        if (text[p] == ',' || p >= last) {
            FailCheck(valid, showMessages, twfile::condition::kListElementMissing);
            break;
        }
        const int start = p;
        TW_RETURN_IF_ERROR(FindElementEnd(text, elementType, p, length));

        // The element is checked on its own, then the list is restored.
        const char saved = text[p];
        text[p] = '\0';
        switch (elementType) {
            case TWDB_Integer:
                TW_RETURN_IF_ERROR(ValidateOperandInteger(text + start, valid, showMessages));
                break;
            case TWDB_Real:
                TW_RETURN_IF_ERROR(ValidateOperandReal(text + start, valid, showMessages));
                break;
            default:
                TW_RETURN_IF_ERROR(ValidateOperandString(text + start, valid, showMessages));
                break;
        }
        text[p] = saved;
        if (valid == 0) break;

        skipSpaces();
        bool comma = false;
        while (p < last && text[p] == ',') {
            comma = true;
            ++p;
        }
        skipSpaces();
        if (p >= last) {
            if (comma) {
                FailCheck(valid, showMessages, twfile::condition::kListElementMissing);
            } else {
                finished = true;
            }
        }
    }
    return TW_EXIT();
}

int CTWFileQDFCondition::FindElementEnd(const char* text, TWDB_DataType elementType, int& position,
                                        int length) {
    if (text == nullptr || !IsListElementType(elementType)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    const int last = length - 1;
    int p = position;
    if (elementType != TWDB_String) {
        while (p < last && text[p] != ' ' && text[p] != ',')
            ++p;
    } else if (text[p] != '\'') {
        ++p;
    } else {
        // To the closing quote, included; a doubled quote stands for one
        // quote inside the string.
        ++p;
        while (p < last) {
            if (text[p] != '\'') {
                ++p;
            } else if (p + 1 < last && text[p + 1] == '\'') {
                p += 2;
            } else {
                ++p;
                break;
            }
        }
    }
    position = p;
    return TW_EXIT();
}
