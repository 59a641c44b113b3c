// qdf run: the statement a document describes run on a database, its rows
// printed as a table, CSV or JSON.
#include <iostream>
#include <memory>
#include <string>

#include <twfile/sql/engine.h>
#include <twfile/sql/run.h>
#include <twfile/sql/statement.h>
#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "interrupt.h"
#include "portable.h"
#include "sql_source.h"
#include "visible_text.h"

namespace qdf {

namespace sql = twfile::sql;

int RunRun(const RunOptions& options, bool terminal, std::ostream& out, std::ostream& err) {
    const RowFormat format = options.format.value_or(terminal ? RowFormat::Table : RowFormat::Csv);
    std::unique_ptr<RowWriter> writer = MakeRowWriter(format, out, options.limit);
    try {
        const sql::QuerySource source = LoadQuery(options.file, options.encoding, err);
        const std::unique_ptr<sql::Engine> engine = OpenDatabase(options.database, source.database);
        engine->SetTimeout(options.timeout);
        const CancelOnInterrupt watch(*engine);
        const std::string shown = sql::ShownDatabase(options.database);
        sql::Schema schema;
        if (sql::LoadSchema(*engine, schema) < 0)
            FailWithPendingError(kExitUsage, "the database " + shown);
        CheckQueryTables(source, schema, shown);
        const sql::Statement statement =
            BuildQueryStatement(source, &schema, options.parameters, engine->SqlDialect());
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

Action DefineRun(CLI::App& command) {
    auto o = Make<RunOptions>();
    command.add_option("FILE", o->file, "The .qdf file, or - for standard input")->required();
    command
        .add_option("--db", o->database,
                    "The SQLite database; PostgreSQL as postgresql://URI or "
                    "postgres:CONNINFO (postgres: alone: libpq's defaults and the document's "
                    "database); or odbc:CONNECTION-STRING (odbc: alone: the document's data "
                    "source)")
        ->required()
        ->option_text("DATABASE REQUIRED");
    AddParameters(command, o->parameters);
    AddChoice(command, "--format", o->format,
              std::map<std::string, std::optional<RowFormat>>{
                  {"table", RowFormat::Table}, {"csv", RowFormat::Csv}, {"json", RowFormat::Json}},
              "table (the default on a terminal), csv (the default otherwise) or json");
    command.add_option("--limit", o->limit, "Print at most N rows")
        ->check(CLI::Validator(
            [](std::string& text) {
                return !text.empty() && text.size() < 19 &&
                               text.find_first_not_of("0123456789") == std::string::npos
                           ? std::string()
                           : "must be a whole number of rows, 0 or more";
            },
            ""))
        ->option_text("N");
    AddTimeout(command, o->timeout);
    AddEncoding(command, o->encoding);
    return [o] { return RunRun(*o, isatty(STDOUT_FILENO) != 0, std::cout, std::cerr); };
}

}  // namespace qdf
