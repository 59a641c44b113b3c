// What the SQL commands share: the document's query as UTF-8 text, the
// parameter values of the command line, and a schema from a database or a
// JSON schema file.
#ifndef QDF_SQL_SOURCE_H
#define QDF_SQL_SOURCE_H

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <twfile/json/encoding.h>
#include <twfile/sql/check.h>
#include <twfile/sql/database.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>
#include <twfile/sql/statement.h>

namespace qdf {

namespace json = twfile::json;

// Reads file ("-": standard input) and gives its query with every text
// decoded from encoding to UTF-8, the engines' text. Raises a Failure: exit
// 2 when the file cannot be opened or a text is not valid in the encoding, 1
// when the read stopped at an error. The library's messages go to err.
twfile::sql::QuerySource LoadQuery(const std::string& file, json::Encoding encoding,
                                   std::ostream& err);

// source with every text decoded from encoding to UTF-8. Raises a Failure
// (exit 2) when a text is not valid in the encoding.
twfile::sql::QuerySource DecodedQuery(twfile::sql::QuerySource source, json::Encoding encoding);

// The values of "NAME=VALUE" arguments (split at the first "="). Raises a
// Failure (exit 2) for an argument without "=" or a name given twice.
twfile::sql::ParameterValues ParseParameters(const std::vector<std::string>& arguments);

// Raises a Failure (exit 2) when values do not fit the parameters of
// source's statement: every value whose name no marker uses (with the name
// most likely meant) and every parameter without a value or a default
// value, all in one message.
void CheckParameters(const twfile::sql::QuerySource& source,
                     const twfile::sql::ParameterValues& values, twfile::sql::Dialect dialect);

// Appends to items one "parameter" item for each parameter of source's
// statement, with a message when the document gives it no default value
// (a run then needs --param), or a failed "statement markers" item when a
// marker is refused.
void AddParameterItems(const twfile::sql::QuerySource& source, twfile::sql::Dialect dialect,
                       std::vector<twfile::sql::CheckItem>& items);

// The engine for database, connected, as twfile::sql::OpenDatabase opens it
// (twfile/sql/database.h). An ODBC connection string without a password
// takes the one in the environment variable QDF_ODBC_PASSWORD, when set.
// Raises a Failure (exit 2) with the engine's message when it cannot
// connect.
std::unique_ptr<twfile::sql::Engine> OpenDatabase(const std::string& database,
                                                  const std::string& dataSource);

// Whether path names a database, not a JSON schema: an ODBC data source or
// an SQLite database file (recognised by its header).
bool IsDatabase(const std::string& path);

// Fills schema from path: an ODBC data source as for OpenDatabase, an
// SQLite database (recognised by its header), or else a JSON schema file:
//   {"tables": {"TABLE": {"COLUMN": "DECLARED TYPE", ...}, ...}}
// Raises a Failure (exit 2) naming path when it cannot be read, or when the
// database takes longer than timeout seconds (0: no limit) for a statement.
// Ctrl-C and SIGTERM cancel the database's work (interrupt.h).
void LoadSchemaFile(const std::string& path, twfile::sql::Schema& schema,
                    const std::string& dataSource = "", unsigned timeout = 0);

// The statement source describes with the values of parameters (NAME=VALUE)
// for dialect, the parameters typed by schema when there is one. Raises a
// Failure (exit 2) for a parameter without a value or of the wrong type, or
// a statement the library refuses.
twfile::sql::Statement BuildQueryStatement(const twfile::sql::QuerySource& source,
                                           const twfile::sql::Schema* schema,
                                           const std::vector<std::string>& parameters,
                                           twfile::sql::Dialect dialect);

// Raises a Failure (exit 2) when the statement source generates names a
// table that schema, the schema of database (as messages name it), lacks.
void CheckQueryTables(const twfile::sql::QuerySource& source, const twfile::sql::Schema& schema,
                      const std::string& database);

// The SQL in which database is read: PostgreSQL's for a PostgreSQL target,
// the strictest server's for ODBC, SQLite's for a database file or a JSON
// schema.
twfile::sql::Dialect DialectOf(const std::string& database);

// Raises a Failure with status and the pending error's text (cleared), after
// context when it is not empty.
[[noreturn]] void FailWithPendingError(int status, const std::string& context);

}  // namespace qdf

#endif  // QDF_SQL_SOURCE_H
