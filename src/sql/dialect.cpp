#include <twfile/sql/dialect.h>

namespace twfile {
namespace sql {

const char* DialectName(Dialect dialect) {
    switch (dialect) {
        case Dialect::SQLite:
            return "SQLite";
        case Dialect::PostgreSQL:
            return "PostgreSQL";
        case Dialect::Odbc:
            break;
    }
    return "ODBC";
}

}  // namespace sql
}  // namespace twfile
