// qdf sql, qdf run and qdf check --schema: the statement a document
// describes, its rows, and the document checked against a schema.
#ifndef QDF_SQL_COMMANDS_H
#define QDF_SQL_COMMANDS_H

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "encoding.h"
#include "row_writers.h"

namespace qdf {

struct SqlOptions {
    std::string file;
    std::vector<std::string> parameters;  // NAME=VALUE
    bool inlineValues = false;
    // A database or JSON schema that types the parameters.
    std::string schema;
    Encoding encoding = Encoding::Windows1252;
};

struct RunOptions {
    std::string file;
    std::string database;
    std::vector<std::string> parameters;
    std::optional<RowFormat> format;  // default: table on a terminal, else csv
    std::optional<std::uint64_t> limit;
    Encoding encoding = Encoding::Windows1252;
};

// Prints the statement (ending with ";") and, after it, one SQL comment per
// bound value; with inlineValues the statement with the values written in.
int RunSql(const SqlOptions& options, std::ostream& out, std::ostream& err);

// Runs the statement on the database and prints its rows.
int RunRun(const RunOptions& options, bool terminal, std::ostream& out, std::ostream& err);

// For each file and item prints "FILE: KIND TEXT: ok" or one line per
// failure. Exit status 1 when an item fails, 2 when a file or the schema
// cannot be read.
int RunSchemaCheck(const std::vector<std::string>& files, const std::string& schema,
                   Encoding encoding, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_SQL_COMMANDS_H
