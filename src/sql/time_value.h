// Time values as users write them, in the one form every engine reads.
#ifndef TWFILE_SRC_SQL_TIME_VALUE_H
#define TWFILE_SRC_SQL_TIME_VALUE_H

#include <string>
#include <string_view>

namespace twfile {
namespace sql {

// The forms a time value may take, as messages list them.
extern const char* const kTimeForms;

// text (spaces around it allowed) as ISO 8601: a date YYYY-MM-DD, a time
// HH:MM:SS, or both, "YYYY-MM-DD HH:MM:SS". A date is written YYYY-MM-DD or
// DD.MM.YYYY, a time HH:MM, HH:MM:SS or HH.MM (seconds may carry a
// fraction, kept: HH:MM:SS.fff); a date and a time are separated by a space
// or a "T". Day, month, hour, minute and second take one or two digits, the
// year four. False, iso untouched, for anything else and for a date or time
// that does not exist (2023-02-29, 24:00).
bool IsoTime(std::string_view text, std::string& iso);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_TIME_VALUE_H
