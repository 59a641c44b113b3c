#include "sql/time_value.h"

#include <cstdio>

#include "sql/names.h"

namespace twfile {
namespace sql {

const char* const kTimeForms =
    "a date YYYY-MM-DD or DD.MM.YYYY, a time HH:MM[:SS] or HH.MM, or a date and a time";

namespace {

// Reads a number of minDigits to maxDigits digits at pos.
bool Number(std::string_view text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits,
            int& value) {
    std::size_t digits = 0;
    value = 0;
    while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits;
}

bool Char(std::string_view text, std::size_t& pos, char ch) {
    if (pos >= text.size() || text[pos] != ch) return false;
    ++pos;
    return true;
}

int DaysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// A date at pos, in either form; false leaves pos anywhere.
bool Date(std::string_view text, std::size_t& pos, std::string& out) {
    int year = 0, month = 0, day = 0;
    const std::size_t start = pos;
    if (Number(text, pos, 4, 4, year) && Char(text, pos, '-')) {
        if (!Number(text, pos, 1, 2, month) || !Char(text, pos, '-') ||
            !Number(text, pos, 1, 2, day))
            return false;
    } else {
        pos = start;
        if (!Number(text, pos, 1, 2, day) || !Char(text, pos, '.') ||
            !Number(text, pos, 1, 2, month) || !Char(text, pos, '.') ||
            !Number(text, pos, 4, 4, year))
            return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > DaysIn(year, month)) return false;
    char written[40];  // room for any int, as the compiler counts
    std::snprintf(written, sizeof written, "%04d-%02d-%02d", year, month, day);
    out += written;
    return true;
}

// A time at pos: HH:MM[:SS[.fff]] or HH.MM.
bool Time(std::string_view text, std::size_t& pos, std::string& out) {
    int hour = 0, minute = 0, second = 0;
    if (!Number(text, pos, 1, 2, hour) || pos >= text.size()) return false;
    const char separator = text[pos];
    if ((separator != ':' && separator != '.') || !Char(text, pos, separator) ||
        !Number(text, pos, 1, 2, minute))
        return false;
    // HH.MM.SS would read a date such as 1.4.24 as a time: seconds only
    // after a colon.
    if (separator == ':' && Char(text, pos, ':') && !Number(text, pos, 1, 2, second))
        return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
    char written[40];  // room for any int, as the compiler counts
    std::snprintf(written, sizeof written, "%02d:%02d:%02d", hour, minute, second);
    out += written;
    if (separator == ':' && pos < text.size() && text[pos] == '.') {
        const std::size_t point = pos++;
        int ignored = 0;
        if (!Number(text, pos, 1, 9, ignored)) return false;
        out.append(text.substr(point, pos - point));
    }
    return true;
}

}  // namespace

bool IsoTime(std::string_view text, std::string& iso) {
    text = Trimmed(text);
    std::string out;
    std::size_t pos = 0;
    if (Date(text, pos, out)) {
        if (pos < text.size()) {
            if (text[pos] != ' ' && text[pos] != 'T') return false;
            ++pos;
            out += ' ';
            if (!Time(text, pos, out)) return false;
        }
    } else {
        out.clear();
        pos = 0;
        if (!Time(text, pos, out)) return false;
    }
    if (pos != text.size()) return false;
    iso = out;
    return true;
}

}  // namespace sql
}  // namespace twfile
