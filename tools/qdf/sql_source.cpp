#include "sql_source.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include <nlohmann/json.hpp>

#include <twfile/sql/engine.h>

#include "commands.h"
#include "diagnostics.h"
#include "files.h"
#include "interrupt.h"

namespace qdf {

namespace sql = twfile::sql;

namespace {

std::string Decoded(const std::string& bytes, Encoding encoding, const char* member) {
    return DecodeText(bytes, encoding, member);
}

void DecodeAll(std::vector<std::string>& texts, Encoding encoding, const char* member) {
    for (std::string& text : texts)
        text = Decoded(text, encoding, member);
}

bool IsSQLiteDatabase(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[16] = {};
    in.read(header, sizeof header);
    return in.gcount() == sizeof header &&
           std::string(header, sizeof header) == std::string("SQLite format 3\0", 16);
}

void LoadJsonSchema(const std::string& path, sql::Schema& schema) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure(kExitUsage, path + ": cannot open the schema file");
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
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

void FailWithPendingError(int status, const std::string& context) {
    const Diagnostics diagnostics = TakeDiagnostics();
    std::string message = context;
    if (diagnostics.error) message += (context.empty() ? "" : ": ") + diagnostics.error->message;
    throw Failure(static_cast<ExitStatus>(status), message);
}

sql::QuerySource LoadQuery(const std::string& file, Encoding encoding, std::ostream& err) {
    const DocumentInput input(file);
    CTWFileQDF doc;
    const LoadReport report = LoadDocument(input.path(), doc);
    if (!report.opened) throw Failure(kExitUsage, file + ": cannot open: " + report.openFailure);
    PrintReadDiagnostics(err, file, report);
    if (report.diagnostics.error)
        throw Failure(kExitFailed, file + ": the document did not read cleanly");
    sql::QuerySource source = sql::QuerySourceOf(doc);
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

bool IsOdbc(const std::string& database) {
    return database.compare(0, 5, "odbc:") == 0;
}

std::string ShownDatabase(const std::string& database) {
    return IsOdbc(database) ? "odbc:" + sql::MaskedConnectionString(database.substr(5)) : database;
}

std::unique_ptr<sql::Engine> OpenDatabase(const std::string& database,
                                          const std::string& dataSource) {
    std::unique_ptr<sql::Engine> engine;
    std::string target = database;
    if (IsOdbc(database)) {
        engine = sql::MakeOdbcEngine();
        if (!engine) {
            throw Failure(kExitUsage,
                          ShownDatabase(database) + ": this qdf was built without ODBC");
        }
        target = database.substr(5);
        // The password may come from the environment rather than the
        // command line, where others can see it.
        const char* password = std::getenv("QDF_ODBC_PASSWORD");
        const std::string fromEnvironment = password != nullptr ? password : "";
        if (target.empty()) {
            if (dataSource.empty()) {
                throw Failure(kExitUsage,
                              "odbc: alone takes the data source the document names, and it "
                              "names none (its DATABASE member is empty)");
            }
            target = "DSN=" + dataSource;
        }
        target = sql::WithPassword(target, fromEnvironment);
    } else {
        engine = sql::MakeSQLiteEngine();
        if (!engine) throw Failure(kExitUsage, database + ": this qdf was built without SQLite");
    }
    // The engine's message names the database.
    if (engine->Connect(target) < 0) FailWithPendingError(kExitUsage, "");
    return engine;
}

void LoadSchemaFile(const std::string& path, sql::Schema& schema, const std::string& dataSource,
                    unsigned timeout) {
    if (!IsOdbc(path) && !IsSQLiteDatabase(path)) {
        LoadJsonSchema(path, schema);
        return;
    }
    const std::unique_ptr<sql::Engine> engine = OpenDatabase(path, dataSource);
    engine->SetTimeout(timeout);
    const CancelOnInterrupt watch(*engine);
    if (sql::LoadSchema(*engine, schema) < 0)
        FailWithPendingError(kExitUsage, "schema " + ShownDatabase(path));
    engine->Close();
}

}  // namespace qdf
