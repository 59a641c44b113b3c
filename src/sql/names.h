// Comparing and splitting names as SQL does for names without quotes.
#ifndef TWFILE_SRC_SQL_NAMES_H
#define TWFILE_SRC_SQL_NAMES_H

#include <string>
#include <string_view>

namespace twfile {
namespace sql {

// The text with ASCII letters made upper case.
std::string UpperAscii(std::string_view text);
// Equal apart from the case of ASCII letters.
bool EqualNoCase(std::string_view a, std::string_view b);
// The text without the spaces, tabs and line ends around it.
std::string_view Trimmed(std::string_view text);
// The first word of text, between spaces: the attribute a condition tests,
// as the condition checks split it.
std::string_view FirstWord(std::string_view text);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_NAMES_H
