// A document checked against a schema, item by item.
#include <twfile/condition/condition.h>
#include <twfile/host/status.h>
#include <twfile/sql/check.h>
#include <twfile/sql/run.h>
#include <twfile/sql/statement.h>

#include <new>

#include "sql/message_capture.h"
#include "sql/names.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

CheckItem Item(const char* kind, const std::string& text) {
    CheckItem item;
    item.kind = kind;
    item.text = text;
    return item;
}

void Fail(CheckItem& item, const std::string& message) {
    item.ok = false;
    item.messages.push_back(message);
}

void CheckAttribute(CheckItem& item, const std::string& name, const QuerySource& source,
                    const Schema& schema) {
    if (schema.FindAttribute(Trimmed(name), source.tables) == nullptr)
        Fail(item, "no attribute " + std::string(Trimmed(name)) + " in the schema");
}

int CheckCondition(CheckItem& item, const QuerySource& source, const Schema& schema) {
    const std::string name(FirstWord(item.text));
    CTWDB_Attribute* attribute = schema.FindAttribute(name, source.tables);
    if (attribute == nullptr) {
        Fail(item,
             "no attribute " + (name.empty() ? std::string("at all") : name) + " in the schema");
        return TW_EXIT();
    }
    // The condition names the attribute as the schema spells it: a server
    // that folds names keeps ORDERS.QTY as orders.qty.
    std::string text = item.text;
    const std::size_t at = text.find(name);
    if (at != std::string::npos) {
        text.replace(at, name.size(),
                     name.find('.') != std::string::npos ? attribute->GetUniqueName()
                                                         : attribute->GetAttributeName());
    }
    MessageCapture capture;
    CTWFileQDFCondition condition;
    int bound = 0;
    TW_RETURN_IF_ERROR(condition.ValidateCondition(text.c_str(), attribute, bound, 0));
    int valid = 0;
    TW_RETURN_IF_ERROR(condition.CheckCondition(valid, 1));
    for (std::string& message : capture.Take()) {
        for (std::size_t at = message.find("\r\n"); at != std::string::npos;
             at = message.find("\r\n", at))
            message.replace(at, 2, " ");
        Fail(item, message);
    }
    if (valid == 0 && item.ok) Fail(item, "the condition checks failed");
    return TW_EXIT();
}

// The statement as a run would build it, each marker standing for a value.
int CheckShape(const QuerySource& source, Dialect dialect, CheckItem& item) {
    MessageCapture capture;
    if (CheckStatementShape(source, dialect) < 0) {
        if (CTWError::m_nError == ID_TWErrors_MemoryAlloc) TW_RETURN_IF_PENDING();
        Fail(item, CTWError::GetMessage());
        CTWError::Clear();
    }
    return TW_EXIT();
}

int CheckAll(const QuerySource& source, const Schema& schema, Dialect dialect,
             std::vector<CheckItem>& items) {
    for (const std::string& table : source.tables) {
        items.push_back(Item("table", table));
        if (schema.FindTable(Trimmed(table)) == nullptr)
            Fail(items.back(), "no table " + std::string(Trimmed(table)) + " in the schema");
    }
    for (const std::string& attribute : source.attributes) {
        items.push_back(Item("attribute", attribute));
        CheckAttribute(items.back(), attribute, source, schema);
    }
    for (const std::string& attribute : source.nonDisplayAttributes) {
        items.push_back(Item("non-display attribute", attribute));
        CheckAttribute(items.back(), attribute, source, schema);
    }
    for (const std::string& condition : source.conditions) {
        items.push_back(Item("condition", condition));
        TW_RETURN_IF_ERROR(CheckCondition(items.back(), source, schema));
    }
    for (const std::string& join : source.joins) {
        items.push_back(Item("join", join));
        // The join's text is its attributes' names with " = " between them.
        std::size_t start = 0;
        int count = 0;
        for (;;) {
            const std::size_t equals = join.find('=', start);
            CheckAttribute(items.back(), join.substr(start, equals - start), source, schema);
            ++count;
            if (equals == std::string::npos) break;
            start = equals + 1;
        }
        if (count < 2) Fail(items.back(), "a join needs two attributes joined by \"=\"");
    }
    items.push_back(
        Item("statement", source.editedSQLSelected ? "the edited SQL" : "the generated SELECT"));
    TW_RETURN(CheckShape(source, dialect, items.back()));
}

}  // namespace

int CheckDocument(const QuerySource& source, const Schema& schema, std::vector<CheckItem>& items) {
    TW_RETURN(CheckDocument(source, schema, Dialect::SQLite, items));
}

int CheckDocument(const QuerySource& source, const Schema& schema, Dialect dialect,
                  std::vector<CheckItem>& items) {
    items.clear();
    try {
        TW_RETURN_IF_ERROR(CheckAll(source, schema, dialect, items));
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

int PrepareStatementShape(const QuerySource& source, Engine& engine) {
    Statement statement;
    TW_RETURN_IF_ERROR(BuildStatementShape(source, engine.SqlDialect(), statement));
    TW_RETURN_IF_ERROR(PrepareStatement(engine, statement));
    TW_RETURN(engine.Finish());
}

}  // namespace sql
}  // namespace twfile
