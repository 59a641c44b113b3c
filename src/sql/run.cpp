#include <twfile/host/status.h>
#include <twfile/sql/run.h>

#include <new>

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

int PrepareStatement(Engine& engine, const Statement& statement) {
    int placeholders = 0;
    TW_RETURN_IF_ERROR(engine.Prepare(statement.text, placeholders));
    if (placeholders != static_cast<int>(statement.bindings.size())) {
        return TW_RAISE(-1,
                        "the statement holds placeholders of its own (such as ?, :name or @name), "
                        "which have no value");
    }
    return TW_EXIT();
}

namespace {

int Steps(Engine& engine, const Statement& statement, RowSink& sink) {
    TW_RETURN_IF_ERROR(PrepareStatement(engine, statement));
    for (std::size_t i = 0; i < statement.bindings.size(); ++i)
        TW_RETURN_IF_ERROR(engine.Bind(static_cast<int>(i) + 1, statement.bindings[i].value,
                                       statement.bindings[i].type));
    TW_RETURN_IF_ERROR(engine.Execute());
    const int count = engine.ColumnCount();
    std::vector<std::string> names;
    for (int column = 0; column < count; ++column)
        names.push_back(engine.ColumnName(column));
    if (!sink.Columns(names)) return TW_EXIT();
    std::vector<Value> row(static_cast<std::size_t>(count));
    for (;;) {
        bool more = false;
        TW_RETURN_IF_ERROR(engine.Step(more));
        if (!more) break;
        for (int column = 0; column < count; ++column)
            TW_RETURN_IF_ERROR(engine.Column(column, row[static_cast<std::size_t>(column)]));
        if (!sink.Row(row)) break;
    }
    return TW_EXIT();
}

}  // namespace

int RunStatement(Engine& engine, const Statement& statement, RowSink& sink) {
    try {
        Steps(engine, statement, sink);
    } catch (const std::bad_alloc&) {
        engine.Finish();
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    // Finishing never raises: the step's error, if any, stays the one pending.
    engine.Finish();
    TW_RETURN_IF_ERROR(0);
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
