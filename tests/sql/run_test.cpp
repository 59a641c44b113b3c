// Statements run on real SQLite databases: hostile parameter values leave
// the statement as it was, the engine's failures come back with its own
// text, and the catalogue gives the schema. The cases on engines run on a
// PostgreSQL server through ODBC too, on the same tables.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <twfile/sql/check.h>
#include <twfile/sql/engine.h>
#include <twfile/sql/run.h>
#include <twfile/sql/statement.h>
#include "testing/fault_switch.h"

#include "sql/sql_support.h"
#include "support/server_database.h"
#include "support/sqlite_database.h"
#include "support/support.h"

namespace {

namespace sql = twfile::sql;
namespace fault = win32::fault;
using twtest::OrdersQuery;
using twtest::TakeError;

// Keeps the rows as text, one line each: values separated by "|".
class Rows : public sql::RowSink {
  public:
    bool Columns(const std::vector<std::string>&) override { return true; }
    bool Row(const std::vector<sql::Value>& values) override {
        std::string line;
        for (const sql::Value& value : values) {
            using Kind = sql::Value::Kind;
            line += value.kind == Kind::Null      ? "NULL"
                    : value.kind == Kind::Integer ? std::to_string(value.integer)
                    : value.kind == Kind::Real    ? std::to_string(value.real)
                                                  : value.bytes;
            line += "|";
        }
        lines.push_back(line);
        return true;
    }
    std::vector<std::string> lines;
};

class RunTest : public ::testing::Test {
  protected:
    RunTest() : m_path(m_dir.File("sales.db")), m_engine(sql::MakeSQLiteEngine()) {
        twtest::MakeDatabase(m_path, twtest::SalesScript());
    }

    // The rows of source with values, or "error: " and the error's text.
    std::vector<std::string> Rows(const sql::QuerySource& source,
                                  const sql::ParameterValues& values = {}) {
        sql::Statement statement;
        return Run(source, values, statement, false);
    }

    std::vector<std::string> Run(const sql::QuerySource& source, const sql::ParameterValues& values,
                                 sql::Statement& statement, bool inlined) {
        sql::Schema schema;
        ::Rows rows;
        if (m_engine->Connect(m_path) < 0 || sql::LoadSchema(*m_engine, schema) < 0 ||
            sql::BuildStatement(source, &schema, values, m_engine->SqlDialect(), statement) < 0) {
            return {"error: " + TakeError()};
        }
        if (inlined) {
            if (!statement.inlineRefusal.empty()) return {"refused: " + statement.inlineRefusal};
            statement.text = statement.inlineText;
            statement.bindings.clear();
        }
        if (sql::RunStatement(*m_engine, statement, rows) < 0)
            rows.lines.push_back("error: " + TakeError());
        m_engine->Close();
        return rows.lines;
    }

    void ValuesSelectTheRightRows();

