#include "sql_source.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include <nlohmann/json.hpp>

#include <twfile/sql/database.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/parameters.h>
#include <twfile/sql/postgres_target.h>

#include "commands.h"
#include "diagnostics.h"
#include "input.h"
#include "interrupt.h"
#include "loading.h"
#include "portable.h"
#include "suggestion.h"
#include "visible_text.h"

namespace qdf {

namespace sql = twfile::sql;

namespace {

std::string Decoded(const std::string& bytes, json::Encoding encoding, const char* member) {
    return AsFailure([&] { return json::DecodeText(bytes, encoding, member); });
}

void DecodeAll(std::vector<std::string>& texts, json::Encoding encoding, const char* member) {
    for (std::string& text : texts)
        text = Decoded(text, encoding, member);
}

// Refuses a path that names something other than a regular file: a folder,
// a FIFO (whose open would wait for a writer), a device or a socket. A path
// that does not exist is left to the open to report.
void RequireRegular(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw Failure(kExitUsage,
                      path + ": not a regular file (a directory, pipe, device or socket)");
}

void LoadJsonSchema(const std::string& path, sql::Schema& schema) {
    std::unique_ptr<InputStream> input;
    try {
        input = std::make_unique<InputStream>(path);
    } catch (const Failure& failure) {
        throw Failure(kExitUsage, path + ": cannot open the schema file: " + Why(failure, path));
    }
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(std::istreambuf_iterator<char>(input->stream()),
                                     std::istreambuf_iterator<char>());
        input->CheckRead();
    } catch (const nlohmann::json::exception& error) {
        throw Failure(kExitUsage,
                      path + ": not an SQLite database nor a JSON schema: " + error.what());
    }
    const auto tables = json.find("tables");
    if (!json.is_object() || tables == json.end() || !tables->is_object())
        throw Failure(kExitUsage, path + ": a JSON schema is an object with a \"tables\" object");
    for (const auto& table : tables->items()) {
        if (!table.value().is_object())
            throw Failure(kExitUsage, path + ": table " + table.key() +
                                          ": its columns must be an object of types");
        schema.AddTable(table.key());
        for (const auto& column : table.value().items()) {
            if (!column.value().is_string())
                throw Failure(kExitUsage, path + ": column " + table.key() + "." + column.key() +
                                              ": its type must be a string");
            schema.AddColumn(table.key(), column.key(), column.value().get<std::string>());
        }
    }
}

}  // namespace

void CheckQueryTables(const sql::QuerySource& source, const sql::Schema& schema,
                      const std::string& database) {
    if (source.editedSQLSelected) return;
    for (const std::string& table : source.tables) {
        if (schema.FindTable(table) == nullptr)
            throw Failure(kExitUsage, "the database " + database + " has no table " + table);
    }
}

sql::Dialect DialectOf(const std::string& database) {
    if (sql::IsPostgresTarget(database)) return sql::Dialect::PostgreSQL;
    return sql::IsOdbcDatabase(database) ? sql::Dialect::Odbc : sql::Dialect::SQLite;
}

void FailWithPendingError(int status, const std::string& context) {
    const Diagnostics diagnostics = TakeDiagnostics();
    std::string message = context;
    // An engine's text may quote the server or the data: its control bytes
    // are shown, never sent to the terminal.
    if (diagnostics.error)
        message +=
            (context.empty() ? "" : ": ") + Visible(diagnostics.error->message, kMessageText);
    throw Failure(static_cast<ExitStatus>(status), message);
}

sql::QuerySource LoadQuery(const std::string& file, json::Encoding encoding, std::ostream& err) {
    const DocumentInput input(file);
    CTWFileQDF doc;
    const LoadReport report = LoadDocument(input.path(), doc);
    if (!report.opened) throw Failure(kExitUsage, file + ": cannot open: " + report.openFailure);
    PrintReadDiagnostics(err, file, report);
    if (report.diagnostics.error)
        throw Failure(kExitFailed, file + ": the document did not read cleanly");
    return DecodedQuery(sql::QuerySourceOf(doc), encoding);
}

sql::QuerySource DecodedQuery(sql::QuerySource source, json::Encoding encoding) {
    DecodeAll(source.tables, encoding, "tables");
    DecodeAll(source.attributes, encoding, "attributes");
    DecodeAll(source.nonDisplayAttributes, encoding, "nonDisplayAttributes");
    DecodeAll(source.conditions, encoding, "conditions");
    DecodeAll(source.joins, encoding, "joins");
    DecodeAll(source.defaultValues, encoding, "defaultValues");
    source.editedSQL = Decoded(source.editedSQL, encoding, "editedSQL");
    source.dynamicSort = Decoded(source.dynamicSort, encoding, "dynamicSort");
    source.database = Decoded(source.database, encoding, "database");
    return source;
}

