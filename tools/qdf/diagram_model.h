// What the diagram of a document shows, made from the document's query
// alone: its tables as boxes listing the attributes the document uses of
// each, and its joins as lines between them. Nothing here needs Graphviz;
// diagram.h draws it.
#ifndef QDF_DIAGRAM_MODEL_H
#define QDF_DIAGRAM_MODEL_H

#include <cstddef>
#include <string>
#include <vector>

#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>

namespace qdf {

struct DiagramAttribute {
    // The column's name as the document first spells it.
    std::string name;
    // Its data type from the schema ("integer", ...); empty without one.
    std::string type;
    bool shown = false;    // in the attribute list: a column of the result
    bool hidden = false;   // in the non-display list
    bool tested = false;   // the attribute of a condition
    bool joined = false;   // an attribute of a join
    bool missing = false;  // the schema has no such column
};

struct DiagramTable {
    // The table's name as the document first spells it; empty for the box
    // of the attributes whose table cannot be told.
    std::string name;
    std::vector<DiagramAttribute> attributes;
    // In the document's table list; false for a table that only an
    // attribute, a condition or a join names.
    bool listed = true;
    // The schema has no such table.
    bool missing = false;
    // No chain of joins leads to it from the first table: the query would
    // pair its rows with every row of the others.
    bool apart = false;
};

struct DiagramJoin {
    // Indexes into Diagram::tables and their attributes.
    std::size_t fromTable = 0, fromAttribute = 0;
    std::size_t toTable = 0, toAttribute = 0;
    // The join's text as the document holds it.
    std::string text;
};

struct Diagram {
    std::vector<DiagramTable> tables;
    // One line for each two neighbouring attributes of a join.
    std::vector<DiagramJoin> joins;
    // Whether a schema typed the attributes and told what is missing.
    bool typed = false;
    // What cannot be drawn as a line: "joins[1] joins nothing: TEXT".
    std::vector<std::string> notes;
};

// The diagram of source (its texts UTF-8). Names are matched without regard
// to ASCII case, as SQL matches them. An attribute is "TABLE.COLUMN" (split
// at the last full stop), or a column alone, which belongs to the only table
// of the document, else to the one table of the schema that has it, else to
// the box of attributes without a table. A condition's attribute is its first
// word; a join's attributes are the texts between its "=" signs. With schema
// each attribute gets its type and what the schema lacks is marked.
Diagram BuildDiagram(const twfile::sql::QuerySource& source, const twfile::sql::Schema* schema);

}  // namespace qdf

#endif  // QDF_DIAGRAM_MODEL_H
