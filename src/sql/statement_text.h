// The statement's text with its markers still in it, laid out as
// BuildStatement lays it out, for what must read the markers as the
// statement will.
#ifndef TWFILE_SRC_SQL_STATEMENT_TEXT_H
#define TWFILE_SRC_SQL_STATEMENT_TEXT_H

#include <string>

#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>

namespace twfile {
namespace sql {

// The edited SQL when the document selects it, else the generated SELECT
// (empty when the document names no tables). std::bad_alloc passes through.
std::string MarkedStatementText(const QuerySource& source);

// The type that a condition's markers take: that of the attribute it
// compares, when schema is given and knows it.
TWDB_DataType ConditionType(const std::string& condition, const QuerySource& source,
                            const Schema* schema);

// The first "Name=Value" entry of name among the default values, as a run
// takes it; null when there is none.
const std::string* DefaultEntry(const QuerySource& source, const std::string& name);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_STATEMENT_TEXT_H
