// The texts of a diagram's boxes and lines as Graphviz's HTML-like labels.
// Document texts are untrusted: every one goes in escaped, so that it shows
// as the text it is and never becomes markup of the label, of SVG or of DOT.
#ifndef QDF_DIAGRAM_LABELS_H
#define QDF_DIAGRAM_LABELS_H

#include <cstddef>
#include <string>
#include <string_view>

#include "diagram_model.h"

namespace qdf {

// Texts longer than this many characters are cut, with "..." after them.
constexpr std::size_t kLabelTextLimit = 120;

// text (UTF-8) as the content of an HTML-like label: &, <, >, " and '
// written as entities, control characters (C0, DEL and C1) as \xNN, bytes
// that are not UTF-8 as \xNN too, and cut after kLabelTextLimit characters.
std::string LabelText(std::string_view text);

// The label of table's box, without the outer < >: a table of one row for
// the name and one for each attribute, each attribute row a port "a<i>".
std::string TableLabel(const DiagramTable& table, bool typed);
// The label of a join's line.
std::string JoinLabel(const DiagramJoin& join);
// The label of the box of notes, one a line.
std::string NotesLabel(const Diagram& diagram);
// What the marks of the boxes mean, as the graph's label.
std::string LegendLabel(bool typed);

}  // namespace qdf

#endif  // QDF_DIAGRAM_LABELS_H
