// qdf check: whether each file reads cleanly and would be saved unchanged,
// or whether each document fits a database or a JSON schema.
#include <algorithm>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <twfile/query/qdf.h>
#include <twfile/sql/check.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/postgres_target.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <twfile/json/document_json.h>
#include <twfile/json/lossy_members.h>
#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "input.h"
#include "interrupt.h"
#include "loading.h"
#include "sql_source.h"
#include "visible_text.h"

namespace qdf {

namespace sql = twfile::sql;
using Json = nlohmann::ordered_json;

namespace {

struct CheckResult {
    bool opened = false;
    // The error that stopped the read, or why the file did not open.
    std::string error;
    // The sections' read indicators, when it opened.
    Json sectionsRead;
    // One line each; none when the file is clean.
    std::vector<std::string> findings;
};

CheckResult CheckFile(const std::string& file) {
    CheckResult result;
    CTWFileQDF doc;
    const LoadReport report = LoadDocument(file, doc);
    if (report.NotADocument()) {
        result.opened = report.opened;
        result.error = kNotADocumentText;
        result.findings.push_back(result.error);
        result.sectionsRead = Json::object();
        for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i)
            result.sectionsRead[CTWFileQDF::SectionName(i)] = false;
        return result;
    }
    if (report.diagnostics.error) {
        const std::string place = ErrorPlace(report);
        result.error = (place.empty() ? "" : place + ": ") + "error " +
                       std::to_string(report.diagnostics.error->number) + ": " +
                       report.diagnostics.error->message;
    }
    if (!report.opened) {
        result.findings.push_back("cannot open: " + report.openFailure);
        if (!result.error.empty()) result.findings.push_back(result.error);
        result.error = result.findings.front();
        return result;
    }
    result.opened = true;
    if (!result.error.empty()) result.findings.push_back(result.error);
    for (const std::string& message : report.diagnostics.messages)
        result.findings.push_back(message);
    const std::string notRead = SectionsNotRead(doc);
    if (!notRead.empty()) result.findings.push_back("sections not read: " + notRead);
    if (report.droppedAt) {
        result.findings.push_back(DroppedPlace(report) + ": text that a save would drop");
    }
    for (const json::LossyMember& member : json::FindLossyMembers(doc)) {
        result.findings.push_back(member.member + " " + member.reason);
    }
    result.sectionsRead = Json::object();
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        result.sectionsRead[CTWFileQDF::SectionName(i)] = doc.m_bSectionRead[i] != 0;
    }
    return result;
}

void PrintCheck(const std::string& file, const CheckResult& result, bool json, std::ostream& out) {
    if (json) {
        Json findings = Json::array();
        for (const std::string& finding : result.findings)
            findings.push_back(json::ForeignText(finding));
        out << Json{{"path", json::ForeignText(file)},
                    {"ok", result.findings.empty()},
                    {"sectionsRead", result.sectionsRead},
                    {"error",
                     result.error.empty() ? Json() : Json(json::ForeignText(result.error))},
                    {"findings", std::move(findings)}}
                   .dump()
            << '\n';
        return;
    }
    if (result.findings.empty()) out << file << ": ok\n";
    for (const std::string& finding : result.findings)
        out << file << ": " << finding << '\n';
}

// The statement of source prepared on the database schema names, never
// run: the database's own word on its tables, columns and types.
sql::CheckItem PreparedItem(const sql::QuerySource& source, const CheckOptions& options) {
    sql::CheckItem item{"statement", "prepared on the database", true, {}};
    const std::unique_ptr<sql::Engine> engine = OpenDatabase(options.schema, source.database);
    engine->SetTimeout(options.timeout);
    const CancelOnInterrupt watch(*engine);
    if (sql::PrepareStatementShape(source, *engine) < 0) {
        if (InterruptSignal() != 0) FailWithPendingError(kExitUsage, "the database");
        const Diagnostics diagnostics = TakeDiagnostics();
        item.ok = false;
        item.messages.push_back(
            Visible(diagnostics.error ? diagnostics.error->message : "refused", kMessageText));
    }
    engine->Close();
    return item;
}

