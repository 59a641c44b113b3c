// Which parameters a document's statement has, and whether the caller's
// values fit them: a value for a name that no marker uses would be ignored,
// and the statement would run without the restriction the caller meant.
#ifndef TWFILE_SQL_PARAMETERS_H
#define TWFILE_SQL_PARAMETERS_H

#include <string>
#include <vector>

#include <twfile/sql/dialect.h>
#include <twfile/sql/query_source.h>
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

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_PARAMETERS_H
