// Which parameters a document's statement has, and whether the caller's
// values fit them: a value for a name that no marker uses would be ignored,
// and the statement would run without the restriction the caller meant.
#ifndef TWFILE_SQL_PARAMETERS_H
#define TWFILE_SQL_PARAMETERS_H

#include <string>
#include <vector>

#include <twfile/sql/dialect.h>
#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>
#include <twfile/sql/statement.h>

namespace twfile {
namespace sql {

struct ParameterCheck {
    // The names of the statement's markers, each once, in order of first
    // use (markers inside comments are not parameters).
    std::vector<std::string> names;
    // The names of values that no marker uses, in the order of the names.
    std::vector<std::string> unknown;
    // The parameters that have neither a value nor a default value.
    std::vector<std::string> missing;

    bool ok() const { return unknown.empty() && missing.empty(); }
};

// Fills check for the statement that BuildStatement makes of source with
// values for dialect (names compared case-sensitively, as the values are
// looked up). A status: a marker the statement refuses is an error, as
// BuildStatement reports it; unknown and missing names are not, the caller
// tells them.
int CheckParameterValues(const QuerySource& source, const ParameterValues& values, Dialect dialect,
                         ParameterCheck& check);

// One use of a parameter in a document.
struct ParameterUse {
    std::string name;
    // Where it stands: "conditions[2]", "joins[0]", "editedSQL" or
    // "dynamicSort".
    std::string place;
    // The attribute a condition compares, as the condition names it; empty
    // elsewhere.
    std::string attribute;
    // The attribute's type, when a schema was given and knows the attribute.
    TWDB_DataType type = TWDB_Unknown;
    // The document's default value of the name (its first, as a run takes it).
    bool hasDefault = false;
    std::string defaultValue;
    // Whether the statement a run builds holds this use: the edited SQL's
    // uses when the document selects its edited SQL, the others otherwise.
    bool inStatement = false;

    // A run needs a value for it from the caller.
    bool needsValue() const { return inStatement && !hasDefault; }
};

// Every parameter use of source's conditions, joins, edited SQL and sort, in
// that order, read as dialect reads the text (markers in comments are not
// parameters; a text the statement check refuses gives none: BuildStatement
// tells why). schema may be null.
int ListParameters(const QuerySource& source, const Schema* schema, Dialect dialect,
                   std::vector<ParameterUse>& uses);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_PARAMETERS_H
