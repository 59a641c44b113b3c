// qdf serve against a real server on 127.0.0.1: each API call, each of the
// refusals that keep strangers and stray paths out, and two writers saving
// the same document.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "diagram.h"
#include "serve/server.h"
#include "support/sqlite_database.h"
#include "support/support.h"
#include "testing/temp_dir.h"
#include "tool_support.h"

namespace {

using Json = nlohmann::json;
using Headers = httplib::Headers;

constexpr char kToken[] = "0123456789abcdef";

class Serve : public ::testing::Test {
  protected:
    Serve() {
        twtest::CaptureMessages();
        std::filesystem::create_directory(m_dir.File("docs"));
        for (const char* name : {"sales.qdf", "damaged.qdf"})
            std::filesystem::copy_file(twtest::Example(name), Doc(name));
        twtest::MakeDatabase(m_dir.File("sales.db"), twtest::ReadAll(twtest::Example("sales.sql")));
        Start(m_dir.File("sales.db"));
    }
    ~Serve() override { Stop(); }

    void Start(const std::string& database) {
        Stop();
        qdf::serve::Settings settings;
        settings.folder = m_dir.File("docs");
        settings.database = database;
        settings.token = kToken;
        settings.maxBody = 1 << 16;
        m_server = std::make_unique<qdf::serve::Server>(settings);
        m_port = m_server->Bind(0);
        m_thread = std::thread([this] { m_server->Listen(); });
        m_client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
        m_client->set_default_headers({{"Authorization", std::string("Bearer ") + kToken}});
    }
    void Stop() {
        if (!m_server) return;
        m_server->Stop();
        m_thread.join();
        m_server.reset();
    }

    std::string Doc(const std::string& name) const { return m_dir.File("docs/" + name); }

    // What the built qdf prints, run in the served folder.
    std::string Qdf(const std::string& args) const {
        const std::string out = m_dir.File("qdf.out");
        const std::string command =
            "cd '" + m_dir.File("docs") + "' && '" + QDF_BINARY + "' " + args + " >'" + out + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << args;
        return twtest::ReadAll(out);
    }