// The items of one file as one JSON object: the document's parts in lists of
// {"text", "ok", "messages"}, and the statement with its parameters and the
// names of those a run must be given.
Json SchemaCheckJson(const std::string& file, const std::vector<sql::CheckItem>& items) {
    Json parts = Json::object();
    for (const char* key : {"tables", "attributes", "nonDisplayAttributes", "conditions", "joins"})
        parts[key] = Json::array();
    Json statement{{"ok", true},
                   {"checks", Json::array()},
                   {"parameters", Json::array()},
                   {"unbound", Json::array()}};
    bool ok = true;
    for (const sql::CheckItem& item : items) {
        ok = ok && item.ok;
        Json entry{
            {"text", json::ForeignText(item.text)}, {"ok", item.ok}, {"messages", Json::array()}};
        for (const std::string& message : item.messages)
            entry["messages"].push_back(json::ForeignText(message));
        if (item.kind == "parameter") {
            statement["parameters"].push_back(item.text);
            if (!item.messages.empty()) statement["unbound"].push_back(item.text);
            continue;
        }
        const std::string key = item.kind == "table"                   ? "tables"
                                : item.kind == "attribute"             ? "attributes"
                                : item.kind == "non-display attribute" ? "nonDisplayAttributes"
                                : item.kind == "condition"             ? "conditions"
                                : item.kind == "join"                  ? "joins"
                                                                       : "";
        if (key.empty()) {
            statement["ok"] = statement["ok"].get<bool>() && item.ok;
            statement["checks"].push_back(std::move(entry));
        } else {
            parts[key].push_back(std::move(entry));
        }
    }
    Json object{{"path", json::ForeignText(file)}, {"ok", ok}};
    object.update(parts);
    object["statement"] = std::move(statement);
    return object;
}

// Checks each document against a database or a JSON schema: for each file
// and item "FILE: KIND TEXT: ok" or one line per failure, or with json one
// object per file. Against an SQLite database the statement is also prepared there.
int RunSchemaCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    // "odbc:" alone: each document is checked against the data source it
    // names; on PostgreSQL, against the database it names when the target
    // names none.
    const bool postgres = sql::IsPostgresTarget(options.schema);
    const bool eachOwn = options.schema == "odbc:" || postgres;
    sql::Schema schema;
    bool database = false;
    try {
        if (!eachOwn) LoadSchemaFile(options.schema, schema, "", options.timeout);
        // An ODBC driver may leave a prepared statement unseen by the server
        // until it runs: SQLite and PostgreSQL through libpq prepare it.
        database = IsDatabase(options.schema) && !sql::IsOdbcDatabase(options.schema);
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
            const sql::Dialect dialect = DialectOf(options.schema);
            if (sql::CheckDocument(source, eachOwn ? own : schema, dialect, items) < 0)
                FailWithPendingError(kExitUsage, file);
            if (database && items.back().ok) items.push_back(PreparedItem(source, options));
            AddParameterItems(source, dialect, items);
        } catch (const Failure& failure) {
            if (InterruptSignal() != 0) {
                PrintMessage(err, "check", failure.what());
                return StatusAfterInterrupt(failure.status());
            }
            // Said where the other files' results are.
            const std::string why = Why(failure, file);
            if (options.json) {
                out << Json{{"path", json::ForeignText(file)},
                            {"ok", false},
                            {"error", json::ForeignText(why)}}
                           .dump()
                    << '\n';
            } else {
                out << file << ": " << why << '\n';
            }
            status = std::max(status, static_cast<int>(failure.status()));
            continue;
        }
        for (const sql::CheckItem& item : items) {
            if (!item.ok && status == kExitOk) status = kExitFailed;
            if (options.json) continue;
            const std::string head = file + ": " + item.kind + " " + item.text + ": ";
            if (item.ok) out << head << "ok\n";
            for (const std::string& message : item.messages)
                out << head << message << '\n';
        }
        if (options.json) out << SchemaCheckJson(file, items).dump() << '\n';
    }
    return status;
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    std::ostringstream discarded;
    std::ostream& shown = options.quiet ? discarded : out;
    if (!options.schema.empty()) return RunSchemaCheck(options, shown, err);
    try {
        RequireOneStandardInput(options.files);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
    int status = kExitOk;
    for (const std::string& file : options.files) {
        CheckResult result;
        try {
            const DocumentInput input(file);
            result = CheckFile(input.path());
        } catch (const Failure& failure) {
            // An input that is not a document file at all: bad usage, said
            // where the other files' results are.
            status = kExitUsage;
            result.error = Why(failure, file);
            result.findings.push_back(result.error);
            PrintCheck(file, result, options.json, shown);
            continue;
        }
        // A file that cannot be opened is trouble; one that opened with
        // findings is merely not clean.
        const int fileStatus = !result.opened            ? kExitUsage
                               : result.findings.empty() ? kExitOk
                                                         : kExitFailed;
        status = std::max(status, fileStatus);
        PrintCheck(file, result, options.json, shown);
    }
    return status;
}

Action DefineCheck(CLI::App& command) {
    auto o = Make<CheckOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    command
        .add_option("--schema", o->schema,
                    "Check each document against a database or a JSON schema instead")
        ->option_text("SCHEMA");
    AddTimeout(command, o->timeout);
    AddEncoding(command, o->encoding);
    command.add_flag("--json", o->json,
                     "Write one JSON object a file: path, ok, sectionsRead, error, findings");
    command.add_flag("-q,--quiet", o->quiet, "Write nothing: the exit status tells");
    return [o] { return RunCheck(*o, std::cout, std::cerr); };
}

}  // namespace qdf
