// What the SQL commands share: the document's query as UTF-8 text, the
// parameter values of the command line, and a schema from a database or a
// JSON schema file.
#ifndef QDF_SQL_SOURCE_H
#define QDF_SQL_SOURCE_H

#include <ostream>
#include <string>
#include <vector>

#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>
#include <twfile/sql/statement.h>

#include "encoding.h"

namespace qdf {

// Reads file ("-": standard input) and gives its query with every text
// decoded from encoding to UTF-8, the engines' text. Raises a Failure: exit
// 2 when the file cannot be opened or a text is not valid in the encoding, 1
// when the read stopped at an error. The library's messages go to err.
twfile::sql::QuerySource LoadQuery(const std::string& file, Encoding encoding, std::ostream& err);

// The values of "NAME=VALUE" arguments (split at the first "="). Raises a
// Failure (exit 2) for an argument without "=" or a name given twice.
twfile::sql::ParameterValues ParseParameters(const std::vector<std::string>& arguments);

// Fills schema from path: an SQLite database (recognised by its header), or
// else a JSON schema file:
//   {"tables": {"TABLE": {"COLUMN": "DECLARED TYPE", ...}, ...}}
// Raises a Failure (exit 2) naming path when it cannot be read.
void LoadSchemaFile(const std::string& path, twfile::sql::Schema& schema);

// Raises a Failure with status and the pending error's text (cleared), after
// context when it is not empty.
[[noreturn]] void FailWithPendingError(int status, const std::string& context);

}  // namespace qdf

#endif  // QDF_SQL_SOURCE_H
