// qdf condition: a condition text bound to an attribute of a given type, and
// what the library makes of it.
#ifndef QDF_CONDITION_COMMAND_H
#define QDF_CONDITION_COMMAND_H

#include <optional>
#include <ostream>
#include <string>

#include <twfile/host/schema.h>

#include "encoding.h"

namespace qdf {

struct ConditionOptions {
    TWDB_DataType type = TWDB_Integer;
    // The attribute's table and name. When not given they come from the
    // condition's first word: "T.A" gives table T and attribute A, "A" the
    // attribute A of no table.
    std::optional<std::string> table;
    std::optional<std::string> attribute;
    std::string text;
    Encoding encoding = Encoding::Windows1252;
};

// The name of a data type ("integer", "string", "bool", "real", "time").
const char* DataTypeName(TWDB_DataType type);

// Binds the text to the attribute and prints on out the attribute, the SQL
// text, the full-name text, the parameters, the operand with the sample
// values put in for its parameters, and the result and messages of the
// condition's checks. Errors of the library go to err. Exit status: 0 when
// the checks pass, 1 when they fail or the library reports an error, 2 when
// the arguments do not name an attribute or do not fit the encoding.
int RunCondition(const ConditionOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_CONDITION_COMMAND_H
