#include "sql/binding.h"

#include <twfile/host/status.h>
#include <twfile/sql/shown_text.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "sql/names.h"
#include "sql/operand_check.h"
#include "sql/time_value.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

std::string Refused(const Binding& binding, const std::string& why) {
    return "the parameter \"" + binding.name + "\": the value " +
           ShownText(binding.text, ShownEscapes::Controls) + " " + why;
}

// The checks' messages on one line.
std::string OneLine(const std::vector<std::string>& messages) {
    std::string line;
    for (const std::string& message : messages) {
        if (!line.empty()) line += "; ";
        for (char ch : message)
            line += ch == '\r' || ch == '\n' ? ' ' : ch;
    }
    return line;
}

}  // namespace

int MakeBinding(Binding& binding) {
    if (binding.text.find('\0') != std::string::npos)
        return TW_RAISE(-1, Refused(binding, "holds a NUL byte").c_str());
    const TWDB_DataType type = binding.type;
    if (type == TWDB_Time) {
        // Bound in ISO 8601, the one form that every engine reads and that
        // compares as a date in a text column.
        std::string iso;
        if (!IsoTime(binding.text, iso)) {
            const std::string why = std::string("is not a valid time: give ") + kTimeForms;
            return TW_RAISE(-1, Refused(binding, why).c_str());
        }
        binding.value = Value::Text(iso);
        return TW_EXIT();
    }
    if (type != TWDB_Integer && type != TWDB_Real && type != TWDB_Bool) {
        binding.value = Value::Text(binding.text);
        return TW_EXIT();
    }
    // The check would read an empty operand as a condition without one.
    if (Trimmed(binding.text).empty()) {
        const std::string why =
            std::string("is empty, not ") + (type == TWDB_Integer ? "an " : "a ") + TypeName(type);
        return TW_RAISE(-1, Refused(binding, why).c_str());
    }
    bool valid = false;
    std::vector<std::string> messages;
    TW_RETURN_IF_ERROR(CheckOperand(type, binding.text, valid, messages));
    if (!valid) {
        const std::string why = std::string("is not a valid ") + TypeName(type) +
                                (messages.empty() ? "" : ": " + OneLine(messages));
        return TW_RAISE(-1, Refused(binding, why).c_str());
    }
    const std::string number(Trimmed(binding.text));
    if (type == TWDB_Bool) {
        binding.value = Value::Integer(EqualNoCase(number, "TRUE") ? 1 : 0);
        return TW_EXIT();
    }
    // The check lets a lone sign or point through; the conversion must take
    // the whole text.
    char* end = nullptr;
    errno = 0;
    if (type == TWDB_Integer) {
        const long long value = std::strtoll(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0')
            return TW_RAISE(-1, Refused(binding, "is not a number").c_str());
        if (errno == ERANGE)
            return TW_RAISE(-1, Refused(binding, "is out of the range of an integer").c_str());
        binding.value = Value::Integer(value);
    } else {
        const double value = std::strtod(number.c_str(), &end);
        if (number.empty() || *end != '\0')
            return TW_RAISE(-1, Refused(binding, "is not a number").c_str());
        if (!std::isfinite(value))
            return TW_RAISE(-1, Refused(binding, "is out of the range of a real").c_str());
        binding.value = Value::Real(value);
    }
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
