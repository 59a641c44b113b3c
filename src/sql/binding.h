// A parameter's value checked for its data type and made ready to bind.
#ifndef TWFILE_SRC_SQL_BINDING_H
#define TWFILE_SRC_SQL_BINDING_H

#include <string>
#include <string_view>

#include <twfile/sql/statement.h>

namespace twfile {
namespace sql {

// Fills binding->value from binding->text for binding->type (a status; the
// error names the parameter). Integer, real and bool values pass the
// condition's operand check for their type first; a time value is bound in
// ISO 8601 whatever form of IsoTime it was written in.
int MakeBinding(Binding& binding);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SRC_SQL_BINDING_H
