// The small interface every database engine offers the SQL layer: connect,
// read the catalogue, prepare, bind, execute, step, read columns, close.
//
// Every operation returns a status and follows the error service's rules: a
// failure raises error -1 with the engine's own text, the source name being
// the engine's. An engine is used by one thread at a time and runs one
// statement at a time; a new Prepare ends the statement before it.
#ifndef TWFILE_SQL_ENGINE_H
#define TWFILE_SQL_ENGINE_H

#include <memory>
#include <string>
#include <vector>

#include <twfile/host/schema.h>
#include <twfile/sql/dialect.h>
#include <twfile/sql/value.h>

namespace twfile {
namespace sql {

// A column as the catalogue declares it.
struct CatalogueColumn {
    std::string name;
    // The declared type as written in the table's definition; may be empty.
    std::string declaredType;
};

class Engine {
  public:
    virtual ~Engine() = default;

    // The engine's name, as messages and the tool show it.
    virtual const char* Name() const = 0;
    // How the server reads SQL text: its dialect, known once connected (the
    // strictest, Odbc, for a server it does not know).
    virtual Dialect SqlDialect() const = 0;

    // Opens the database for reading only; nothing is ever written to it. A
    // database that does not exist is an error (none is created).
    virtual int Connect(const std::string& database) = 0;
    // Ends the statement, if any, and the connection. Safe to call twice.
    virtual int Close() = 0;

    // The tables and views of the database, in the catalogue's order.
    virtual int Tables(std::vector<std::string>& tables) = 0;
    // The columns of table, in the table's order.
    virtual int Columns(const std::string& table, std::vector<CatalogueColumn>& columns) = 0;

    // Prepares text, a single statement that only reads, and gives the
    // number of placeholders it holds. Text after the statement, or a
    // statement that would change the database, is refused before the
    // server sees it (CheckStatement in statement.h, for SqlDialect()).
    virtual int Prepare(const std::string& text, int& placeholders) = 0;
    // Binds the placeholder number index (from 1). type is the data type the
    // value was checked for: an engine with typed parameters binds a time
    // value that reads as a date, time or timestamp as one.
    virtual int Bind(int index, const Value& value, TWDB_DataType type) = 0;
    // Runs the prepared statement with the values bound; its columns are
    // known from here on.
    virtual int Execute() = 0;
    // Moves to the next row; row is false when there is none.
    virtual int Step(bool& row) = 0;
    // The result's columns: their number and names.
    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int column) const = 0;
    // The value of column (from 0) in the current row.
    virtual int Column(int column, Value& value) = 0;
    // Ends the prepared statement; safe without one.
    virtual int Finish() = 0;

    // Limits. From the next statement on, a statement may take the database
    // at most seconds of work (0, the default: no limit); one that takes
    // longer is stopped, and fails saying that the time ran out.
    virtual int SetTimeout(unsigned seconds) = 0;
    // Stops the statement now running on the database. The only operation
    // that may be called from another thread, at any time (also before
    // Connect and during Close). From then on every statement fails as
    // cancelled, until the next Connect.
    virtual void Cancel() = 0;
};

// The embedded engine: SQLite. Null when the library was built without
// SQLite.
std::unique_ptr<Engine> MakeSQLiteEngine();

// The engine for database servers: ODBC, through the driver manager. Its
// database is an ODBC connection string ("DSN=SALES;UID=me" or
// "Driver=...;Server=..."). Null when the library was built without ODBC.
std::unique_ptr<Engine> MakeOdbcEngine();

// The engine for PostgreSQL through its own client library, libpq. Its
// database is a libpq connection string (PostgresConnection in
// postgres_target.h makes one). Null when the library was built without
// libpq.
std::unique_ptr<Engine> MakePostgresEngine();

// An ODBC connection string as messages show it: its attributes with every
// password (PWD=, PASSWORD=, and password= inside a braced value such as
// pqopt={password=...}) written "***".
std::string MaskedConnectionString(const std::string& text);

// text, a message of the engine, with every password of the connection
// string connection hidden: each whole occurrence of a password of at least
// four characters is written "***", and every echo of the connection string
// or of one of its attributes is masked as MaskedConnectionString masks it.
std::string WithoutPasswords(const std::string& text, const std::string& connection);

// connection with PWD=password added when it holds no password of its own
// and password is not empty; else connection as it is.
std::string WithPassword(const std::string& connection, const std::string& password);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_ENGINE_H
