// qdf params: every parameter of a document, where it stands, what it
// compares, its default value, and whether a run needs a value for it.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <twfile/sql/parameters.h>
#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "input.h"
#include "row_writers.h"
#include "sql_source.h"

namespace qdf {

namespace sql = twfile::sql;
using Json = nlohmann::ordered_json;

namespace {

// The attribute's type when the schema told it, else empty.
std::string TypeOf(const sql::ParameterUse& use) {
    return use.type == TWDB_Unknown ? std::string() : sql::TypeName(use.type);
}

sql::Value Text(const std::string& text) {
    sql::Value value;
    value.kind = sql::Value::Kind::Text;
    value.bytes = text;
    return value;
}

Json UseJson(const sql::ParameterUse& use) {
    return Json{{"name", use.name},
                {"place", use.place},
                {"attribute", use.attribute.empty() ? Json() : Json(use.attribute)},
                {"type", use.type == TWDB_Unknown ? Json() : Json(TypeOf(use))},
                {"default", use.hasDefault ? Json(use.defaultValue) : Json()},
                {"inStatement", use.inStatement},
                {"needsValue", use.needsValue()}};
}

// Whether a run of the statement uses it, and whether it then needs a value.
std::string NeedsText(const sql::ParameterUse& use) {
    return !use.inStatement ? "not used" : use.needsValue() ? "yes" : "no";
}

}  // namespace

int RunParams(const ParamsOptions& options, std::ostream& out, std::ostream& err) {
    try {
        RequireOneStandardInput(options.files);
    } catch (const Failure& failure) {
        PrintMessage(err, "params", failure.what());
        return failure.status();
    }
    const bool several = options.files.size() > 1;
    std::unique_ptr<RowWriter> table;
    if (!options.json) {
        table = MakeRowWriter(RowFormat::Table, out, std::nullopt);
        std::vector<std::string> columns{"NAME", "PLACE",   "ATTRIBUTE",
                                         "TYPE", "DEFAULT", "NEEDS VALUE"};
        if (several) columns.insert(columns.begin(), "FILE");
        table->Columns(columns);
    }
    int status = kExitOk;
    for (const std::string& file : options.files) {
        try {
            const sql::QuerySource source = LoadQuery(file, options.encoding, err);
            sql::Schema schema;
            if (!options.schema.empty()) LoadSchemaFile(options.schema, schema, source.database);
            std::vector<sql::ParameterUse> uses;
            if (sql::ListParameters(source, options.schema.empty() ? nullptr : &schema,
                                    options.dialect, uses) < 0)
                FailWithPendingError(kExitFailed, InputName(file));
            if (options.json) {
                Json list = Json::array();
                for (const sql::ParameterUse& use : uses)
                    list.push_back(UseJson(use));
                out << Json{{"path", file}, {"parameters", std::move(list)}}.dump() << '\n';
                continue;
            }
            for (const sql::ParameterUse& use : uses) {
                std::vector<sql::Value> row{
                    Text(use.name),
                    Text(use.place),
                    Text(use.attribute),
                    Text(TypeOf(use)),
                    use.hasDefault ? Text(use.defaultValue) : Text("(none)"),
                    Text(NeedsText(use))};
                if (several) row.insert(row.begin(), Text(InputName(file)));
                table->Row(row);
            }
        } catch (const Failure& failure) {
            PrintMessage(err, "", failure.what());
            status = std::max<int>(status, failure.status());
        }
    }
    if (table) table->Finish();
    return status;
}

Action DefineParams(CLI::App& command) {
    auto o = Make<ParamsOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    command.add_flag("--json", o->json,
                     "One JSON object a file, {\"path\", \"parameters\"}, instead of the table");
    command
        .add_option("--schema", o->schema,
                    "A database or JSON schema that gives the conditions' data types")
        ->option_text("SCHEMA");
    AddDialect(command, o->dialect,
               "The server's SQL, how the texts are read (sqlite, the default, or postgresql)");
    AddEncoding(command, o->encoding);
    return [o] { return RunParams(*o, std::cout, std::cerr); };
}

}  // namespace qdf
