// A database schema as the condition and join classes see it: tables and
// their attributes, built from a database's catalogue or from a list of
// columns that the caller reads from elsewhere (a JSON schema file).
#ifndef TWFILE_SQL_SCHEMA_H
#define TWFILE_SQL_SCHEMA_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <twfile/host/schema.h>
#include <twfile/sql/engine.h>

namespace twfile {
namespace sql {

// The data type of a declared column type. Listed names (case does not
// matter, a size such as "(10,2)" is ignored):
//   INT, INTEGER, BIGINT, SMALLINT, TINYINT              integer
//   CHAR, VARCHAR, TEXT, CLOB, NCHAR, NVARCHAR           string
//   BOOL, BOOLEAN                                        bool
//   REAL, FLOAT, DOUBLE, NUMERIC, DECIMAL                real
//   DATE, TIME, DATETIME, TIMESTAMP                      time
// Other names follow SQLite's affinity rules: a name containing "INT" is an
// integer; "CHAR", "CLOB" or "TEXT" a string; "BLOB", or no name at all,
// unknown; "REAL", "FLOA" or "DOUB" a real; anything else (numeric
// affinity) a real.
TWDB_DataType DataTypeOf(std::string_view declaredType);

// The tables and attributes of one database. The schema owns them; the
// pointers it gives stay valid as long as the schema lives. Every attribute's
// unique name is "TABLE.COLUMN", its name the column's and its owner the
// table. Names are found without regard to ASCII case, as SQL finds them.
class Schema {
  public:
    Schema();
    ~Schema();
    Schema(const Schema&) = delete;
    Schema& operator=(const Schema&) = delete;

    // Adds table (once) and gives it.
    CTWDB_Table* AddTable(const std::string& table);
    // Adds the column to table (made when new), typed by DataTypeOf.
    CTWDB_Attribute* AddColumn(const std::string& table, const std::string& column,
                               const std::string& declaredType);

    // Null when there is no such table.
    CTWDB_Table* FindTable(std::string_view table) const;
    // name is "TABLE.COLUMN", or a column name alone that exactly one of
    // tables has. Null when there is no such attribute (or several).
    CTWDB_Attribute* FindAttribute(std::string_view name,
                                   const std::vector<std::string>& tables) const;

  private:
    struct Table;
    std::vector<std::unique_ptr<Table>> m_tables;
};

// Fills schema from the catalogue of the engine's database.
int LoadSchema(Engine& engine, Schema& schema);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_SCHEMA_H
