// The operators of a WHERE condition.
#ifndef TWFILE_CONDITION_CONDITION_OPERATOR_H
#define TWFILE_CONDITION_CONDITION_OPERATOR_H

// Every 32-bit value may be stored in a condition; values outside the list
// have the text "Error!!!".
enum TWFileQDFConditionOperator : int {
    Operator_None = 0,            // ""
    Operator_Equal = 1,           // "="
    Operator_NotEqual = 2,        // "<>"
    Operator_Less = 3,            // "<"
    Operator_Greater = 4,         // ">"
    Operator_LessOrEqual = 5,     // "<="
    Operator_GreaterOrEqual = 6,  // ">="
    Operator_In = 7,              // "IN"
    Operator_Like = 8             // "LIKE"
};

#endif  // TWFILE_CONDITION_CONDITION_OPERATOR_H
