// The statement's text with its markers still in it, laid out as
// BuildStatement lays it out, for what must read the markers as the
// statement will.
#ifndef TWFILE_SRC_SQL_STATEMENT_TEXT_H
#define TWFILE_SRC_SQL_STATEMENT_TEXT_H

#include <string>

#include <twfile/sql/query_source.h>

namespace twfile {
namespace sql {

// The edited SQL when the document selects it, else the generated SELECT
// (empty when the document names no tables). std::bad_alloc passes through.
std::string MarkedStatementText(const QuerySource& source);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_STATEMENT_TEXT_H
