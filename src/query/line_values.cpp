#include "query/line_values.h"

#include <climits>
#include <cstring>

namespace twfile {
namespace query {

namespace {

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

}  // namespace

int DecimalValue(const char* text) {
    if (text == nullptr) return 0;
    while (IsSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // Kept within one past INT_MAX so that INT_MIN is reached exactly.
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value < limit) value = value * 10 + (*text - '0');
    }
    if (value > limit) value = limit;
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool IsLine(const CString& line, const char* text) {
    return std::strcmp(line.GetString(), text) == 0;
}

}  // namespace query
}  // namespace twfile
