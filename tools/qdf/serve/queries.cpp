// The queries of the API: conditions and documents checked, a document's
// parameters, its statement, its rows a page at a time, and its diagram.
#include <algorithm>
#include <optional>
#include <sstream>

#include <twfile/sql/run.h>
#include <twfile/sql/schema.h>

#include "commands.h"
#include "diagnostics.h"
#include "row_writers.h"
#include "serve/site.h"
#include "sql_source.h"

namespace qdf {
namespace serve {

namespace sql = twfile::sql;

namespace {

// The request's body as a JSON object; Refusal(400) when it is not one.
Json BodyObject(const httplib::Request& request) {
    Json body = Json::parse(request.body, nullptr, false);
    if (!body.is_object()) throw Refusal(400, "the request's body is not a JSON object");
    return body;
}

// body[key] as a text, or nothing when missing; Refusal(400) when another
// kind of value.
std::optional<std::string> TextMember(const Json& body, const char* key) {
    if (!body.contains(key) || body[key].is_null()) return std::nullopt;
    if (!body[key].is_string()) throw Refusal(400, std::string(key) + ": not a text");
    return body[key].get<std::string>();
}

// body[key] as a whole number from low to high, or fallback when missing.
std::uint64_t NumberMember(const Json& body, const char* key, std::uint64_t fallback,
                           std::uint64_t low, std::uint64_t high) {
    if (!body.contains(key) || body[key].is_null()) return fallback;
    const Json& value = body[key];
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() < low ||
        value.get<std::uint64_t>() > high) {
        throw Refusal(400, std::string(key) + ": must be a whole number from " +
                               std::to_string(low) + " to " + std::to_string(high));
    }
    return value.get<std::uint64_t>();
}

void RequireDatabase(const Site& site) {
    if (site.database.empty())
        throw Refusal(409, "qdf serve was started without --db: there is no database");
}

// Runs body, a command's work printing on err, with its Failures refused as
// status with the messages printed and the failure's own.
template <typename Work>
decltype(auto) Refused(const Site& site, std::ostringstream& err, Work&& work) {
    try {
        return work();
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        throw Refusal(StatusOf(failure.status()), MessagesOf(err.str(), site.folder.prefix()));
    }
}

// The command's JSON line with its "path" named as the API names it.
Json WithPath(const std::string& line, const std::string& relative) {
    Json report = Json::parse(line, nullptr, false);
    if (report.is_discarded()) throw Refusal(500, "qdf's own report is not JSON");
    report["path"] = relative;
    return report;
}

// A condition's attribute type: the one asked for by name, or the one the
// database gives the condition's attribute in the document's tables.
TWDB_DataType ConditionType(Site& site, const Json& body, const std::string& condition) {
    if (const std::optional<std::string> name = TextMember(body, "type")) {
        for (TWDB_DataType type : {TWDB_Integer, TWDB_String, TWDB_Bool, TWDB_Real, TWDB_Time}) {
            if (*name == sql::TypeName(type)) return type;
        }
        throw Refusal(400, "type: must be one of bool, integer, real, string, time");
    }
    const std::optional<std::string> path = TextMember(body, "path");
    if (!path || site.database.empty())
        throw Refusal(400,
                      "give the attribute's type, or the document's path on a server "
                      "started with --db");
    std::ostringstream err;
    const std::filesystem::path file = site.folder.Resolve(*path);
    return Refused(site, err, [&] {
        const sql::QuerySource source = LoadQuery(file.string(), site.encoding, err);
        sql::Schema schema;
        LoadSchemaFile(site.database, schema, source.database);
        const std::string first = condition.substr(0, condition.find(' ', 0));
        const CTWDB_Attribute* attribute = schema.FindAttribute(first, source.tables);
        if (attribute == nullptr)
            throw Failure(kExitUsage, first +
                                          ": the database has no such attribute in the "
                                          "document's tables");
        return attribute->GetDataType();
    });
}

// A page of rows: the first offset are passed over, the next limit given to
// the writer, and one more only tells that there are more.
class PageSink : public sql::RowSink {
  public:
    PageSink(RowWriter& writer, std::uint64_t offset, std::uint64_t limit)
        : m_writer(writer), m_offset(offset), m_limit(limit) {}

