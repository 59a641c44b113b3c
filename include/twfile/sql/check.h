// Checking a document against a schema: every table, attribute, condition
// and join it names.
#ifndef TWFILE_SQL_CHECK_H
#define TWFILE_SQL_CHECK_H

#include <string>
#include <vector>

#include <twfile/sql/dialect.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>

namespace twfile {
namespace sql {

struct CheckItem {
    // "table", "attribute", "non-display attribute", "condition", "join" or
    // "statement".
    std::string kind;
    // The item's text as the document holds it.
    std::string text;
    bool ok = true;
    // Why it failed: one line each (the condition checks' messages among
    // them, captured rather than shown).
    std::vector<std::string> messages;
};

// Checks each table (it exists), each attribute and non-display attribute
// (it exists: "TABLE.COLUMN", or a column of exactly one of the document's
// tables), each condition (its attribute exists and the condition passes
// the condition checks for that attribute) and each join (both of its
// attributes exist). items gets one entry per item, in that order, and a
// last one, "statement" ("the edited SQL" or "the generated SELECT"): the
// statement read as dialect reads it (SQLite when not given) is one that a
// run would prepare (CheckStatementShape in statement.h).
int CheckDocument(const QuerySource& source, const Schema& schema, std::vector<CheckItem>& items);
int CheckDocument(const QuerySource& source, const Schema& schema, Dialect dialect,
                  std::vector<CheckItem>& items);

// Prepares the statement of source on engine, each marker a placeholder,
// and ends it without running it: the database then checks the statement's
// tables, columns and types as a run would see them. A statement that would
// change the database is refused before the database sees it (Prepare). A
// status; a failure carries the engine's text.
int PrepareStatementShape(const QuerySource& source, Engine& engine);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_CHECK_H