sql::ParameterValues ParseParameters(const std::vector<std::string>& arguments) {
    sql::ParameterValues values;
    for (const std::string& argument : arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos)
            throw Failure(kExitUsage, "--param " + argument + ": give it as NAME=VALUE");
        const std::string name = argument.substr(0, equals);
        if (!values.emplace(name, argument.substr(equals + 1)).second)
            throw Failure(kExitUsage, "--param " + name + " is given twice");
    }
    return values;
}

namespace {

// The document's parameter that name most likely meant: the same name in
// another case, else a near one; empty when none is close.
std::string MeantParameter(const std::string& name, const std::vector<std::string>& names) {
    for (const std::string& candidate : names) {
        if (candidate.size() == name.size() &&
            std::equal(name.begin(), name.end(), candidate.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return candidate;
    }
    return ClosestName(name, names);
}

std::string Listed(const std::vector<std::string>& names, const char* glue) {
    std::string listed;
    for (const std::string& name : names)
        listed += (listed.empty() ? "" : glue) + name;
    return listed;
}

}  // namespace

void CheckParameters(const sql::QuerySource& source, const sql::ParameterValues& values,
                     sql::Dialect dialect) {
    sql::ParameterCheck check;
    if (sql::CheckParameterValues(source, values, dialect, check) < 0)
        FailWithPendingError(kExitUsage, "the statement");
    if (check.ok()) return;
    std::vector<std::string> lines;
    for (const std::string& name : check.unknown) {
        const std::string meant = MeantParameter(name, check.names);
        lines.push_back("--param " + name + ": the document has no such parameter" +
                        (meant.empty() ? "" : " (did you mean " + meant + "?)") +
                        (check.names.empty() ? "; it has none"
                                             : "; its parameters: " + Listed(check.names, ", ")));
    }
    if (!check.missing.empty()) {
        std::vector<std::string> forms;
        for (const std::string& name : check.missing)
            forms.push_back("--param " + name + "=VALUE");
        lines.push_back(
            std::string(check.missing.size() == 1 ? "the parameter " : "the parameters ") +
            Listed(check.missing, ", ") + (check.missing.size() == 1 ? " has" : " have") +
            " no value: give " + Listed(forms, " "));
    }
    throw Failure(kExitUsage, Visible(Listed(lines, "\n"), kMessageText));
}

void AddParameterItems(const sql::QuerySource& source, sql::Dialect dialect,
                       std::vector<sql::CheckItem>& items) {
    sql::ParameterCheck check;
    if (sql::CheckParameterValues(source, {}, dialect, check) < 0) {
        const Diagnostics diagnostics = TakeDiagnostics();
        const std::string why = diagnostics.error ? diagnostics.error->message : "refused";
        items.push_back(
            sql::CheckItem{"statement", "markers", false, {Visible(why, kMessageText)}});
        return;
    }
    for (const std::string& name : check.names) {
        sql::CheckItem item{"parameter", name, true, {}};
        if (std::find(check.missing.begin(), check.missing.end(), name) != check.missing.end())
            item.messages.push_back("no default value: a run needs --param " + name + "=VALUE");
        items.push_back(std::move(item));
    }
}

bool IsDatabase(const std::string& path) {
    return sql::IsServerDatabase(path) || sql::IsSQLiteFile(path);
}

std::unique_ptr<sql::Engine> OpenDatabase(const std::string& database,
                                          const std::string& dataSource) {
    // The password may come from the environment rather than the command
    // line, where others can see it.
    const char* password = std::getenv("QDF_ODBC_PASSWORD");
    std::unique_ptr<sql::Engine> engine =
        sql::OpenDatabase(database, dataSource, password != nullptr ? password : "");
    if (!engine) FailWithPendingError(kExitUsage, "");
    return engine;
}

sql::Statement BuildQueryStatement(const sql::QuerySource& source, const sql::Schema* schema,
                                   const std::vector<std::string>& parameters,
                                   sql::Dialect dialect) {
    const sql::ParameterValues values = ParseParameters(parameters);
    CheckParameters(source, values, dialect);
    sql::Statement statement;
    if (sql::BuildStatement(source, schema, values, dialect, statement) < 0)
        FailWithPendingError(kExitUsage, "the statement");
    return statement;
}

void LoadSchemaFile(const std::string& path, sql::Schema& schema, const std::string& dataSource,
                    unsigned timeout) {
    if (!sql::IsServerDatabase(path)) RequireRegular(path);
    if (!sql::IsServerDatabase(path) && !sql::IsSQLiteFile(path)) {
        LoadJsonSchema(path, schema);
        return;
    }
    const std::unique_ptr<sql::Engine> engine = OpenDatabase(path, dataSource);
    engine->SetTimeout(timeout);
    const CancelOnInterrupt watch(*engine);
    if (sql::LoadSchema(*engine, schema) < 0)
        FailWithPendingError(kExitUsage, "schema " + sql::ShownDatabase(path));
    engine->Close();
}

}  // namespace qdf
