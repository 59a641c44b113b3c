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
// A marker inside a longer quoted string is bound too: the string becomes
// the concatenation of its parts and the value ('a<<P>>%' gives
// ('a' || ? || '%'), or {fn CONCAT(...)} for other ODBC servers). A marker
// that continues a word, stands in a quoted identifier or in a string with a
// prefix (X'...', E'...', $$...$$), or touches a quote is refused; markers
// inside comments are left as they are.
//
// The text is read as the engine's dialect reads it (dialect.h), and the
// statement must be one statement that only reads (CheckStatement).
//
// Each placeholder's value has the data type of the condition's attribute:
// integer and real values are checked with the condition's operand check
// for that type and bound as numbers, bool values (TRUE or FALSE, any case)
// as the engine's boolean, string values as text, and time values, checked
// as dates and times, as ISO 8601 text (YYYY-MM-DD, HH:MM:SS or both,
// whatever form they were written in). Markers outside
// conditions (the edited SQL, joins, the sort) take the type of a condition
// marker of the same name, or else are text without a check. A value that
// holds a NUL byte is refused. No value can change the statement's
// structure: it is bound, and written into the text only in inlineText,
// as a literal escaped for the dialect.
#ifndef TWFILE_SQL_STATEMENT_H
#define TWFILE_SQL_STATEMENT_H

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <twfile/host/schema.h>
#include <twfile/sql/dialect.h>
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
    // The dialect the statement was built and checked for.
    Dialect dialect = Dialect::SQLite;
    // The statement with a "?" for each placeholder.
    std::string text;
    // The same with every placeholder replaced by its SQL literal for the
    // dialect (SqlLiteral); empty when a value cannot be written safely for
    // it, and inlineRefusal then says which and why.
    std::string inlineText;
    std::string inlineRefusal;
    // The placeholders' values, in the order of the "?"s.
    std::vector<Binding> bindings;
};

// Builds the statement of source for dialect (SQLite when not given).
// schema, when not null, gives the data types of the conditions' attributes
// (without it every value is text). An error names the parameter, the
// condition or the text at fault, or is CheckStatement's.
int BuildStatement(const QuerySource& source, const Schema* schema, const ParameterValues& values,
                   Statement& statement);
int BuildStatement(const QuerySource& source, const Schema* schema, const ParameterValues& values,
                   Dialect dialect, Statement& statement);

// Builds the statement of source as BuildStatement does, without values:
// each marker's binding has its name and no value. The same errors but
// those of values.
int BuildStatementShape(const QuerySource& source, Dialect dialect, Statement& statement);
// The same, keeping only the status.
int CheckStatementShape(const QuerySource& source, Dialect dialect);

// Whether text, read as dialect reads it, is exactly one statement (after a
// ";" only blanks, comments and ";") that only reads: it starts with
// SELECT, WITH, VALUES or (but on SQLite) TABLE, after any "(", and holds
// no word, outside strings, quoted names and comments, that makes a
// statement write, lock or reach outside the database (INSERT, UPDATE,
// DELETE, MERGE, INTO, COPY, SET, LOCK, CALL, ...; functions such as
// nextval also as quoted names). The engines check every text they prepare
// with it. Raises error -1 saying why: "the statement is empty", "the text
// holds more than one statement", "the statement would change the
// database: ... (it holds WORD)", or the lexer's "cannot read the SQL text
// for DIALECT: ...".
int CheckStatement(std::string_view text, Dialect dialect);

// The name of a data type as messages show it: "integer", "string", "bool",
// "real", "time", or "text" for an unknown type (text without a check).
const char* TypeName(TWDB_DataType type);

// The SQL literal of a bound value: "NULL", a number (a real with its
// decimal point: 300000.0), TRUE or FALSE, or text in single quotes with
// every quote doubled.
std::string SqlLiteral(const Binding& binding);
// The same for dialect. PostgreSQL: text holding a backslash is written
// E'...' with backslashes doubled too, the same under either setting of
// standard_conforming_strings; text that is not UTF-8 is refused. Other
// ODBC servers: text holding a backslash is refused. A refused value gives
// "" and refusal says why, naming the parameter.
std::string SqlLiteral(const Binding& binding, Dialect dialect, std::string& refusal);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_STATEMENT_H
