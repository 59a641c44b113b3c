// The data type of a declared column type: the listed names first, then
// SQLite's type-affinity rules.
#include <twfile/sql/schema.h>

#include "sql/names.h"

namespace twfile {
namespace sql {

namespace {

struct Listed {
    const char* name;
    TWDB_DataType type;
};

constexpr Listed kListed[] = {
    {"INT", TWDB_Integer},      {"INTEGER", TWDB_Integer}, {"BIGINT", TWDB_Integer},
    {"SMALLINT", TWDB_Integer}, {"TINYINT", TWDB_Integer}, {"CHAR", TWDB_String},
    {"VARCHAR", TWDB_String},   {"TEXT", TWDB_String},     {"CLOB", TWDB_String},
    {"NCHAR", TWDB_String},     {"NVARCHAR", TWDB_String}, {"BOOL", TWDB_Bool},
    {"BOOLEAN", TWDB_Bool},     {"REAL", TWDB_Real},       {"FLOAT", TWDB_Real},
    {"DOUBLE", TWDB_Real},      {"NUMERIC", TWDB_Real},    {"DECIMAL", TWDB_Real},
    {"DATE", TWDB_Time},        {"TIME", TWDB_Time},       {"DATETIME", TWDB_Time},
    {"TIMESTAMP", TWDB_Time},
};

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TWDB_DataType DataTypeOf(std::string_view declaredType) {
    // The name without its size: "VARCHAR(20)" is "VARCHAR".
    std::string_view name = declaredType;
    const std::size_t bracket = name.find('(');
    if (bracket != std::string_view::npos) name = name.substr(0, bracket);
    const std::string upper = UpperAscii(Trimmed(name));
    for (const Listed& listed : kListed) {
        if (upper == listed.name) return listed.type;
    }
    // SQLite's affinity rules, in their order, on the whole declared type.
    const std::string whole = UpperAscii(declaredType);
    if (Contains(whole, "INT")) return TWDB_Integer;
    if (Contains(whole, "CHAR") || Contains(whole, "CLOB") || Contains(whole, "TEXT"))
        return TWDB_String;
    if (Contains(whole, "BLOB") || Trimmed(whole).empty()) return TWDB_Unknown;
    if (Contains(whole, "REAL") || Contains(whole, "FLOA") || Contains(whole, "DOUB"))
        return TWDB_Real;
    return TWDB_Real;
}

}  // namespace sql
}  // namespace twfile
