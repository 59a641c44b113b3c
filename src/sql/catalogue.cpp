// A schema from the catalogue of the engine's database.
#include <twfile/host/status.h>
#include <twfile/sql/schema.h>

#include <new>

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

int LoadSchema(Engine& engine, Schema& schema) {
    try {
        std::vector<std::string> tables;
        TW_RETURN_IF_ERROR(engine.Tables(tables));
        std::vector<CatalogueColumn> columns;
        for (const std::string& table : tables) {
            schema.AddTable(table);
            columns.clear();
            TW_RETURN_IF_ERROR(engine.Columns(table, columns));
            for (const CatalogueColumn& column : columns)
                schema.AddColumn(table, column.name, column.declaredType);
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
