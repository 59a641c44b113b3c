// Conditions, fed any condition text and a data type.
//
// Input: one byte of options (the data type in the low three bits, values 0
// to 7 of which 1 to 5 are known; whether checks show their messages; an
// owner table with a name, without one, or none), then the condition text
// (up to its first NUL, as the operations take it). The condition is bound
// to an attribute QTY of that type, checked, and asked for its texts, its
// parameters and its operand with sample values. Each result is compared
// with what the text itself says:
//  - GetText gives the text; GetFullNameText puts "ORDERS." in front unless
//    the text begins with "." or its part before the first "." matches the
//    table name's characters at the same positions;
//  - the parameter names are those between each "<<" (the last one before)
//    and the next ">>", for texts longer than four characters; more than 18
//    parameters, or a name of 1024 characters or more, raise an error and add
//    nothing;
//  - the operand with sample values replaces every parameter's span with the
//    sample value of the type; types without one raise an error;
//  - the checks give valid 0 or 1, and fail only for the reasons above.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <twfile/condition/condition.h>
#include <twfile/host/error.h>

#include "fuzz_support.h"

namespace {

constexpr char kTable[] = "ORDERS";

// The parameters of a text by the rule of the condition's documentation.
struct Parameters {
    enum Outcome { kFound, kTooMany, kNameTooLong } outcome = kFound;
    std::vector<std::string> names;
    // Spans [first "<", just after the last ">"), in the order they close.
    std::vector<std::pair<std::size_t, std::size_t>> spans;
};

Parameters FindParameters(const std::string& text) {
    Parameters found;
    const std::size_t n = text.size();
    if (n <= 4) return found;
    bool open = false;
    std::size_t openAt = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (text.compare(i, 2, "<<") == 0) {
            open = true;
            openAt = i;
        } else if (open && text.compare(i, 2, ">>") == 0) {
            open = false;
            if (found.names.size() == 18) {
                found.outcome = Parameters::kTooMany;
                return found;
            }
            const std::string name = text.substr(openAt + 2, i - openAt - 2);
            if (name.size() >= 1024) {
                found.outcome = Parameters::kNameTooLong;
                return found;
            }
            found.names.push_back(name);
            found.spans.emplace_back(openAt, i + 2);
        }
    }
    return found;
}

int ErrorOf(Parameters::Outcome outcome) {
    return outcome == Parameters::kTooMany ? ID_TWErrors_UnExpected : ID_TWErrors_InvalidParam;
}

const char* SampleValue(int type) {
    static const char* const kSamples[] = {nullptr, "1", "ABC", "TRUE", "1.0", "12.00"};
    return type >= 1 && type <= 5 ? kSamples[type] : nullptr;
}

std::string FullName(const std::string& text, bool tableHasName) {
    if (!tableHasName || (!text.empty() && text[0] == '.')) return text;
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos && std::strncmp(text.c_str(), kTable, dot) == 0) return text;
    return std::string(kTable) + "." + text;
}