    httplib::Result Put(const std::string& path, const std::string& body, Headers headers) {
        headers.emplace("Origin", Origin());
        return m_client->Put(path.c_str(), headers, body, "application/json");
    }
    httplib::Result Post(const std::string& path, const Json& body) {
        return m_client->Post(path.c_str(), Headers{{"Origin", Origin()}}, body.dump(),
                              "application/json");
    }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    twtest::TempDir m_dir;
    std::unique_ptr<qdf::serve::Server> m_server;
    std::thread m_thread;
    std::unique_ptr<httplib::Client> m_client;
    int m_port = 0;
};

TEST_F(Serve, EachCallAnswersAsTheCommandDoes) {
    const Json list = Json::parse(m_client->Get("/api/documents")->body);
    ASSERT_EQ(list["documents"].size(), 2u);
    EXPECT_EQ(list["documents"][0]["path"], "damaged.qdf");
    EXPECT_FALSE(list["documents"][0]["ok"]);
    EXPECT_EQ(list["documents"][0]["error"]["line"], 33);
    EXPECT_EQ(list["documents"][1]["version"], "2.0");
    EXPECT_TRUE(list["documents"][1]["ok"]);

    const auto read = m_client->Get("/api/documents/sales.qdf");
    EXPECT_EQ(read->body, Qdf("export sales.qdf"));
    EXPECT_FALSE(read->get_header_value("ETag").empty());
    // A damaged file: what was read, and where the read stopped.
    EXPECT_EQ(Json::parse(m_client->Get("/api/documents/damaged.qdf")->body)["error"]["line"], 33);

    const auto sql = m_client->Get("/api/documents/sales.qdf/sql?param.From=2024-01-01");
    EXPECT_EQ(Json::parse(sql->body)["text"],
              Qdf("sql sales.qdf --schema ../sales.db --param From=2024-01-01"));

    // Pages of rows: together, the rows of qdf run.
    const Json all =
        Json::parse(Qdf("run sales.qdf --db ../sales.db --format json --param "
                        "From=2024-01-01 --param To=2024-12-31"));
    Json rows = Json::array();
    for (std::uint64_t offset = 0;; offset += 3) {
        const Json page =
            Json::parse(Post("/api/documents/sales.qdf/run",
                             {{"params", {{"From", "2024-01-01"}, {"To", "2024-12-31"}}},
                              {"limit", 3},
                              {"offset", offset}})
                            ->body);
        EXPECT_EQ(page["columns"], all["columns"]);
        for (const Json& row : page["rows"])
            rows.push_back(row);
        if (!page["more"]) break;
    }
    EXPECT_EQ(rows, all["rows"]);

    const Json verdict = Json::parse(
        Post("/api/check", {{"condition", "ORDERS.AMOUNT >> 5"}, {"path", "sales.qdf"}})->body);
    EXPECT_FALSE(verdict["ok"]);
    EXPECT_TRUE(twtest::Contains(verdict["messages"][0], "Invalid Operator"));
    EXPECT_TRUE(twtest::Contains(verdict["output"], "ORDERS.AMOUNT (real)"));
    EXPECT_TRUE(Json::parse(Post("/api/check", {{"path", "sales.qdf"}})->body)["ok"]);
    EXPECT_EQ(
        Json::parse(m_client->Get("/api/documents/sales.qdf/params")->body)["parameters"].size(),
        3u);
    if (qdf::kDiagramsDrawn) {
        const auto svg = m_client->Get("/api/documents/sales.qdf/diagram.svg");
        EXPECT_EQ(svg->get_header_value("Content-Type"), "image/svg+xml");
        EXPECT_TRUE(twtest::Contains(svg->body, "CUSTOMERS"));
    }
}

TEST_F(Serve, ASaveNeedsTheTagItReadAndLosesNoOtherWritersChange) {
    const auto read = m_client->Get("/api/documents/sales.qdf");
    const std::string tag = read->get_header_value("ETag");
    Json doc = Json::parse(read->body);
    doc["database"] = "FIRST";
    const auto first = Put("/api/documents/sales.qdf", doc.dump(), {{"If-Match", tag}});
    ASSERT_EQ(first->status, 200) << first->body;
    EXPECT_EQ(first->get_header_value("ETag"), Json::parse(first->body)["etag"]);
    EXPECT_TRUE(twtest::Contains(Qdf("get sales.qdf database"), "FIRST"));
    const std::string saved = twtest::ReadAll(Doc("sales.qdf"));

    doc["database"] = "SECOND";
    const auto second = Put("/api/documents/sales.qdf", doc.dump(), {{"If-Match", tag}});
    EXPECT_EQ(second->status, 412);
    EXPECT_EQ(Json::parse(second->body)["error"]["etag"], first->get_header_value("ETag"));
    EXPECT_EQ(Put("/api/documents/sales.qdf", doc.dump(), {})->status, 428);
    EXPECT_EQ(Put("/api/documents/sales.qdf", doc.dump(), {{"If-None-Match", "*"}})->status, 412);
    // What import refuses, with its message.
    const auto refused = Put("/api/documents/sales.qdf", R"({"flags": {"editdSQL": true}})",
                             {{"If-Match", first->get_header_value("ETag")}});
    EXPECT_EQ(refused->status, 400);
    EXPECT_TRUE(twtest::Contains(refused->body, "did you mean 'flags.editedSQL'"));
    EXPECT_EQ(twtest::ReadAll(Doc("sales.qdf")), saved);

    const auto made = Put("/api/documents/new.qdf", doc.dump(), {{"If-None-Match", "*"}});
    EXPECT_EQ(made->status, 201);
    EXPECT_TRUE(twtest::Contains(Qdf("get new.qdf database"), "SECOND"));
}

TEST_F(Serve, StrangersAndStrayPathsAreRefused) {
    ASSERT_EQ(symlink("/etc/hostname", Doc("out.qdf").c_str()), 0);
    ASSERT_EQ(symlink(m_dir.path().c_str(), Doc("up").c_str()), 0);
    std::filesystem::copy_file(Doc("sales.qdf"), m_dir.File("outside.qdf"));
    const std::string bearer = std::string("Bearer ") + kToken;
    const std::string host = "127.0.0.1:" + std::to_string(m_port);
    struct Case {
        const char* name;
        const char* method;
        std::string path;
        Headers headers;
        std::string body;
        int status;
    } cases[] = {
        {"no session", "GET", "/api/documents", {{"Authorization", ""}}, "", 401},
        {"wrong token", "GET", "/api/documents", {{"Authorization", "Bearer 0123"}}, "", 401},
        {"wrong token for a cookie", "GET", "/?token=0123456789abcdeF", {}, "", 403},
        {"another Host",
         "GET",
         "/api/documents",
         {{"Host", "evil.example:" + std::to_string(m_port)}},
         "",
         403},
        // A port of the same length as the server's.
        {"Host on another port",
         "GET",
         "/",
         {{"Host", "127.0.0.1:" + std::to_string(m_port ^ 1)}},
         "",
         403},
        {"localhost",
         "GET",
         "/api/documents",
         {{"Host", "localhost:" + std::to_string(m_port)}},
         "",
         200},
        {"a write from another origin",
         "POST",
         "/api/check",
         {{"Origin", "http://evil.example"}},
         "{\"condition\": \"A = 1\", \"type\": \"integer\"}",
         403},
        {"a write from this origin",
         "POST",
         "/api/check",
         {{"Origin", "http://" + host}},
         "{\"condition\": \"A = 1\", \"type\": \"integer\"}",
         200},
        {"..", "GET", "/api/documents/../outside.qdf", {}, "", 403},
        {"encoded ..", "GET", "/api/documents/%2e%2e/outside.qdf", {}, "", 403},
        {"encoded slash", "GET", "/api/documents/..%2Foutside.qdf", {}, "", 403},
        {"absolute", "GET", "/api/documents//etc/x.qdf", {}, "", 403},
        {"backslash", "GET", "/api/documents/..%5Coutside.qdf", {}, "", 403},
        {"a link out", "GET", "/api/documents/out.qdf", {}, "", 403},
        {"a linked folder out", "GET", "/api/documents/up/outside.qdf", {}, "", 403},
        {"a save through a linked folder",
         "PUT",
         "/api/documents/up/new.qdf",
         {{"If-None-Match", "*"}, {"Origin", "http://" + host}},
         "{}",
         403},
        {"no such document", "GET", "/api/documents/none.qdf", {}, "", 404},
        {"too large",
         "POST",
         "/api/check",
         {{"Origin", "http://" + host}},
         std::string(1 << 17, ' '),
         413},
        {"not JSON", "POST", "/api/check", {{"Origin", "http://" + host}}, "{", 400},
        {"a page that is not there", "GET", "/nothing.js", {}, "", 404},
    };
    for (const Case& c : cases) {
        httplib::Client client("127.0.0.1", m_port);
        Headers headers = c.headers;
        if (headers.find("Authorization") == headers.end())
            headers.emplace("Authorization", bearer);
        if (headers.find("Authorization")->second.empty()) headers.erase("Authorization");
        httplib::Request request;
        request.method = c.method;
        request.path = c.path;
        request.headers = headers;
        request.body = c.body;
        if (!c.body.empty()) request.set_header("Content-Type", "application/json");
        const auto result = client.send(request);
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, c.status) << c.name << ": " << result->body;
        if (c.status >= 400) {
            EXPECT_TRUE(Json::parse(result->body).contains("error")) << c.name;
        }
        EXPECT_TRUE(twtest::Contains(result->get_header_value("Content-Security-Policy"),
                                     "script-src 'self'"))
            << c.name;
        EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff") << c.name;
        EXPECT_EQ(result->get_header_value("Referrer-Policy"), "no-referrer") << c.name;
        EXPECT_FALSE(result->has_header("Access-Control-Allow-Origin")) << c.name;
    }
    const Json list = Json::parse(m_client->Get("/api/documents")->body);
    EXPECT_EQ(list["documents"].size(), 2u) << list.dump();  // no link that leads out
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("new.qdf")));
}

