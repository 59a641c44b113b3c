// Hostile statements run through the real engines keep nothing: on a
// PostgreSQL server, as a role that may change the tables, and on SQLite
// files; and no message shows a password. (Time limits and cancel: the tool's
// tests, through qdf run.)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <twfile/sql/engine.h>
#include <twfile/sql/run.h>
#include <twfile/sql/statement.h>

#include "support/server_database.h"
#include "support/sqlite_database.h"
#include "support/support.h"

namespace {

namespace sql = twfile::sql;
using twtest::TakeError;

class Discard : public sql::RowSink {
  public:
    bool Columns(const std::vector<std::string>&) override { return true; }
    bool Row(const std::vector<sql::Value>&) override { return true; }
};

// Runs text on engine: "" when it ran, else the error's text.
std::string RunText(sql::Engine& engine, const std::string& text) {
    sql::Statement statement;
    statement.text = text;
    Discard rows;
    return sql::RunStatement(engine, statement, rows) < 0 ? TakeError() : "";
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The masking of passwords in connection strings and in the messages that
// echo them: the value is hidden, never the letters it shares with other
// words.
TEST(Passwords, AreHiddenInConnectionStringsAndMessages) {
    const struct {
        const char* connection;
        const char* masked;
        const char* message;
        const char* shown;
    } kCases[] = {
        {"DSN=x;PWD=r", "DSN=x;PWD=***", "error for user r: server refused PWD=r",
         "error for user r: server refused PWD=***"},
        {"DSN=x;Password=secret1", "DSN=x;Password=***", "login secret1 failed; secret1",
         "login *** failed; ***"},
        {"DSN=x;PWD={a;b}}c}", "DSN=x;PWD=***", "bad a;b}c or {a;b}}c}", "bad *** or ***"},
        {"Driver=pg;pqopt={sslmode=require password=hunter22};UID=u",
         "Driver=pg;pqopt={sslmode=require password=***};UID=u",
         "conninfo pqopt={sslmode=require password=hunter22} and hunter22",
         "conninfo pqopt={sslmode=require password=***} and ***"},
        {"pqopt={password='it s'}", "pqopt={password=***}", "password='it s' said it s",
         "password=*** said ***"},
        {"pqopt={passwordless=1}", "pqopt={passwordless=1}", "passwordless=1", "passwordless=1"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(sql::MaskedConnectionString(c.connection), c.masked) << c.connection;
        EXPECT_EQ(sql::WithoutPasswords(c.message, c.connection), c.shown) << c.connection;
    }
}

TEST(Passwords, FromElsewhereAreAddedOnlyWhereNoneIsGiven) {
    EXPECT_EQ(sql::WithPassword("DSN=x", "p;w}d"), "DSN=x;PWD={p;w}}d}");
    EXPECT_EQ(sql::MaskedConnectionString(sql::WithPassword("DSN=x;", "p;w}d")), "DSN=x;PWD=***");
    EXPECT_EQ(sql::WithPassword("DSN=x;pwd=mine", "other"), "DSN=x;pwd=mine");
    EXPECT_EQ(sql::WithPassword("DSN=x", ""), "DSN=x");
}

// SQLite: the authorizer lets statements read and compute, nothing else;
// the file and its folder stay as they were.
TEST(SQLiteAttacks, OnlyReadingRuns) {
    twtest::TempDir dir;
    const std::string path = dir.File("victim.db");
    twtest::MakeDatabase(path,
                         "CREATE TABLE victim (id INTEGER, name TEXT);"
                         "INSERT INTO victim VALUES (1, 'a'), (2, 'b');"
                         "CREATE VIEW hidden AS SELECT sqlite_compileoption_get(0) AS o;");
    const std::string before = twtest::ReadAll(path);
    const std::string other = dir.File("other.db");
    const struct {
        std::string text;
        const char* error;  // "" when it runs
    } kCases[] = {
        {"SELECT upper(name), count(*), json_group_array(id) FROM victim", ""},
        {"SELECT value FROM json_each('[1, 2]')", ""},
        // The statement check refuses these before SQLite reads them.
        {"ATTACH DATABASE '" + other + "' AS o", "would change the database"},
        {"SELECT * FROM pragma_database_list", "the pragma database_list"},
        {"PRAGMA writable_schema = 1", "would change the database"},
        // A build without FTS3 lacks the function.
        {"SELECT fts3_tokenizer('simple')", "fts3_tokenizer"},
        {"SELECT load_extension('" + dir.File("x") + "')", "load_extension"},
        {"SELECT * FROM hidden", "the function sqlite_compileoption_get"},
        {"VACUUM INTO '" + other + "'", "would change the database"},
    };
    const std::unique_ptr<sql::Engine> engine = sql::MakeSQLiteEngine();
    ASSERT_GE(engine->Connect(path), 0) << TakeError();
    for (const auto& c : kCases) {
        const std::string error = RunText(*engine, c.text);
        EXPECT_TRUE(*c.error != '\0' ? Contains(error, c.error) : error.empty())
            << c.text << ": " << error;
    }
    engine->Close();
    EXPECT_EQ(twtest::ReadAll(path), before);
    EXPECT_FALSE(twtest::Exists(other));
}

#ifdef TWFILE_TEST_WITH_ODBC

// A database with a table, a sequence and a role that may change both.
class ServerAttacks : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!twtest::NoServer().empty()) GTEST_SKIP() << twtest::NoServer();
        m_server = std::make_unique<twtest::ServerDatabase>(
            "CREATE TABLE victim (id integer PRIMARY KEY, name text);"
            "INSERT INTO victim VALUES (1, 'a'), (2, 'b');"
            "CREATE SEQUENCE counter;");
    }

