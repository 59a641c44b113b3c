// What a PostgreSQL role must not hold for a run: rights that a read-only
// transaction does not take away. Both engines that reach PostgreSQL refuse
// such a connection.
#ifndef TWFILE_SRC_SQL_SERVER_ROLES_H
#define TWFILE_SRC_SQL_SERVER_ROLES_H

namespace twfile {
namespace sql {

// Counts the connection's roles that are a superuser or may read or write
// the server's files (lo_export writes one even in a read-only
// transaction); 0 for a role that may run statements.
constexpr const char* kServerFileRights =
    "SELECT count(*) FROM pg_roles r WHERE (r.rolname IN (current_user, session_user) AND "
    "r.rolsuper) OR (r.rolname IN ('pg_read_server_files', 'pg_write_server_files', "
    "'pg_execute_server_program') AND (pg_has_role(current_user, r.oid, 'MEMBER') OR "
    "pg_has_role(session_user, r.oid, 'MEMBER')))";

constexpr const char* kServerFileRightsRefused =
    "the role is a superuser or may read or write the server's files "
    "(pg_read_server_files, pg_write_server_files, pg_execute_server_program), "
    "which a read-only transaction does not stop: connect as a role without "
    "these rights";

// The session's transactions read-only from the start, set outside any
// transaction so that it outlives those rolled back later.
constexpr const char* kReadOnlySession = "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY";

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_SERVER_ROLES_H