TEST_F(Serve, TheTokenOpensASessionCookie) {
    httplib::Client browser("127.0.0.1", m_port);
    const auto opened = browser.Get((std::string("/?token=") + kToken).c_str());
    ASSERT_EQ(opened->status, 303);
    const std::string cookie = opened->get_header_value("Set-Cookie");
    EXPECT_TRUE(twtest::Contains(cookie, "HttpOnly"));
    EXPECT_TRUE(twtest::Contains(cookie, "SameSite=Strict"));
    // Among the browser's other cookies for the address.
    const Headers session{
        {"Cookie", "theme=dark; " + cookie.substr(0, cookie.find(';')) + "; x=1"}};
    EXPECT_EQ(browser.Get("/api/documents", session)->status, 200);
    // A write from the page needs its Origin too.
    const std::string body = R"({"condition": "A = 1", "type": "integer"})";
    EXPECT_EQ(browser.Post("/api/check", session, body, "application/json")->status, 403);
    EXPECT_EQ(browser.Get("/")->get_header_value("Content-Type"), "text/html; charset=utf-8");
}

TEST_F(Serve, ARunCannotWriteAndNeedsADatabase) {
    // A value that tries to end the statement is a value, refused for its
    // type, and the database keeps its rows.
    const auto attack = Post("/api/documents/sales.qdf/run",
                             {{"params", {{"From", "2024-01-01'; DELETE FROM ORDERS; --"}}}});
    EXPECT_EQ(attack->status, 400) << attack->body;
    const Json all = Json::parse(Post("/api/documents/sales.qdf/run",
                                      {{"params", {{"From", "2000-01-01"}}}, {"limit", 10000}})
                                     ->body);
    EXPECT_FALSE(all["rows"].empty());
    Start("");
    EXPECT_EQ(Post("/api/documents/sales.qdf/run", Json::object())->status, 409);
}

}  // namespace

TEST_F(Serve, CtrlCStopsTheServerCleanly) {
    const std::string out = m_dir.File("serve.out");
    // On every address: a warning, and the token still needed.
    const std::string script =
        "cd '" + m_dir.path() + "' && { '" + QDF_BINARY +
        "' serve docs --host 0.0.0.0 >serve.out 2>serve.err & pid=$!; "
        "for i in $(seq 100); do [ -s serve.out ] && break; sleep 0.1; done; "
        "kill -INT $pid; wait $pid; }";
    EXPECT_EQ(std::system(script.c_str()), 0);
    EXPECT_TRUE(twtest::Contains(twtest::ReadAll(out), "http://0.0.0.0:"));
    const std::string err = twtest::ReadAll(m_dir.File("serve.err"));
    EXPECT_TRUE(twtest::Contains(err, "warning: listening on 0.0.0.0")) << err;
    EXPECT_TRUE(twtest::Contains(err, "qdf: serve: stopped")) << err;
}
