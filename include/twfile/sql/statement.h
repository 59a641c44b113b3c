// The statement a query definition document selects, with its parameters
// bound safely.
//
// The statement is the edited SQL when the document selects it, with its
// lines as they are. Otherwise it is generated:
//   SELECT a1, a2, ... FROM t1, t2, ... WHERE (j1) AND ... AND (c1) AND ...
//   ORDER BY s
// The attributes are the attribute list without the non-display attributes,
// in order, or * when none is left; the WHERE part holds the joins, then the
// conditions, each in parentheses, and is left out when there are none;
// ORDER BY is the dynamic sort text, left out when empty.
//
// Parameters are the "<<Name>>" markers. A value comes from the caller's
// values first, then from the document's default values "Name=Value" (split
// at the first "="; when a name has several entries, the first one wins;
// entries without "=" are ignored). A marker that stands for a whole literal
// becomes a placeholder bound to its value: a marker outside quotes between
// characters that cannot continue a word (a whole operand, a whole element
// of an IN list), or a quoted string that holds the marker and nothing else.
// A marker inside a longer quoted string has its value spliced into the
// string with every quote doubled. A marker that continues a word, stands in
// a quoted identifier or in a string with a prefix (X'...'), or touches a
// quote is refused; markers inside comments are left as they are.
//
// Each placeholder's value has the data type of the condition's attribute:
// integer and real values are checked with the condition's operand check
// for that type and bound as numbers, bool values (TRUE or FALSE, any case)
// as the engine's boolean, string and time values as text. Markers outside
// conditions (the edited SQL, joins, the sort) take the type of a condition
// marker of the same name, or else are text without a check. A value that
// holds a NUL byte is refused. No value can change the statement's
// structure: it is either bound or inside a string with its quotes doubled.
#ifndef TWFILE_SQL_STATEMENT_H
#define TWFILE_SQL_STATEMENT_H

#include <map>
#include <string>
#include <vector>

#include <twfile/host/schema.h>
#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>
#include <twfile/sql/value.h>

namespace twfile {
namespace sql {

// Parameter values given by the caller, by name (names are case-sensitive).
using ParameterValues = std::map<std::string, std::string>;

struct Binding {
    std::string name;
    // The type the value was checked and bound with (TWDB_Unknown: text
    // without a check).
    TWDB_DataType type = TWDB_Unknown;
    // The value as given, and as bound.
    std::string text;
    Value value;
    // Where it came from: the caller or the document's default values.
    bool fromDefault = false;
};

struct Statement {
    // The statement with a "?" for each placeholder.
    std::string text;
    // The same with every placeholder replaced by its SQL literal (numbers
    // as numbers, TRUE or FALSE, text in single quotes with quotes doubled).
    std::string inlineText;
    // The placeholders' values, in the order of the "?"s.
    std::vector<Binding> bindings;
};

// Builds the statement of source. schema, when not null, gives the data
// types of the conditions' attributes (without it every value is text). An
// error names the parameter, the condition or the text at fault.
int BuildStatement(const QuerySource& source, const Schema* schema, const ParameterValues& values,
                   Statement& statement);

// The name of a data type as messages show it: "integer", "string", "bool",
// "real", "time", or "text" for an unknown type (text without a check).
const char* TypeName(TWDB_DataType type);

// The SQL literal of a bound value: "NULL", a number, TRUE or FALSE, or text
// in single quotes with every quote doubled.
std::string SqlLiteral(const Binding& binding);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_STATEMENT_H
