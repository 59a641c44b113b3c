// A database as a user names it, reached: "odbc:CONNECTION-STRING" through
// ODBC ("odbc:" alone: the data source the document names),
// "postgresql://...", "postgres://..." or "postgres:CONNINFO" through libpq,
// anything else an SQLite database file.
#ifndef TWFILE_SQL_DATABASE_H
#define TWFILE_SQL_DATABASE_H

#include <memory>
#include <string>

#include <twfile/sql/engine.h>

namespace twfile {
namespace sql {

// Whether database is an ODBC data source ("odbc:...").
bool IsOdbcDatabase(const std::string& database);

// Whether database names a server: an ODBC data source, or PostgreSQL.
bool IsServerDatabase(const std::string& database);

// Whether path is a regular file that starts with SQLite's header. The open
// never waits (a FIFO put in the file's place reads as no database).
bool IsSQLiteFile(const std::string& path);

// database as messages show it: a connection string without its passwords.
std::string ShownDatabase(const std::string& database);

// The engine for database, connected. dataSource is the document's
// DATABASE member: the data source for "odbc:" alone (refused when it is
// more than a name), and the database name for a PostgreSQL target that
// names none. password goes into an ODBC connection string that has none.
// An SQLite database must be a regular file that exists: a database is
// opened, never made, and a FIFO's open would wait. On failure: null, with
// the error pending, its message naming the database.
std::unique_ptr<Engine> OpenDatabase(const std::string& database, const std::string& dataSource,
                                     const std::string& password = "");

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_DATABASE_H
