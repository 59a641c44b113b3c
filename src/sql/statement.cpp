// The statement a document selects: the edited SQL, or the generated
// SELECT; then its markers replaced by placeholders bound to their values.
#include <twfile/host/status.h>
#include <twfile/sql/statement.h>

#include <algorithm>
#include <new>

#include "sql/binding.h"
#include "sql/markers.h"
#include "sql/names.h"
#include "sql/statement_text.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

// A part of the statement and the data type its markers take. The parts
// are put together first and split as one text, so that a quote or comment
// that a part leaves open is seen as the engine will see it.
struct Part {
    std::string text;
    bool typed = false;  // a condition: its markers take type
    TWDB_DataType type = TWDB_Unknown;
    std::size_t offset = 0;  // where it starts in the whole text
};

std::string Joined(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) {
        if (!joined.empty()) joined += ", ";
        joined += item;
    }
    return joined;
}

// The parts of the generated SELECT; an error text when there is none.
std::string Generate(const QuerySource& source, const Schema* schema, std::vector<Part>& parts) {
    if (source.tables.empty()) return "the document names no tables";
    std::vector<std::string> shown;
    for (const std::string& attribute : source.attributes) {
        const auto& hidden = source.nonDisplayAttributes;
        if (std::find(hidden.begin(), hidden.end(), attribute) == hidden.end())
            shown.push_back(attribute);
    }
    parts.push_back(Part{"SELECT " + (shown.empty() ? std::string("*") : Joined(shown)) + " FROM " +
                         Joined(source.tables)});
    const char* glue = " WHERE ";
    for (const std::string& join : source.joins) {
        parts.push_back(Part{glue + ("(" + join + ")")});
        glue = " AND ";
    }
    for (const std::string& condition : source.conditions) {
        parts.push_back(Part{glue + std::string("("), false});
        parts.push_back(Part{condition, true, ConditionType(condition, source, schema)});
        parts.push_back(Part{")"});
        glue = " AND ";
    }
    if (!source.dynamicSort.empty()) parts.push_back(Part{" ORDER BY " + source.dynamicSort});
    return std::string();
}

class Builder {
  public:
    // values null: every marker stands for a value, none is looked up.
    Builder(const QuerySource& source, const Schema* schema, const ParameterValues* values,
            Statement& statement)
        : m_source(source), m_schema(schema), m_values(values), m_statement(statement) {}

    int Build() {
        std::vector<Part> parts;
        if (m_source.editedSQLSelected) {
            parts.push_back(Part{m_source.editedSQL});
        } else {
            const std::string failure = Generate(m_source, m_schema, parts);
            if (!failure.empty()) return TW_RAISE(-1, failure.c_str());
        }
        std::string whole;
        for (Part& part : parts) {
            part.offset = whole.size();
            whole += part.text;
        }
        std::vector<Piece> pieces;
        TW_RETURN_IF_ERROR(SplitMarkers(whole, m_statement.dialect, pieces));
        for (const Piece& piece : pieces) {
            const Part* part = &parts.front();
            for (const Part& candidate : parts) {
                if (candidate.offset <= piece.offset) part = &candidate;
            }
            TW_RETURN_IF_ERROR(Add(piece, *part));
        }
        TW_RETURN(CheckStatement(m_statement.text, m_statement.dialect));
    }

  private:
    // The type of a marker outside the conditions: that of a condition
    // marker of the same name, else unknown.
    TWDB_DataType NamedType(const std::string& name) const {
        for (const std::string& condition : m_source.conditions) {
            const std::vector<std::string> names = MarkerNames(condition, m_statement.dialect);
            if (std::find(names.begin(), names.end(), name) != names.end())
                return ConditionType(condition, m_source, m_schema);
        }
        return TWDB_Unknown;
    }

