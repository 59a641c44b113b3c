// The PostgreSQL server a run reaches through libpq, as the user names it:
// "postgresql://..." or "postgres://..." (a URI), or "postgres:" and a libpq
// connection string ("postgres:host=db user=me", "postgres:service=sales",
// "postgres:" alone for libpq's defaults: PGHOST, PGUSER, PGSERVICE...).
// Passwords come as libpq users expect them (PGPASSWORD, ~/.pgpass, the
// service file); one given in the target is never shown.
#ifndef TWFILE_SQL_POSTGRES_TARGET_H
#define TWFILE_SQL_POSTGRES_TARGET_H

#include <string>

namespace twfile {
namespace sql {

// Whether text names a PostgreSQL server as above.
bool IsPostgresTarget(const std::string& text);

// The libpq connection string for target, with dbname set to database when
// target names no database and database is not empty: a document names its
// database and nothing else (never the host, port, user or options). A
// target libpq cannot read is an error with libpq's reason, its password
// hidden; connection is then empty. Without libpq, an error saying so.
int PostgresConnection(const std::string& target, const std::string& database,
                       std::string& connection);

// target as messages show it: the password of a URI's user part or query,
// and the value of every password setting of a connection string, written
// "***".
std::string MaskedPostgresTarget(const std::string& target);

// text, a message, with every occurrence of password written "***" when it
// is at least four characters long (a shorter one stands in ordinary words).
std::string WithoutPassword(const std::string& text, const std::string& password);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_POSTGRES_TARGET_H
