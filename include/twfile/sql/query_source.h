// The parts of a query definition document that make its statement.
#ifndef TWFILE_SQL_QUERY_SOURCE_H
#define TWFILE_SQL_QUERY_SOURCE_H

#include <string>
#include <vector>

#include <twfile/query/qdf.h>

namespace twfile {
namespace sql {

struct QuerySource {
    // The data source the query was built on (the DATABASE member).
    std::string database;
    std::vector<std::string> tables;
    std::vector<std::string> attributes;
    std::vector<std::string> nonDisplayAttributes;
    std::vector<std::string> conditions;
    std::vector<std::string> joins;
    // "Name=Value" entries.
    std::vector<std::string> defaultValues;
    bool editedSQLSelected = false;
    std::string editedSQL;
    std::string dynamicSort;
};

// The members of doc, their bytes as they are.
QuerySource QuerySourceOf(const CTWFileQDF& doc);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_QUERY_SOURCE_H