    // The value of name: the caller's, else the first default value.
    int Lookup(const std::string& name, Binding& binding) const {
        binding.name = name;
        const auto given = m_values->find(name);
        if (given != m_values->end()) {
            binding.text = given->second;
            return TW_EXIT();
        }
        if (const std::string* entry = DefaultEntry(m_source, name)) {
            binding.text = entry->substr(name.size() + 1);
            binding.fromDefault = true;
            return TW_EXIT();
        }
        const std::string message = "the parameter \"" + name + "\" has no value";
        return TW_RAISE(-1, message.c_str());
    }

    int Add(const Piece& piece, const Part& part) {
        if (piece.kind == Piece::Kind::Text) {
            m_statement.text += piece.text;
            if (m_statement.inlineRefusal.empty()) m_statement.inlineText += piece.text;
            return TW_EXIT();
        }
        m_statement.text += '?';
        Binding binding;
        if (m_values == nullptr) {
            binding.name = piece.text;
            m_statement.bindings.push_back(std::move(binding));
            return TW_EXIT();
        }
        TW_RETURN_IF_ERROR(Lookup(piece.text, binding));
        // A value joined to a string's text is text.
        binding.type = piece.kind == Piece::Kind::Splice ? TWDB_Unknown
                       : part.typed                      ? part.type
                                                         : NamedType(piece.text);
        TW_RETURN_IF_ERROR(MakeBinding(binding));
        std::string refusal;
        const std::string literal = SqlLiteral(binding, m_statement.dialect, refusal);
        if (!refusal.empty() && m_statement.inlineRefusal.empty()) {
            m_statement.inlineRefusal = refusal;
            m_statement.inlineText.clear();
        }
        // A negative number right after a minus would make "--", a comment.
        std::string& written = m_statement.inlineText;
        if (m_statement.inlineRefusal.empty()) {
            if (literal.front() == '-' && !written.empty() && written.back() == '-') written += ' ';
            written += literal;
        }
        m_statement.bindings.push_back(std::move(binding));
        return TW_EXIT();
    }

    const QuerySource& m_source;
    const Schema* m_schema;
    const ParameterValues* m_values;
    Statement& m_statement;
};

}  // namespace

TWDB_DataType ConditionType(const std::string& condition, const QuerySource& source,
                            const Schema* schema) {
    if (schema == nullptr) return TWDB_Unknown;
    const CTWDB_Attribute* attribute = schema->FindAttribute(FirstWord(condition), source.tables);
    return attribute != nullptr ? attribute->GetDataType() : TWDB_Unknown;
}

const std::string* DefaultEntry(const QuerySource& source, const std::string& name) {
    for (const std::string& entry : source.defaultValues) {
        if (entry.find('=') == name.size() && entry.compare(0, name.size(), name) == 0)
            return &entry;
    }
    return nullptr;
}

int BuildStatement(const QuerySource& source, const Schema* schema, const ParameterValues& values,
                   Statement& statement) {
    TW_RETURN(BuildStatement(source, schema, values, Dialect::SQLite, statement));
}

int BuildStatement(const QuerySource& source, const Schema* schema, const ParameterValues& values,
                   Dialect dialect, Statement& statement) {
    statement = Statement();
    statement.dialect = dialect;
    try {
        Builder builder(source, schema, &values, statement);
        TW_RETURN_IF_ERROR(builder.Build());
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

std::string MarkedStatementText(const QuerySource& source) {
    if (source.editedSQLSelected) return source.editedSQL;
    std::vector<Part> parts;
    Generate(source, nullptr, parts);
    std::string whole;
    for (const Part& part : parts)
        whole += part.text;
    return whole;
}

int BuildStatementShape(const QuerySource& source, Dialect dialect, Statement& statement) {
    try {
        statement = Statement();
        statement.dialect = dialect;
        Builder builder(source, nullptr, nullptr, statement);
        TW_RETURN_IF_ERROR(builder.Build());
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

int CheckStatementShape(const QuerySource& source, Dialect dialect) {
    Statement statement;
    TW_RETURN(BuildStatementShape(source, dialect, statement));
}

}  // namespace sql
}  // namespace twfile
