// qdf sql: the SQL statement a document describes, with its bound values.
#include <iostream>
#include <string>

#include <twfile/sql/statement.h>
#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "sql_source.h"

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

}  // namespace

std::string ShownStatement(const sql::Statement& statement) {
    std::string text = Shown(statement.text);
    for (std::size_t i = 0; i < statement.bindings.size(); ++i) {
        const sql::Binding& binding = statement.bindings[i];
        text += "-- ?" + std::to_string(i + 1) + " " + CommentText(binding.name) + " = " +
                CommentText(sql::SqlLiteral(binding)) + " (" + sql::TypeName(binding.type) +
                (binding.fromDefault ? ", default value" : "") + ")\n";
    }
    return text;
}

int RunSql(const SqlOptions& options, std::ostream& out, std::ostream& err) {
    try {
        const sql::QuerySource source = LoadQuery(options.file, options.encoding, err);
        sql::Schema schema;
        if (!options.schema.empty()) LoadSchemaFile(options.schema, schema, source.database);
        const sql::Statement statement =
            BuildQueryStatement(source, options.schema.empty() ? nullptr : &schema,
                                options.parameters, options.dialect);
        if (options.inlineValues) {
            if (!statement.inlineRefusal.empty())
                throw Failure(kExitUsage, "the statement: " + statement.inlineRefusal);
            out << Shown(statement.inlineText);
            return kExitOk;
        }
        const std::string text = ShownStatement(statement);
        out << text;
    } catch (const Failure& failure) {
        PrintMessage(err, "sql", failure.what());
        return failure.status();
    }
    return kExitOk;
}

Action DefineSql(CLI::App& command) {
    auto o = Make<SqlOptions>();
    command.add_option("FILE", o->file, "The .qdf file, or - for standard input")->required();
    AddParameters(command, o->parameters);
    command.add_flag("--inline", o->inlineValues,
                     "Write the values into the statement as quoted SQL literals");
    AddDialect(command, o->dialect,
               "The server's SQL: how the statement is read and checked and how --inline writes "
               "values (sqlite, the default, or postgresql)");
    command
        .add_option("--schema", o->schema,
                    "A database or JSON schema that gives the parameters' data types")
        ->option_text("SCHEMA");
    AddEncoding(command, o->encoding);
    return [o] { return RunSql(*o, std::cout, std::cerr); };
}

}  // namespace qdf