void CheckMap(int status, const CMapStringToString& map, const Parameters& expected,
              const char* form) {
    if (expected.outcome != Parameters::kFound) {
        FUZZ_CHECK(status == ErrorOf(expected.outcome) && map.IsEmpty(),
                   "GetParameterMap(%s) gave %d with %d names", form, status, map.GetCount());
        CTWError::Clear();
        return;
    }
    FUZZ_CHECK(status >= 0, "GetParameterMap(%s) failed with %d", form, status);
    const std::set<std::string> names(expected.names.begin(), expected.names.end());
    FUZZ_CHECK(static_cast<std::size_t>(map.GetCount()) == names.size(),
               "GetParameterMap(%s) gave %d names, expected %zu", form, map.GetCount(),
               names.size());
    for (const std::string& name : names) {
        CString value("x");
        FUZZ_CHECK(map.Lookup(name.c_str(), value) && value.IsEmpty(),
                   "GetParameterMap(%s) lacks \"%s\"", form, name.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    twfuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int options = data[0];
    const int type = options & 7;
    const int showMessages = (options >> 3) & 1;
    const int owner = (options >> 4) & 3;  // 0, 3: named table; 1: no name; 2: none
    // The operations take character strings: the text ends at a NUL.
    const std::string text = std::string(reinterpret_cast<const char*>(data + 1), size - 1).c_str();
    CTWError::Clear();

    CTWDB_Table named(kTable);
    CTWDB_Table unnamed(nullptr);
    CTWDB_Table* table = owner == 1 ? &unnamed : owner == 2 ? nullptr : &named;
    CTWDB_Attribute attribute(table, "QTY", static_cast<TWDB_DataType>(type));
    CTWFileQDFCondition condition;

    int valid = -1;
    FUZZ_CHECK(condition.ValidateCondition(text.c_str(), &attribute, valid, showMessages) >= 0 &&
                   valid == 1,
               "ValidateCondition failed");
    const char* got = condition.GetText();
    FUZZ_CHECK(got != nullptr && text == got, "GetText differs");
    got = condition.GetFullNameText();
    const std::string full = FullName(text, table == &named);
    FUZZ_CHECK(got != nullptr && full == got, "GetFullNameText \"%s\", expected \"%s\"", got,
               full.c_str());

    int checked = -1;
    const int status = condition.CheckCondition(checked, showMessages);
    FUZZ_CHECK(checked == 0 || checked == 1, "CheckCondition valid %d", checked);
    if (status < 0) {
        // Only the operand's parameters, or a type without a sample value,
        // make the checks fail.
        FUZZ_CHECK(status == ID_TWErrors_UnExpected || status == ID_TWErrors_InvalidParam,
                   "CheckCondition failed with %d: %s", status, CTWError::GetMessage());
        FUZZ_CHECK(checked == 0, "CheckCondition failed with valid 1");
        CTWError::Clear();
    }
    FUZZ_CHECK(CTWError::GetNumber() == 0, "an error was left pending");
    got = condition.GetText();
    FUZZ_CHECK(got != nullptr && text == got, "GetText after the checks differs");

    const Parameters parameters = FindParameters(text);
    CMapStringToString own;
    CheckMap(condition.GetParameterMap(&own), own, parameters, "own text");
    CMapStringToString given;
    CheckMap(condition.GetParameterMap(text.c_str(), &given), given, parameters, "text");

    const int replaced = condition.UnParameteriseOperand(text.c_str(), &attribute);
    const char* sample = SampleValue(type);
    if (sample == nullptr || parameters.outcome != Parameters::kFound) {
        const int expected =
            sample == nullptr ? ID_TWErrors_UnExpected : ErrorOf(parameters.outcome);
        FUZZ_CHECK(replaced == expected, "UnParameteriseOperand gave %d, expected %d", replaced,
                   expected);
        CTWError::Clear();
    } else {
        std::string expected;
        std::size_t from = 0;
        for (const auto& span : parameters.spans) {
            expected += text.substr(from, span.first - from) + sample;
            from = span.second;
        }
        expected += text.substr(from);
        const char* operand = condition.GetUnParameterisedOperand();
        FUZZ_CHECK(replaced >= 0 && operand != nullptr && expected == operand,
                   "UnParameteriseOperand gave \"%s\", expected \"%s\"",
                   operand != nullptr ? operand : "(null)", expected.c_str());
    }

    FUZZ_CHECK(condition.Initialise() == 0, "Initialise failed");
    got = condition.GetText();
    FUZZ_CHECK(got != nullptr && *got == '\0', "GetText after Initialise is not empty");
    const char* operatorText =
        CTWFileQDFCondition::GetOperatorText(static_cast<TWFileQDFConditionOperator>(options));
    FUZZ_CHECK(operatorText != nullptr, "GetOperatorText gave null");
    return 0;
}
