// Finding the "<<Name>>" markers of an SQL text, with what each stands for.
#ifndef TWFILE_SRC_SQL_MARKERS_H
#define TWFILE_SRC_SQL_MARKERS_H

#include <string>
#include <string_view>
#include <vector>

#include <twfile/sql/dialect.h>

namespace twfile {
namespace sql {

// One piece of an SQL text: text kept as it is, or a marker.
struct Piece {
    enum class Kind {
        Text,         // SQL text, as it is
        Placeholder,  // a marker that stands for a whole literal
        Splice        // a marker inside a longer quoted string: a text value
                      // that the string's text around it is joined to
    };
    Kind kind = Kind::Text;
    // The text, or the marker's parameter name.
    std::string text;
    // Where the piece starts in the text split.
    std::size_t offset = 0;
};

// Splits text, read as dialect reads it, into pieces (a status: text the
// lexer refuses, and a marker that continues a word, touches a quote, stands
// in a quoted name or in a string with a prefix such as X'...', E'...' or
// $$...$$, is refused with an error naming it).
// Markers are found as the conditions find them: "<<" opens one (again at a
// later "<<"), the first ">>" after it closes it. Markers in comments are
// left as text. A string that holds a marker and more becomes a
// concatenation of its parts, so that the marker's value is bound too:
// 'a<<P>>%' gives ('a' || <<P>> || '%'), or on other ODBC servers, where
// "||" may mean OR, {fn CONCAT({fn CONCAT('a', <<P>>)}, '%')}.
int SplitMarkers(std::string_view text, Dialect dialect, std::vector<Piece>& pieces);

// The names of the markers of text that SplitMarkers would turn into
// placeholders or splices (comments left out), in order.
std::vector<std::string> MarkerNames(std::string_view text, Dialect dialect);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_MARKERS_H
