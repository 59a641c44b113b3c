// The data source a document names (its DATABASE member), made into the
// connection string that reaches it.
#ifndef TWFILE_SQL_DATA_SOURCE_H
#define TWFILE_SQL_DATA_SOURCE_H

#include <string>

namespace twfile {
namespace sql {

// The ODBC connection string for the data source name, "DSN=" and the name.
// A document only ever names a data source: the server, the user, the
// password and every other attribute come from the user's own ODBC
// configuration. So a name that could add attributes of its own, one that
// holds ";", "{", "}", "=" or a control character, is refused with an error
// that shows it, as is an empty name; connection is then left empty.
int DataSourceConnection(const std::string& name, std::string& connection);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_DATA_SOURCE_H