    twtest::TempDir m_dir;
    std::string m_path;
    std::unique_ptr<sql::Engine> m_engine;
};

// The cases on each engine: on the server, a database of its own made by
// the same script.
class RunOnEngine : public twtest::OnEngine<RunTest> {
  protected:
    void SetUp() override {
        if (!OnServer()) return;
        if (!MakeServerDatabase(twtest::SalesScript())) GTEST_SKIP() << twtest::NoServer();
        m_path = ServerTarget();
        m_engine = ServerEngine();
    }
};
TWTEST_ON_ENGINES(RunOnEngine);

// Values select the rows their attribute's type gives, bound or written into
// the text, and no value changes the statement: a hostile text selects the
// rows it names as a plain string would. On the server, with backslashes
// read as escapes in strings (standard_conforming_strings off) too.
TEST_P(RunOnEngine, ValuesSelectTheRightRowsAndNeverChangeTheStatement) {
    ValuesSelectTheRightRows();
    if (!OnServer()) return;
    ASSERT_TRUE(MakeServerDatabase(std::string(twtest::SalesScript()) +
                                   "DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET "
                                   "standard_conforming_strings = off', current_database()); "
                                   "END $$;"));
    m_path = ServerTarget();
    sql::QuerySource setting;
    setting.editedSQLSelected = true;
    setting.editedSQL = "SELECT current_setting('standard_conforming_strings')";
    ASSERT_EQ(Rows(setting), std::vector<std::string>{"off|"});
    ValuesSelectTheRightRows();
}

void RunTest::ValuesSelectTheRightRows() {
    struct Case {
        std::string condition;
        sql::ParameterValues values;
        std::vector<std::string> rows;
    };
    std::vector<Case> cases = {
        {"ORDERS.AMOUNT > <<V>>", {{"V", "99"}}, {"2|"}},
        {"ORDERS.PAID = <<V>>", {{"V", "false"}}, {"2|"}},
        {"ORDERS.ORDER_NO IN (<<A>>,<<B>>)", {{"A", "3"}, {"B", " 1"}}, {"1|", "3|"}},
        {"ORDERS.DAY >= <<V>>", {{"V", "2024-02-01"}}, {"2|", "3|"}},
        // Bound in ISO 8601 whatever form the date was written in.
        {"ORDERS.DAY >= <<V>>", {{"V", "01.02.2024"}}, {"2|", "3|"}},
        {"ORDERS.DAY = <<V>>", {{"V", "1.3.2024"}}, {"3|"}},
        // Written in after a minus, a negative number must not start a comment.
        {"ORDERS.ORDER_NO > 0-<<V>>", {{"V", "-2"}}, {"3|"}},
        {"ORDERS.AMOUNT < -<<V>>", {{"V", "-11"}}, {"1|"}},
    };
    for (const std::string condition :
         {"ORDERS.NAME = '<<V>>'", "ORDERS.NAME = <<V>>", "ORDERS.NAME LIKE '<<V>>%'",
          "ORDERS.NAME IN (<<V>>, 'x')"}) {
        for (const std::string value :
             {"'", "''", "x'; DROP TABLE ORDERS; --", "/* ", "*/", "-- ", ") OR 1=1 --",
              "' OR '1'='1", "\\'", "\\' OR 1=1 --", "O\\'' OR 1=1 --", "%", "\"", "O'Neill", "$$",
              "Alder\r\n"}) {
            const bool like = condition.find("LIKE") != std::string::npos;
            std::vector<std::string> rows;
            for (const auto& [no, name] :
                 {std::pair<int, std::string>{1, "Alder"}, {2, "Birch"}, {3, "O'Neill"}}) {
                if (like ? name.rfind(value == "%" ? "" : value, 0) == 0 : name == value)
                    rows.push_back(std::to_string(no) + "|");
            }
            cases.push_back({condition, {{"V", value}}, rows});
        }
    }
    for (const Case& c : cases) {
        sql::Statement statement;
        EXPECT_EQ(Run(OrdersQuery({c.condition}), c.values, statement, false), c.rows)
            << c.condition << " with " << c.values.begin()->second;
        EXPECT_EQ(Run(OrdersQuery({c.condition}), c.values, statement, true), c.rows)
            << statement.inlineText;
    }
    EXPECT_EQ(Rows(OrdersQuery({})).size(), 3u) << "the table is still there";
}

// The texts that hid a second statement from a reading that did not know the
// server's quotes and comments: each is refused before the server sees it,
// and the row it would delete, the file it would write, stay as they were.
TEST_P(RunOnEngine, StatementsHiddenInQuotesAndCommentsNeverRun) {
    const std::string file = m_dir.File("written.txt");
    const std::string attacks[] = {
        "SELECT $$'$$ AS a; DELETE FROM ORDERS WHERE ORDER_NO = 1; COMMIT; SELECT $$'$$ AS b",
        "SELECT E'\\'' AS a; DELETE FROM ORDERS WHERE ORDER_NO = 1; COMMIT; SELECT E'\\'' AS b",
        "/* /* */ SELECT */ COPY (SELECT 1) TO '" + file + "'",
        "SELECT 1 AS a -- \r; DELETE FROM ORDERS WHERE ORDER_NO = 1; COMMIT; --",
        // Past a reading that missed the dollar quote, the session's own
        // read-only default would be switched off before the COMMIT.
        "SELECT $a$ ' $a$, set_config('default_transaction_read_only', 'off', false); COMMIT; "
        "DELETE FROM ORDERS; SELECT ' '",
    };
    sql::QuerySource edited;
    edited.editedSQLSelected = true;
    for (const std::string& attack : attacks) {
        // SQLite reads the CR as part of the comment, as the check does.
        if (!OnServer() && attack.find('\r') != std::string::npos) continue;
        ASSERT_GE(m_engine->Connect(m_path), 0) << TakeError();
        int placeholders = 0;
        EXPECT_LT(m_engine->Prepare(attack, placeholders), 0) << attack;
        const std::string error = TakeError();
        EXPECT_FALSE(error.empty()) << attack;
        m_engine->Close();
        edited.editedSQL = attack;
        const std::vector<std::string> rows = Rows(edited);
        ASSERT_EQ(rows.size(), 1u) << attack;
        EXPECT_EQ(rows[0], "error: " + error) << attack;
    }
    EXPECT_EQ(Rows(OrdersQuery({"ORDERS.ORDER_NO = 1"})), std::vector<std::string>{"1|"});
    EXPECT_FALSE(twtest::Exists(file));
}

TEST_P(RunOnEngine, EngineFailuresComeWithTheEngineText) {
    sql::QuerySource edited;
    edited.editedSQLSelected = true;
    const struct {
        const char* sql;
        const char* error;
    } kCases[] = {
        {"SELECT * FROM NOWHERE",
         ByEngine("no such table: NOWHERE", "[42P01] ERROR: relation \"nowhere\" does not exist")},
        {"SELECT 1; DROP TABLE ORDERS", "the text holds more than one statement"},
        {"SELECT ';' AS \";\" FROM ORDERS; -- the end", ""},
        {"DELETE FROM ORDERS", "the statement would change the database"},
        {"SELECT * FROM ORDERS WHERE NAME = ?", "placeholders of its own"},
        {"SELECT * FROM ORDERS WHERE NAME = :name",
         ByEngine("placeholders of its own", "[42601] ERROR: syntax error at or near \":\"")},
        {"-- nothing", "the statement is empty"},
        // On SQLite, the step fails on the third row: the rows before it came.
        {"SELECT abs(ORDER_NO - 4 - 9223372036854775807) FROM ORDERS",
         ByEngine("integer overflow", "[22003] ERROR: bigint out of range")},
    };
    for (const auto& c : kCases) {
        edited.editedSQL = c.sql;
        const std::vector<std::string> rows = Rows(edited);
        if (*c.error == '\0') {
            EXPECT_EQ(rows, std::vector<std::string>(3, ";|")) << c.sql;
            continue;
        }
        ASSERT_FALSE(rows.empty()) << c.sql;
        EXPECT_EQ(rows.back().rfind("error: ", 0), 0u) << c.sql;
        EXPECT_NE(rows.back().find(c.error), std::string::npos) << c.sql << ": " << rows.back();
    }
    EXPECT_EQ(Rows(OrdersQuery({"ORDERS.ORDER_NO > 1"})).size(), 2u) << "the table is still there";
    // A statement prepared to be checked, never run, fails as its run would
    // before the first row; but for what psqlODBC leaves to the server until
    // the statement runs.
    for (const auto& c : kCases) {
        if (OnServer() && std::string(c.error).find("] ERROR:") != std::string::npos) continue;
        edited.editedSQL = c.sql;
        ASSERT_GE(m_engine->Connect(m_path), 0) << TakeError();
        const std::string error =
            sql::PrepareStatementShape(edited, *m_engine) < 0 ? TakeError() : "";
        m_engine->Close();
        if (*c.error == '\0' || std::string(c.sql).find("abs(") != std::string::npos) {
            EXPECT_EQ(error, "") << c.sql;  // the failure comes with the rows
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.sql << ": " << error;
        }
    }
}

TEST_F(RunTest, SQLiteFailsAtOnceOnAFileItCannotRead) {
    // A missing database is not made; a file that is not a database, or one
    // that another connection holds locked, fails at once.
    EXPECT_LT(m_engine->Connect(m_dir.File("missing.db")), 0);
    EXPECT_EQ(TakeError(), "cannot open the database " + m_dir.File("missing.db") +
                               ": unable to open database file");
    EXPECT_FALSE(twtest::Exists(m_dir.File("missing.db")));
    twtest::WriteAll(m_dir.File("text.db"), std::string(4096, 'x'));
    EXPECT_LT(m_engine->Connect(m_dir.File("text.db")), 0);
    EXPECT_NE(TakeError().find("file is not a database"), std::string::npos);
    {
        twtest::Database locker(m_path, "BEGIN EXCLUSIVE; DELETE FROM ORDERS;");
        EXPECT_LT(m_engine->Connect(m_path), 0);
        EXPECT_NE(TakeError().find("database is locked"), std::string::npos);
    }
}

// A file name as the system's calls and command line have it: on Windows in
// the ANSI code page; elsewhere its bytes, here UTF-8.
std::string SystemName(const std::string& utf8) {
#ifdef _WIN32
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                            static_cast<int>(wide.size()))));
    std::string name(wide.size() * 2, '\0');
    name.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &name[0],
                            static_cast<int>(name.size()), nullptr, nullptr)));
    return name;
