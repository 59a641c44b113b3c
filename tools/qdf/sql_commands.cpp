#include "commands.h"

#include <memory>

#include <twfile/sql/check.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/run.h>
#include <twfile/sql/statement.h>

#include "diagnostics.h"
#include "interrupt.h"
#include "sql_source.h"
#include "visible_text.h"

namespace qdf {

namespace sql = twfile::sql;

namespace {

// The statement, its bytes as they are (a CR LF in a value or a string is
// part of it), and a ";" after it that ends it.
std::string Shown(const std::string& text) {
    std::string shown = text;
    const std::size_t last = shown.find_last_not_of(" \t\r\n");
    shown.erase(last == std::string::npos ? 0 : last + 1);
    if (shown.empty() || shown.back() != ';') {
        // After a "--" comment the ";" would be part of it: it goes on a
        // line of its own (a "--" inside a string on that line costs only
        // the line).
        const std::size_t line = shown.rfind('\n');
        if (shown.find("--", line == std::string::npos ? 0 : line + 1) != std::string::npos)
            shown += '\n';
        shown += ';';
    }
    return shown + '\n';
}

// A comment's text: no byte may end the comment's line.
std::string CommentText(const std::string& text) {
    std::string shown;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 15];
        } else {
            shown += ch;
        }
    }
    return shown;
}

sql::Statement Build(const sql::QuerySource& source, const sql::Schema* schema,
                     const std::vector<std::string>& parameters, sql::Dialect dialect) {
    const sql::ParameterValues values = ParseParameters(parameters);
    CheckParameters(source, values, dialect);
    sql::Statement statement;
    if (sql::BuildStatement(source, schema, values, dialect, statement) < 0)
        FailWithPendingError(kExitUsage, "the statement");
    return statement;
}

// Fails when the generated statement names a table the schema lacks.
void CheckTables(const sql::QuerySource& source, const sql::Schema& schema,
                 const std::string& database) {
    if (source.editedSQLSelected) return;
    for (const std::string& table : source.tables) {
        if (schema.FindTable(table) == nullptr)
            throw Failure(kExitUsage, "the database " + database + " has no table " + table);
    }
}

}  // namespace

int RunSql(const SqlOptions& options, std::ostream& out, std::ostream& err) {
    try {
        const sql::QuerySource source = LoadQuery(options.file, options.encoding, err);
        sql::Schema schema;
        if (!options.schema.empty()) LoadSchemaFile(options.schema, schema, source.database);
        const sql::Statement statement = Build(source, options.schema.empty() ? nullptr : &schema,
                                               options.parameters, options.dialect);
        if (options.inlineValues) {
            if (!statement.inlineRefusal.empty())
                throw Failure(kExitUsage, "the statement: " + statement.inlineRefusal);
            out << Shown(statement.inlineText);
            return kExitOk;
        }
        std::string text = Shown(statement.text);
        for (std::size_t i = 0; i < statement.bindings.size(); ++i) {
            const sql::Binding& binding = statement.bindings[i];
            text += "-- ?" + std::to_string(i + 1) + " " + CommentText(binding.name) + " = " +
                    CommentText(sql::SqlLiteral(binding)) + " (" + sql::TypeName(binding.type) +
                    (binding.fromDefault ? ", default value" : "") + ")\n";
        }
        out << text;
    } catch (const Failure& failure) {
        PrintMessage(err, "sql", failure.what());
        return failure.status();
    }
    return kExitOk;
}

int RunRun(const RunOptions& options, bool terminal, std::ostream& out, std::ostream& err) {
    const RowFormat format = options.format.value_or(terminal ? RowFormat::Table : RowFormat::Csv);
    std::unique_ptr<RowWriter> writer = MakeRowWriter(format, out, options.limit);
    try {
        const sql::QuerySource source = LoadQuery(options.file, options.encoding, err);
        const std::unique_ptr<sql::Engine> engine = OpenDatabase(options.database, source.database);
        engine->SetTimeout(options.timeout);
        const CancelOnInterrupt watch(*engine);
        const std::string shown = ShownDatabase(options.database);
        sql::Schema schema;
        if (sql::LoadSchema(*engine, schema) < 0)
            FailWithPendingError(kExitUsage, "the database " + shown);
        CheckTables(source, schema, shown);
        const sql::Statement statement =
            Build(source, &schema, options.parameters, engine->SqlDialect());
        if (sql::RunStatement(*engine, statement, *writer) < 0) {
            writer->Abandon();
            FailWithPendingError(kExitUsage, writer->Started()
                                                 ? "the statement failed after the rows above"
                                                 : "the statement failed");
        }
        writer->Finish();
        // After the table, as psql ends it; standard output keeps only rows.
        if (format == RowFormat::Table)
            err << '(' << writer->Rows() << (writer->Rows() == 1 ? " row)\n" : " rows)\n");
    } catch (const Failure& failure) {
        writer->Abandon();
        // The message may quote the document or the database.
        PrintMessage(err, "run", Visible(failure.what(), kMessageText));
        return StatusAfterInterrupt(failure.status());
    }
    return kExitOk;
}

int RunSchemaCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    // "odbc:" alone: each document is checked against the data source it
    // names.
    const bool eachOwn = options.schema == "odbc:";
    sql::Schema schema;
    try {
        if (!eachOwn) LoadSchemaFile(options.schema, schema, "", options.timeout);
    } catch (const Failure& failure) {
        PrintMessage(err, "check", failure.what());
        return StatusAfterInterrupt(failure.status());
    }
    int status = kExitOk;
    for (const std::string& file : options.files) {
        std::vector<sql::CheckItem> items;
        try {
            const sql::QuerySource source = LoadQuery(file, options.encoding, err);
            sql::Schema own;
            if (eachOwn) LoadSchemaFile(options.schema, own, source.database, options.timeout);
            // Read as the strictest server would, for a server; as SQLite
            // for a database file or a JSON schema.
            const sql::Dialect dialect =
                IsOdbc(options.schema) ? sql::Dialect::Odbc : sql::Dialect::SQLite;
            if (sql::CheckDocument(source, eachOwn ? own : schema, dialect, items) < 0)
                FailWithPendingError(kExitUsage, file);
            AddParameterItems(source, dialect, items);
        } catch (const Failure& failure) {
            PrintMessage(err, "check", failure.what());
            if (InterruptSignal() != 0) return StatusAfterInterrupt(failure.status());
            status = std::max(status, static_cast<int>(failure.status()));
            continue;
        }
        for (const sql::CheckItem& item : items) {
            const std::string head = file + ": " + item.kind + " " + item.text + ": ";
            if (item.ok) out << head << "ok\n";
            for (const std::string& message : item.messages)
                out << head << message << '\n';
            if (!item.ok && status == kExitOk) status = kExitFailed;
        }
    }
    return status;
}

}  // namespace qdf
