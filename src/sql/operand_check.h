// The condition's operand check for a data type, run on a value alone.
#ifndef TWFILE_SRC_SQL_OPERAND_CHECK_H
#define TWFILE_SRC_SQL_OPERAND_CHECK_H

#include <string>
#include <vector>

#include <twfile/host/schema.h>

namespace twfile {
namespace sql {

// Checks operand as the condition "A = operand" on an attribute A of type
// would check it. valid tells whether it passed; messages get the checks'
// texts, captured. A status: the checks' own errors are passed on.
int CheckOperand(TWDB_DataType type, const std::string& operand, bool& valid,
                 std::vector<std::string>& messages);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_OPERAND_CHECK_H
