#include <twfile/host/status.h>
#include <twfile/sql/parameters.h>

#include <algorithm>
#include <new>

#include "sql/markers.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Joined(const std::vector<std::string>& items, const char* glue) {
    std::string joined;
    for (const std::string& item : items) {
        if (!joined.empty()) joined += glue;
        joined += item;
    }
    return joined;
}

// The statement's text with its markers, laid out as the statement lays it
// out: a quote or a comment that one part leaves open reaches into the next
// one here too.
std::string StatementText(const QuerySource& source) {
    if (source.editedSQLSelected) return source.editedSQL;
    std::vector<std::string> shown;
    for (const std::string& attribute : source.attributes) {
        if (!Has(source.nonDisplayAttributes, attribute)) shown.push_back(attribute);
    }
    std::string text = "SELECT " + (shown.empty() ? std::string("*") : Joined(shown, ", ")) +
                       " FROM " + Joined(source.tables, ", ");
    const char* glue = " WHERE ";
    for (const std::string& join : source.joins) {
        text += glue + ("(" + join + ")");
        glue = " AND ";
    }
    for (const std::string& condition : source.conditions) {
        text += glue + ("(" + condition + ")");
        glue = " AND ";
    }
    if (!source.dynamicSort.empty()) text += " ORDER BY " + source.dynamicSort;
    return text;
}

bool HasDefault(const QuerySource& source, const std::string& name) {
    return std::any_of(
        source.defaultValues.begin(), source.defaultValues.end(), [&](const std::string& entry) {
            return entry.find('=') == name.size() && entry.compare(0, name.size(), name) == 0;
        });
}

}  // namespace

int CheckParameterValues(const QuerySource& source, const ParameterValues& values,
                         ParameterCheck& check) {
    check = ParameterCheck();
    try {
        std::vector<Piece> pieces;
        TW_PASS_ON(SplitMarkers(StatementText(source), pieces));
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
        TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
