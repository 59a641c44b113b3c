#include "diagram_model.h"

#include <cctype>
#include <string_view>

#include <twfile/sql/statement.h>

namespace qdf {

namespace sql = twfile::sql;

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The first word between spaces: the attribute a condition tests.
std::string_view FirstWord(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find(' ', first) - first);
}

class Builder {
  public:
    Builder(const sql::QuerySource& source, const sql::Schema* schema)
        : m_source(source), m_schema(schema) {
        m_diagram.typed = schema != nullptr;
    }

    Diagram Build() {
        for (const std::string& table : m_source.tables) {
            const std::string_view name = Trimmed(table);
            if (!name.empty()) TableOf(name, true);
        }
        for (const std::string& attribute : m_source.attributes)
            AttributeOf(Trimmed(attribute)).shown = true;
        for (const std::string& attribute : m_source.nonDisplayAttributes)
            AttributeOf(Trimmed(attribute)).hidden = true;
        for (const std::string& condition : m_source.conditions) {
            const std::string_view name = FirstWord(condition);
            if (!name.empty()) AttributeOf(name).tested = true;
        }
        for (std::size_t i = 0; i < m_source.joins.size(); ++i)
            AddJoin(i, m_source.joins[i]);
        MarkApart();
        return std::move(m_diagram);
    }

  private:
    struct Place {
        std::size_t table, attribute;
    };

    std::size_t TableOf(std::string_view name, bool listed) {
        for (std::size_t i = 0; i < m_diagram.tables.size(); ++i) {
            if (SameName(m_diagram.tables[i].name, name) && !m_diagram.tables[i].name.empty()) {
                m_diagram.tables[i].listed = m_diagram.tables[i].listed || listed;
                return i;
            }
        }
        DiagramTable table;
        table.name = std::string(name);
        table.listed = listed;
        table.missing =
            m_schema != nullptr && !name.empty() && m_schema->FindTable(name) == nullptr;
        m_diagram.tables.push_back(std::move(table));
        return m_diagram.tables.size() - 1;
    }

    // The table a column named alone belongs to, or empty.
    std::string TableOfColumn(std::string_view column) const {
        std::vector<std::string> listed;
        for (const DiagramTable& table : m_diagram.tables) {
            if (table.listed && !table.name.empty()) listed.push_back(table.name);
        }
        if (listed.size() == 1) return listed.front();
        if (m_schema == nullptr) return {};
        const CTWDB_Attribute* found = m_schema->FindAttribute(column, m_source.tables);
        const CTWDB_Table* owner = found == nullptr ? nullptr : found->GetOwnerTable();
        return owner == nullptr || owner->GetTableName() == nullptr ? std::string()
                                                                    : owner->GetTableName();
    }

    Place PlaceOf(std::string_view name) {
        const std::size_t dot = name.rfind('.');
        std::string table;
        std::string_view column = name;
        if (dot != std::string_view::npos && dot > 0) {
            table = std::string(name.substr(0, dot));
            column = name.substr(dot + 1);
        } else {
            table = TableOfColumn(name);
        }
        Place place{table.empty() ? Unowned() : TableOf(table, false), 0};
        DiagramTable& owner = m_diagram.tables[place.table];
        for (; place.attribute < owner.attributes.size(); ++place.attribute) {
            if (SameName(owner.attributes[place.attribute].name, column)) return place;
        }
        DiagramAttribute attribute;
        attribute.name = std::string(column);
        if (m_schema != nullptr) {
            const CTWDB_Attribute* found =
                owner.name.empty()
                    ? nullptr
                    : m_schema->FindAttribute(owner.name + "." + attribute.name, m_source.tables);
            attribute.missing = found == nullptr;
            if (found != nullptr) attribute.type = sql::TypeName(found->GetDataType());
        }
        owner.attributes.push_back(std::move(attribute));
        return place;
    }

    DiagramAttribute& AttributeOf(std::string_view name) {
        const Place place = PlaceOf(name);
        return m_diagram.tables[place.table].attributes[place.attribute];
    }

    // The box of the attributes whose table cannot be told.
    std::size_t Unowned() {
        for (std::size_t i = 0; i < m_diagram.tables.size(); ++i) {
            if (m_diagram.tables[i].name.empty()) return i;
        }
        DiagramTable table;
        table.listed = false;
        m_diagram.tables.push_back(std::move(table));
        return m_diagram.tables.size() - 1;
    }

    void AddJoin(std::size_t index, const std::string& text) {
        std::vector<Place> places;
        for (std::size_t start = 0;;) {
            const std::size_t equals = text.find('=', start);
            const std::string_view name = Trimmed(std::string_view(text).substr(
                start, equals == std::string::npos ? std::string::npos : equals - start));
            if (!name.empty()) {
                places.push_back(PlaceOf(name));
                m_diagram.tables[places.back().table].attributes[places.back().attribute].joined =
                    true;
            }
            if (equals == std::string::npos) break;
            start = equals + 1;
        }
        if (places.size() < 2) {
            m_diagram.notes.push_back("joins[" + std::to_string(index) +
                                      "] joins nothing: " + text);
            return;
        }
        for (std::size_t i = 1; i < places.size(); ++i) {
            m_diagram.joins.push_back(DiagramJoin{places[i - 1].table, places[i - 1].attribute,
                                                  places[i].table, places[i].attribute, text});
        }
    }

    // Every table that no chain of joins reaches from the first one.
    void MarkApart() {
        std::vector<DiagramTable>& tables = m_diagram.tables;
        std::size_t first = 0;
        while (first < tables.size() && tables[first].name.empty())
            ++first;
        if (first == tables.size()) return;
        std::vector<bool> reached(tables.size(), false);
        reached[first] = true;
        for (bool grew = true; grew;) {
            grew = false;
            for (const DiagramJoin& join : m_diagram.joins) {
                if (reached[join.fromTable] != reached[join.toTable]) {
                    reached[join.fromTable] = reached[join.toTable] = true;
                    grew = true;
                }
            }
        }
        for (std::size_t i = 0; i < tables.size(); ++i)
            tables[i].apart = !reached[i] && !tables[i].name.empty();
    }

    const sql::QuerySource& m_source;
    const sql::Schema* m_schema;
    Diagram m_diagram;
};

}  // namespace

Diagram BuildDiagram(const sql::QuerySource& source, const sql::Schema* schema) {
    return Builder(source, schema).Build();
}

}  // namespace qdf