    // What an attack could change: the rows, the sequence, the tables,
    // large objects, the role's settings.
    std::string State() const {
        return m_server->Value(
            "SELECT (SELECT string_agg(id || name, ',' ORDER BY id) FROM victim) || ' ' || "
            "(SELECT last_value || ' ' || is_called FROM counter) || ' ' || "
            "(SELECT count(*) FROM pg_tables WHERE schemaname = 'public') || ' ' || "
            "(SELECT count(*) FROM pg_largeobject_metadata) || ' ' || "
            "(SELECT count(*) FROM pg_db_role_setting)");
    }

    // The engines that reach the server, with the texts they connect with:
    // ODBC with the statement prepared by the driver and by the server, and
    // libpq.
    struct Target {
        const char* name;
        std::unique_ptr<sql::Engine> (*make)();
        std::string connection;
        std::string superuser;
    };
    std::vector<Target> Targets() const {
        std::string serverSide = m_server->Connection();
        const std::size_t at = serverSide.find("UseServerSidePrepare=0;");
        if (at != std::string::npos) serverSide.erase(at, 23);
        serverSide += "UseServerSidePrepare=1;";
        std::vector<Target> targets = {
            {"ODBC", sql::MakeOdbcEngine, m_server->Connection(), m_server->SuperuserConnection()},
            {"ODBC, prepared by the server", sql::MakeOdbcEngine, serverSide,
             m_server->SuperuserConnection()}};
#ifdef TWFILE_TEST_WITH_LIBPQ
        targets.push_back({"libpq", sql::MakePostgresEngine, m_server->LibpqConnection(),
                           m_server->SuperuserLibpqConnection()});
#endif
        return targets;
    }

    twtest::TempDir m_dir;
    std::unique_ptr<twtest::ServerDatabase> m_server;
};

TEST_F(ServerAttacks, NothingAStatementDoesIsKept) {
    const std::string before = State();
    ASSERT_EQ(before, "1a,2b 1 false 1 0 0");
    const std::string file = m_dir.File("out.txt");
    // Each case runs its statements in turn on one connection. Some fail,
    // some run (lo_from_bytea, set_config); none may leave a trace.
    const std::vector<std::vector<std::string>> kCases = {
        {"SELECT nextval('counter')"},
        {"SELECT setval('counter', 100)"},
        {"SELECT * INTO stolen FROM victim"},
        {"WITH d AS (DELETE FROM victim RETURNING *) SELECT * FROM d"},
        {"SELECT lo_import('/etc/hostname')", "SELECT lo_from_bytea(0, 'x')"},
        {"SELECT pg_read_file('/etc/hostname')"},
        {"COPY victim TO '" + file + "'"},
        {"SELECT query_to_xml('DELETE FROM victim RETURNING id', true, false, '')"},
        // A setting made by one statement does not carry over to the next.
        {"SELECT set_config('default_transaction_read_only', 'off', false)",
         "SELECT set_config('transaction_read_only', 'off', false)",
         "WITH d AS (DELETE FROM victim RETURNING *) SELECT * FROM d"},
        {"SELECT set_config('role', 'postgres', false)", "SELECT nextval('counter')"},
        {"SELECT 1; COMMIT; DELETE FROM victim"},
        // Past the statement check (a dollar-quoted quote), the text after
        // COMMIT still runs read-only.
        {"SELECT $a$ ' $a$; COMMIT; DELETE FROM victim; SELECT ' '"},
    };
    for (const Target& target : Targets()) {
        for (const auto& statements : kCases) {
            const std::unique_ptr<sql::Engine> engine = target.make();
            ASSERT_GE(engine->Connect(target.connection), 0) << target.name << TakeError();
            for (const std::string& text : statements)
                RunText(*engine, text);
            EXPECT_EQ(RunText(*engine, "SELECT count(*) FROM victim"), "");
            engine->Close();
            EXPECT_EQ(State(), before) << target.name << ": " << statements.front();
        }
    }
    EXPECT_FALSE(twtest::Exists(file));
}

// A superuser, or a role that may read or write the server's files, could
// do so inside a read-only transaction (lo_export writes a file): refused.
TEST_F(ServerAttacks, RolesWithTheServersFilesAreRefused) {
    for (const Target& target : Targets()) {
        const std::unique_ptr<sql::Engine> engine = target.make();
        EXPECT_LT(engine->Connect(target.superuser), 0) << target.name;
        EXPECT_TRUE(
            Contains(TakeError(), "the role is a superuser or may read or write the server"));
        m_server->Value("GRANT pg_write_server_files TO " + m_server->Role());
        EXPECT_LT(engine->Connect(target.connection), 0) << target.name;
        EXPECT_TRUE(Contains(TakeError(), "pg_write_server_files"));
        m_server->Value("REVOKE pg_write_server_files FROM " + m_server->Role());
        EXPECT_GE(engine->Connect(target.connection), 0) << target.name << TakeError();
    }
}

#endif

}  // namespace