#else
    return utf8;
#endif
}

TEST_F(RunTest, SQLiteOpensADatabaseByTheSystemsNameOfIt) {
    const std::string path = m_dir.File("caf\xC3\xA9.db");  // "café.db"
    twtest::MakeDatabase(path, "CREATE TABLE T(X INTEGER);");
    ASSERT_GE(m_engine->Connect(SystemName(path)), 0) << TakeError();
    std::vector<std::string> tables;
    ASSERT_GE(m_engine->Tables(tables), 0) << TakeError();
    EXPECT_EQ(tables, std::vector<std::string>{"T"});
}

// Rows come a block at a time on the server: values longer than a bound
// buffer (and than one piece of SQLGetData) come whole, NULLs as NULLs, and
// the last block, part full, ends the rows.
TEST_P(RunOnEngine, LongValuesAndNullsComeWhole) {
    sql::QuerySource edited;
    edited.editedSQLSelected = true;
    edited.editedSQL =
        std::string(
            "WITH RECURSIVE s(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM s "
            "WHERE x < 600) SELECT x, CASE WHEN x % 100 = 0 THEN NULL ELSE "
            "x END AS n, CASE WHEN x % 150 = 0 THEN NULL ELSE ") +
        ByEngine("replace(hex(zeroblob(x * 5)), '0', 'ab')", "repeat('ab', x * 10)") +
        " END AS t FROM s ORDER BY 1";
    const std::vector<std::string> rows = Rows(edited);
    ASSERT_EQ(rows.size(), 600u) << (rows.empty() ? "" : rows.back().substr(0, 300));
    for (int x = 1; x <= 600; ++x) {
        std::string text;
        for (int i = 0; i < x * 10; ++i)
            text += "ab";
        const std::string expected = std::to_string(x) + "|" +
                                     (x % 100 == 0 ? "NULL" : std::to_string(x)) + "|" +
                                     (x % 150 == 0 ? "NULL" : text) + "|";
        ASSERT_EQ(rows[static_cast<std::size_t>(x - 1)], expected) << "row " << x;
    }
}

