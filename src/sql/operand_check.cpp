#include "sql/operand_check.h"

#include <twfile/condition/condition.h>
#include <twfile/host/status.h>

#include "sql/message_capture.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

int CheckOperand(TWDB_DataType type, const std::string& operand, bool& valid,
                 std::vector<std::string>& messages) {
    valid = false;
    MessageCapture capture;
    CTWDB_Table table("T");
    CTWDB_Attribute attribute(&table, "A", type);
    CTWFileQDFCondition condition;
    const std::string text = "T.A = " + operand;
    int bound = 0;
    TW_RETURN_IF_ERROR(condition.ValidateCondition(text.c_str(), &attribute, bound, 0));
    int checked = 0;
    TW_RETURN_IF_ERROR(condition.CheckCondition(checked, 1));
    valid = checked != 0;
    messages = capture.Take();
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
