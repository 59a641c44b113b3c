#include <twfile/host/status.h>
#include <twfile/sql/parameters.h>

#include <algorithm>
#include <new>

#include "sql/markers.h"
#include "sql/statement_text.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool HasDefault(const QuerySource& source, const std::string& name) {
    return std::any_of(
        source.defaultValues.begin(), source.defaultValues.end(), [&](const std::string& entry) {
            return entry.find('=') == name.size() && entry.compare(0, name.size(), name) == 0;
        });
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
            if (values.count(name) == 0 && !HasDefault(source, name)) check.missing.push_back(name);
        }
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