// On PostgreSQL through libpq: a column's type by its listed name, a domain
// by its base type, any other type unknown; another schema's table as
// "schema.name", and its values as the engine reads each type.
TEST_P(RunOnEngine, PostgresCatalogueAndValues) {
    if (!OnLibpq()) GTEST_SKIP() << "PostgreSQL through libpq only";
    m_server->Value(
        "CREATE DOMAIN qty AS integer; CREATE SCHEMA shop; CREATE TABLE shop.items (n qty, "
        "s character(4), b boolean, f real, d numeric(30,4), raw bytea, t timestamp, "
        "w timestamptz, iv interval); INSERT INTO shop.items VALUES (7, 'ab', true, 0.5, "
        "123456789012345678901234.5000, decode('00ff', 'hex'), '2024-01-02 03:04:05', NULL, "
        "'1 day'); GRANT USAGE ON SCHEMA shop TO " +
        m_server->Role() + "; GRANT SELECT ON shop.items TO " + m_server->Role());
    ASSERT_GE(m_engine->Connect(m_path), 0) << TakeError();
    sql::Schema schema;
    ASSERT_GE(sql::LoadSchema(*m_engine, schema), 0) << TakeError();
    const std::pair<const char*, TWDB_DataType> kColumns[] = {
        {"shop.items.n", TWDB_Integer},  {"shop.items.s", TWDB_String},
        {"shop.items.b", TWDB_Bool},     {"shop.items.f", TWDB_Real},
        {"shop.items.d", TWDB_Real},     {"shop.items.raw", TWDB_Unknown},
        {"shop.items.w", TWDB_Time},     {"shop.items.t", TWDB_Time},
        {"shop.items.iv", TWDB_Unknown}, {"orders.amount", TWDB_Real}};
    for (const auto& [name, type] : kColumns) {
        const CTWDB_Attribute* attribute = schema.FindAttribute(name, {});
        ASSERT_NE(attribute, nullptr) << name;
        EXPECT_EQ(attribute->GetDataType(), type) << name;
    }
    m_engine->Close();
    sql::QuerySource items;
    items.tables = {"shop.items"};
    EXPECT_EQ(Rows(items), std::vector<std::string>{
                               "7|ab|1|0.500000|123456789012345678901234.5000|" +
                               std::string("\0\xFF", 2) + "|2024-01-02 03:04:05|NULL|1 day|"});
}