    bool Columns(const std::vector<std::string>& names) override { return m_writer.Columns(names); }
    bool Row(const std::vector<sql::Value>& values) override {
        if (m_skipped < m_offset) {
            ++m_skipped;
            return true;
        }
        if (m_taken == m_limit) {
            m_more = true;
            return false;
        }
        ++m_taken;
        return m_writer.Row(values);
    }
    bool more() const { return m_more; }

  private:
    RowWriter& m_writer;
    std::uint64_t m_offset;
    std::uint64_t m_limit;
    std::uint64_t m_skipped = 0;
    std::uint64_t m_taken = 0;
    bool m_more = false;
};

// The engine, known to the site while it runs, so that a stop cancels it.
class Registered {
  public:
    Registered(Site& site, sql::Engine& engine) : m_site(site), m_engine(engine) {
        const std::lock_guard<std::mutex> lock(site.running);
        if (site.stopping) throw Refusal(503, "qdf serve is stopping");
        site.engines.insert(&engine);
    }
    ~Registered() {
        const std::lock_guard<std::mutex> lock(m_site.running);
        m_site.engines.erase(&m_engine);
    }
    Registered(const Registered&) = delete;
    Registered& operator=(const Registered&) = delete;

  private:
    Site& m_site;
    sql::Engine& m_engine;
};

// The values of the request's "param.NAME=VALUE" query parameters, as
// NAME=VALUE.
std::vector<std::string> QueryParameters(const httplib::Request& request) {
    std::vector<std::string> parameters;
    constexpr char kPrefix[] = "param.";
    for (const auto& [key, value] : request.params) {
        if (key.rfind(kPrefix, 0) == 0)
            parameters.push_back(key.substr(sizeof kPrefix - 1) + "=" + value);
    }
    return parameters;
}

}  // namespace

std::filesystem::path DocumentPath(const Site& site, const httplib::Request& request,
                                   bool mayBeNew) {
    return site.folder.Resolve(request.matches[1], mayBeNew);
}

void CheckRequest(Site& site, const httplib::Request& request, httplib::Response& response) {
    const Json body = BodyObject(request);
    std::ostringstream out;
    std::ostringstream err;
    if (const std::optional<std::string> condition = TextMember(body, "condition")) {
        ConditionOptions options;
        options.text = *condition;
        options.type = ConditionType(site, body, *condition);
        options.encoding = site.encoding;
        std::vector<std::string> messages;
        const int status = RunCondition(options, out, err, &messages);
        if (status == kExitUsage) throw Refusal(400, MessagesOf(err.str(), site.folder.prefix()));
        const std::string errors = MessagesOf(err.str(), site.folder.prefix());
        if (!errors.empty()) messages.insert(messages.begin(), errors);
        AnswerJson(response, 200,
                   Json{{"ok", status == kExitOk}, {"messages", messages}, {"output", out.str()}});
        return;
    }
    const std::optional<std::string> path = TextMember(body, "path");
    if (!path) throw Refusal(400, "give a condition, or the path of a document to check");
    RequireDatabase(site);
    CheckOptions options;
    options.files = {site.folder.Resolve(*path).string()};
    options.schema = site.database;
    options.encoding = site.encoding;
    options.json = true;
    const int status = RunCheck(options, out, err);
    if (status == kExitUsage || out.str().empty())
        throw Refusal(400, MessagesOf(err.str(), site.folder.prefix()));
    AnswerJson(response, 200,
               Json{{"ok", status == kExitOk}, {"report", WithPath(out.str(), *path)}});
}

void DocumentParameters(Site& site, const httplib::Request& request, httplib::Response& response) {
    ParamsOptions options;
    options.files = {DocumentPath(site, request).string()};
    options.schema = site.database;
    options.dialect = DialectOf(site.database);
    options.encoding = site.encoding;
    options.json = true;
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunParams(options, out, err);
    if (out.str().empty()) throw Refusal(400, MessagesOf(err.str(), site.folder.prefix()));
    Json report = WithPath(out.str(), request.matches[1]);
    if (status != kExitOk) report["error"] = MessagesOf(err.str(), site.folder.prefix());
    AnswerJson(response, 200, report);
}

void DocumentSql(Site& site, const httplib::Request& request, httplib::Response& response) {
    const std::filesystem::path file = DocumentPath(site, request);
    std::ostringstream err;
    const sql::Statement statement = Refused(site, err, [&] {
        const sql::QuerySource source = LoadQuery(file.string(), site.encoding, err);
        sql::Schema schema;
        if (!site.database.empty()) LoadSchemaFile(site.database, schema, source.database);
        return BuildQueryStatement(source, site.database.empty() ? nullptr : &schema,
                                   QueryParameters(request), DialectOf(site.database));
    });
    Json values = Json::array();
    for (const sql::Binding& binding : statement.bindings) {
        values.push_back({{"name", binding.name},
                          {"value", sql::SqlLiteral(binding)},
                          {"type", sql::TypeName(binding.type)},
                          {"fromDefault", binding.fromDefault}});
    }
    AnswerJson(response, 200,
               Json{{"statement", statement.text},
                    {"values", values},
                    {"text", ShownStatement(statement)}});
}

void RunDocument(Site& site, const httplib::Request& request, httplib::Response& response) {
    RequireDatabase(site);
    const std::filesystem::path file = DocumentPath(site, request);
    const Json body = BodyObject(request);
    std::vector<std::string> parameters;
    if (body.contains("params") && !body["params"].is_null()) {
        if (!body["params"].is_object()) throw Refusal(400, "params: not an object");
        for (const auto& item : body["params"].items()) {
            const Json& value = item.value();
            parameters.push_back(item.key() + "=" +
                                 (value.is_string() ? value.get<std::string>() : value.dump()));
        }
    }
    const std::uint64_t limit = NumberMember(body, "limit", 100, 0, 10000);
    const std::uint64_t offset = NumberMember(body, "offset", 0, 0, UINT64_MAX);
    const unsigned timeout = static_cast<unsigned>(NumberMember(body, "timeout", 30, 1, 3600));
    std::ostringstream err;
    std::ostringstream rows;
    bool more = false;
    Refused(site, err, [&] {
        const sql::QuerySource source = LoadQuery(file.string(), site.encoding, err);
        const std::unique_ptr<sql::Engine> engine = OpenDatabase(site.database, source.database);
        const Registered running(site, *engine);
        engine->SetTimeout(timeout);
        const std::string shown = sql::ShownDatabase(site.database);
        sql::Schema schema;
        if (sql::LoadSchema(*engine, schema) < 0)
            FailWithPendingError(kExitUsage, "the database " + shown);
        CheckQueryTables(source, schema, shown);
        const sql::Statement statement =
            BuildQueryStatement(source, &schema, parameters, engine->SqlDialect());
        const std::unique_ptr<RowWriter> writer =
            MakeRowWriter(RowFormat::Json, rows, std::nullopt);
        PageSink page(*writer, offset, limit);
        if (sql::RunStatement(*engine, statement, page) < 0) {
            writer->Abandon();
            FailWithPendingError(kExitUsage, "the statement failed");
        }
        writer->Finish();
        more = page.more();
    });
    // The rows as qdf run --format json writes them, and whether more follow.
    std::string text = rows.str();
    const std::size_t close = text.rfind('}');
    if (close == std::string::npos)
        text = "{\"columns\": [], \"rows\": []}";
    else
        text.erase(close + 1);
    text.insert(text.size() - 1, std::string(", \"more\": ") + (more ? "true" : "false"));
    AnswerJsonText(response, 200, text + "\n");
}

void DocumentDiagram(Site& site, const httplib::Request& request, httplib::Response& response) {
    DiagramOptions options;
    options.file = DocumentPath(site, request).string();
    options.schema = site.database;
    options.encoding = site.encoding;
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunDiagram(options, out, err);
    if (out.str().empty()) {
        const std::string messages = MessagesOf(err.str(), site.folder.prefix());
        throw Refusal(status == kExitUsage && !kDiagramsDrawn ? 500 : StatusOf(status), messages);
    }
    response.status = 200;
    response.set_content(out.str(), "image/svg+xml");
}

}  // namespace serve
}  // namespace qdf
