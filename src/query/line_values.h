// How the document turns body lines into values and back.
#ifndef TWFILE_SRC_QUERY_LINE_VALUES_H
#define TWFILE_SRC_QUERY_LINE_VALUES_H

#include <twfile/framework/string.h>

namespace twfile {
namespace query {

// The integer at the start of text, read leniently: leading white space,
// an optional sign, then decimal digits up to the first other character;
// no digits give 0. Values beyond the int range are clamped to it.
int DecimalValue(const char* text);

// True when line, as a character string, is exactly text. A NUL byte (from
// a damaged file) ends the line there, as it ends the framing lines, and as
// the line writers end every text they are given: a line "}" followed by a
// NUL closes a section wherever it is read.
bool IsLine(const CString& line, const char* text);

}  // namespace query
}  // namespace twfile

#endif  // TWFILE_SRC_QUERY_LINE_VALUES_H