TEST_F(RunTest, SchemaFromTheCatalogue) {
    twtest::MakeDatabase(m_path,
                         "CREATE TABLE odd (\"Mixed Case\" VARCHAR(20), p POINT, b BLOB, n, "
                         "f FLOATING POINT, m MONEY); CREATE VIEW v AS SELECT 1 AS one;");
    ASSERT_GE(m_engine->Connect(m_path), 0);
    sql::Schema schema;
    ASSERT_GE(sql::LoadSchema(*m_engine, schema), 0);
    const std::pair<const char*, TWDB_DataType> kColumns[] = {
        {"ODD.mixed case", TWDB_String}, {"odd.p", TWDB_Integer},     {"odd.b", TWDB_Unknown},
        {"odd.n", TWDB_Unknown},         {"odd.f", TWDB_Integer},     {"odd.m", TWDB_Real},
        {"v.one", TWDB_Unknown},         {"orders.amount", TWDB_Real}};
    for (const auto& [name, type] : kColumns) {
        const CTWDB_Attribute* attribute = schema.FindAttribute(name, {});
        ASSERT_NE(attribute, nullptr) << name;
        EXPECT_EQ(attribute->GetDataType(), type) << name;
    }
    const CTWDB_Attribute* amount = schema.FindAttribute("AMOUNT", {"ORDERS", "CUSTOMERS"});
    ASSERT_NE(amount, nullptr);
    EXPECT_STREQ(amount->GetUniqueName(), "ORDERS.AMOUNT");
    EXPECT_STREQ(amount->GetAttributeName(), "AMOUNT");
    EXPECT_EQ(amount->GetOwnerTable(), schema.FindTable("orders"));
    EXPECT_EQ(schema.FindAttribute("ORDER_NO", {"ORDERS", "CUSTOMERS"}), nullptr) << "ambiguous";
    EXPECT_NE(schema.FindAttribute("ORDER_NO", {"CUSTOMERS"}), nullptr);
}

