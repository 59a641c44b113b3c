#include <twfile/host/status.h>
#include <twfile/sql/parameters.h>

#include <algorithm>
#include <new>

#include "sql/markers.h"
#include "sql/names.h"
#include "sql/statement_text.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The uses of the markers of text, standing at place.
void AddUses(const std::string& text, const std::string& place, bool inStatement,
             const QuerySource& source, Dialect dialect, std::vector<ParameterUse>& uses) {
    for (const std::string& name : MarkerNames(text, dialect)) {
        ParameterUse use;
        use.name = name;
        use.place = place;
        use.inStatement = inStatement;
        if (const std::string* entry = DefaultEntry(source, name)) {
            use.hasDefault = true;
            use.defaultValue = entry->substr(name.size() + 1);
        }
        uses.push_back(std::move(use));
    }
}

std::string Place(const char* list, std::size_t index) {
    return std::string(list) + "[" + std::to_string(index) + "]";
}

}  // namespace

int CheckParameterValues(const QuerySource& source, const ParameterValues& values, Dialect dialect,
                         ParameterCheck& check) {
    check = ParameterCheck();
    try {
        std::vector<Piece> pieces;
        TW_RETURN_IF_ERROR(SplitMarkers(MarkedStatementText(source), dialect, pieces));
        for (const Piece& piece : pieces) {
            if (piece.kind != Piece::Kind::Text && !Has(check.names, piece.text))
                check.names.push_back(piece.text);
        }
        for (const auto& value : values) {
            if (!Has(check.names, value.first)) check.unknown.push_back(value.first);
        }
        for (const std::string& name : check.names) {
            if (values.count(name) == 0 && DefaultEntry(source, name) == nullptr)
                check.missing.push_back(name);
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

int ListParameters(const QuerySource& source, const Schema* schema, Dialect dialect,
                   std::vector<ParameterUse>& uses) {
    uses.clear();
    try {
        const bool generated = !source.editedSQLSelected;
        for (std::size_t i = 0; i < source.conditions.size(); ++i) {
            const std::size_t first = uses.size();
            const std::string& condition = source.conditions[i];
            AddUses(condition, Place("conditions", i), generated, source, dialect, uses);
            for (std::size_t u = first; u < uses.size(); ++u) {
                uses[u].attribute = std::string(FirstWord(condition));
                uses[u].type = ConditionType(condition, source, schema);
            }
        }
        for (std::size_t i = 0; i < source.joins.size(); ++i)
            AddUses(source.joins[i], Place("joins", i), generated, source, dialect, uses);
        AddUses(source.editedSQL, "editedSQL", !generated, source, dialect, uses);
        AddUses(source.dynamicSort, "dynamicSort", generated, source, dialect, uses);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
