// Running a statement on an engine and handing its rows on one at a time.
#ifndef TWFILE_SQL_RUN_H
#define TWFILE_SQL_RUN_H

#include <string>
#include <vector>

#include <twfile/sql/engine.h>
#include <twfile/sql/statement.h>
#include <twfile/sql/value.h>

namespace twfile {
namespace sql {

// Receives the result: first the column names, then each row. The row's
// values are reused for the next row; a receiver that keeps them copies
// them. Returning false stops the run (no error).
class RowSink {
  public:
    virtual ~RowSink() = default;
    virtual bool Columns(const std::vector<std::string>& names) = 0;
    virtual bool Row(const std::vector<Value>& values) = 0;
};

// Prepares the statement on the engine's open connection and checks that it
// has exactly the placeholders the statement binds.
int PrepareStatement(Engine& engine, const Statement& statement);

// Prepares the statement on the engine's open connection, checks that it has
// exactly the placeholders the statement binds (a placeholder of the text's
// own would stay without a value), binds them and steps through the rows.
// Only one row is held at a time. The statement is finished in any case.
int RunStatement(Engine& engine, const Statement& statement, RowSink& sink);

}  // namespace sql
}  // namespace twfile

#endif  // TWFILE_SQL_RUN_H