TEST(DataType, ListedNamesThenAffinity) {
    const std::pair<TWDB_DataType, std::vector<const char*>> kCases[] = {
        {TWDB_Integer, {"int", "BIGINT", "tinyint", "UNSIGNED BIG INT"}},
        {TWDB_String, {"NVARCHAR(30)", "clob", "VARYING CHARACTER(9)"}},
        {TWDB_Bool, {"Boolean", "BOOL"}},
        {TWDB_Real, {"DECIMAL(10,2)", "double", "FLOAT", "DOUBLE PRECISION", "MONEY", "BOOLEANS"}},
        {TWDB_Time, {"timestamp", "DATE", "DATETIME"}},
        {TWDB_Unknown, {"BLOB", ""}},
    };
    for (const auto& [type, names] : kCases) {
        for (const char* declared : names)
            EXPECT_EQ(sql::DataTypeOf(declared), type) << declared;
    }
}

TEST_F(RunTest, CheckDocumentReportsEachItem) {
    sql::Schema schema;
    twtest::AddSalesSchema(schema);
    sql::QuerySource source;
    source.tables = {"ORDERS", "NOWHERE"};
    source.attributes = {"ORDERS.NAME", "ORDERS.GONE"};
    source.nonDisplayAttributes = {"AMOUNT"};
    source.conditions = {"ORDERS.AMOUNT > <<Min>>", "ORDERS.PAID > TRUE", "ORDERS.NAME = abc",
                         "GONE = 1"};
    source.joins = {"ORDERS.ORDER_NO = CUSTOMERS.ORDER_NO", "ORDERS.ORDER_NO = X.Y", "ORDERS.NAME"};
    std::vector<sql::CheckItem> items;
    ASSERT_GE(sql::CheckDocument(source, schema, items), 0);
    std::vector<std::string> shown;
    for (const sql::CheckItem& item : items) {
        std::string line = item.kind + " " + item.text + ":";
        for (const std::string& message : item.messages)
            line += " " + message;
        shown.push_back(item.ok ? line + " ok" : line);
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{
                  "table ORDERS: ok",
                  "table NOWHERE: no table NOWHERE in the schema",
                  "attribute ORDERS.NAME: ok",
                  "attribute ORDERS.GONE: no attribute ORDERS.GONE in the schema",
                  "non-display attribute AMOUNT: ok",
                  "condition ORDERS.AMOUNT > <<Min>>: ok",
                  "condition ORDERS.PAID > TRUE: Invalid Operator Must be one of: =,<>",
                  "condition ORDERS.NAME = abc: Strings must be enclosed within single quotes",
                  "condition GONE = 1: no attribute GONE in the schema",
                  "join ORDERS.ORDER_NO = CUSTOMERS.ORDER_NO: ok",
                  "join ORDERS.ORDER_NO = X.Y: no attribute X.Y in the schema",
                  "join ORDERS.NAME: a join needs two attributes joined by \"=\"",
                  "statement the generated SELECT: ok",
              }));
    source.editedSQLSelected = true;
    source.editedSQL = "SELECT 1; DROP TABLE ORDERS";
    ASSERT_GE(sql::CheckDocument(source, schema, items), 0);
    EXPECT_EQ(items.back().text, "the edited SQL");
    EXPECT_EQ(items.back().messages,
              std::vector<std::string>{"the text holds more than one statement"});
}

// Every call into the engine of a whole run fails in turn: each failure is
// reported with the engine's text, and the same engine then runs again.
TEST_P(RunOnEngine, EveryEngineCallCanFail) {
    const sql::QuerySource source = OrdersQuery({"ORDERS.AMOUNT > <<V>>"});
    fault::ScopedDisarm disarm;
    fault::StartCounting();
    ASSERT_EQ(Rows(source, {{"V", "1"}}).size(), 3u);
    const unsigned long calls = fault::Calls(fault::Kind::Engine);
    ASSERT_GT(calls, 10u);
    for (unsigned long nth = 1; nth <= calls; ++nth) {
        fault::Arm(fault::Kind::Engine, nth);
        const std::vector<std::string> rows = Rows(source, {{"V", "1"}});
        fault::Disarm();
        ASSERT_FALSE(rows.empty()) << nth;
        EXPECT_NE(rows.back().find("out of memory"), std::string::npos)
            << nth << ": " << rows.back();
        EXPECT_EQ(Rows(source, {{"V", "1"}}).size(), 3u) << nth;
    }
}

}  // namespace
