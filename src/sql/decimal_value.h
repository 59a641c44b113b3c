// A decimal number that a server gives as its text, kept as the value it
// holds: an integer when it has no fraction and fits 64 bits, a real when a
// double gives its digits back, else its text (as SQLite keeps a NUMERIC
// column).
#ifndef TWFILE_SRC_SQL_DECIMAL_VALUE_H
#define TWFILE_SRC_SQL_DECIMAL_VALUE_H

#include <twfile/sql/value.h>

namespace twfile {
namespace sql {

// value, a Text holding a decimal number, made an Integer or a Real where
// one holds it; left as it is otherwise.
void ReadDecimal(Value& value);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_DECIMAL_VALUE_H
