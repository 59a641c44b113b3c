#include <twfile/sql/schema.h>

#include "sql/names.h"

namespace twfile {
namespace sql {

struct Schema::Table {
    explicit Table(const std::string& name) : name(name), table(name.c_str()) {}
    std::string name;
    CTWDB_Table table;
    std::vector<std::string> columns;
    std::vector<std::unique_ptr<CTWDB_Attribute>> attributes;

    CTWDB_Attribute* Find(std::string_view column) const {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (EqualNoCase(columns[i], column)) return attributes[i].get();
        }
        return nullptr;
    }
};

Schema::Schema() = default;
Schema::~Schema() = default;

CTWDB_Table* Schema::AddTable(const std::string& table) {
    if (CTWDB_Table* found = FindTable(table)) return found;
    m_tables.push_back(std::make_unique<Table>(table));
    return &m_tables.back()->table;
}

CTWDB_Attribute* Schema::AddColumn(const std::string& table, const std::string& column,
                                   const std::string& declaredType) {
    AddTable(table);
    for (const auto& t : m_tables) {
        if (!EqualNoCase(t->name, table)) continue;
        if (CTWDB_Attribute* found = t->Find(column)) return found;
        t->attributes.push_back(
            std::make_unique<CTWDB_Attribute>(&t->table, column.c_str(), DataTypeOf(declaredType)));
        t->columns.push_back(column);
        return t->attributes.back().get();
    }
    return nullptr;
}

CTWDB_Table* Schema::FindTable(std::string_view table) const {
    for (const auto& t : m_tables) {
        if (EqualNoCase(t->name, table)) return &t->table;
    }
    return nullptr;
}

CTWDB_Attribute* Schema::FindAttribute(std::string_view name,
                                       const std::vector<std::string>& tables) const {
    // The table part ends at the last ".", so that a table name may hold one
    // (a schema-qualified name).
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        const std::string_view table = name.substr(0, dot);
        for (const auto& t : m_tables) {
            if (EqualNoCase(t->name, table)) return t->Find(name.substr(dot + 1));
        }
        return nullptr;
    }
    CTWDB_Attribute* found = nullptr;
    for (const std::string& table : tables) {
        for (const auto& t : m_tables) {
            if (!EqualNoCase(t->name, table)) continue;
            if (CTWDB_Attribute* attribute = t->Find(name)) {
                if (found != nullptr && found != attribute) return nullptr;
                found = attribute;
            }
        }
    }
    return found;
}

}  // namespace sql
}  // namespace twfile
