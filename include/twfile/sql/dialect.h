// The dialects of SQL text that the SQL layer reads and writes: how a server
// quotes strings and names and where its comments are. An engine names the
// dialect of the server it reached.
#ifndef TWFILE_SQL_DIALECT_H
#define TWFILE_SQL_DIALECT_H

namespace twfile {
namespace sql {

enum class Dialect {
    // '...' without escapes, "...", `...`, [...], "--" and /* */ comments.
    SQLite,
    // PostgreSQL: E'...' with backslash escapes, $tag$...$tag$, nested /* */.
    // A backslash in a plain '...' is refused: the server's
    // standard_conforming_strings decides whether it escapes.
    PostgreSQL,
    // Any other server through ODBC: the strictest reading. What one common
    // server would read differently from another (a backslash in a quoted
    // text, "#", a $tag$ quote, a nested comment, MySQL's /*! */) is refused.
    Odbc
};

// "SQLite", "PostgreSQL" or "ODBC".
const char* DialectName(Dialect dialect);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_DIALECT_H
