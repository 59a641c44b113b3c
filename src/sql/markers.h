// Finding the "<<Name>>" markers of an SQL text, with what each stands for.
#ifndef TWFILE_SRC_SQL_MARKERS_H
#define TWFILE_SRC_SQL_MARKERS_H

#include <string>
#include <string_view>
#include <vector>

namespace twfile {
namespace sql {

// One piece of an SQL text: text kept as it is, or a marker.
struct Piece {
    enum class Kind {
        Text,         // SQL text, as it is
        Placeholder,  // a marker that stands for a whole literal
        Splice        // a marker inside a longer quoted string
    };
    Kind kind = Kind::Text;
    // The text, or the marker's parameter name.
    std::string text;
    // Where the piece starts in the text split.
    std::size_t offset = 0;
};

// Splits text into pieces (a status: a marker that continues a word, touches
// a quote, stands in a quoted name or in a string with a prefix such as X'...'
// is refused with an error naming it).
// Markers are found as the conditions find them: "<<" opens one (again at a
// later "<<"), the first ">>" after it closes it. Quoted strings ('...',
// quotes doubled inside), quoted names ("...", `...`, [...]) and comments
// (-- to the end of the line, /* ... */) are told apart; markers in comments
// are left as text.
int SplitMarkers(std::string_view text, std::vector<Piece>& pieces);

// The names of the markers of text that SplitMarkers would turn into
// placeholders or splices (comments left out), in order.
std::vector<std::string> MarkerNames(std::string_view text);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_MARKERS_H
