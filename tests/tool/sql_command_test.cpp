// qdf sql, qdf run and qdf check --schema on the bundled example and on
// real SQLite databases: the output of each format, and bad input that ends
// with exit status 2 and nothing on standard output. The cases marked so run
// on a PostgreSQL server through ODBC too, on the same example data, and
// give the same rows.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#ifndef _WIN32
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>
#endif

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "support/server_database.h"
#include "support/sqlite_database.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

using twtest::Contains;
using twtest::Example;

struct Output {
    int status;
    std::string out;
    std::string err;
};

class SqlCommand : public ::testing::Test {
  protected:
    SqlCommand() : m_db(m_dir.File("sales.db")) {
        twtest::CaptureMessages();
        twtest::MakeDatabase(m_db, twtest::ReadAll(Example("sales.sql")));
    }

    Output Run(qdf::RunOptions options) {
        if (options.file.empty()) options.file = Example("sales.qdf");
        if (options.database.empty()) options.database = m_db;
        std::ostringstream out;
        std::ostringstream err;
        const int status = qdf::RunRun(options, false, out, err);
        return Output{status, out.str(), err.str()};
    }

    Output Sql(qdf::SqlOptions options) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = qdf::RunSql(options, out, err);
        return Output{status, out.str(), err.str()};
    }

    // A document on ORDERS with one condition, saved as name.
    std::string Document(const std::string& name, const char* condition,
                         const char* table = "ORDERS") {
        CTWFileQDF doc;
        doc.AddTable(new CString(table));
        doc.AddAttribute(new CString("ORDERS.ORDER_NO"));
        doc.AddCondition(new CString(condition));
        const std::string path = m_dir.File(name);
        EXPECT_GE(doc.SaveAs(path.c_str()), 0);
        return path;
    }

#ifndef _WIN32
    // A FIFO in the test's folder: opening it for reading waits for a writer.
    std::string Fifo() {
        const std::string path = m_dir.File("fifo");
        if (::access(path.c_str(), F_OK) != 0) {
            EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        }
        return path;
    }
#endif

    twtest::TempDir m_dir;
    std::string m_db;
};

const std::vector<std::string> kSecondQuarter = {"From=2024-04-01", "To=2024-06-30"};

// The cases on each engine: on the server, the database is made from the
// same example script (its names unquoted, so the server keeps them in lower
// case).
class SqlOnEngine : public twtest::OnEngine<SqlCommand> {
  protected:
    void SetUp() override {
        if (!OnServer()) return;
        if (!MakeServerDatabase(twtest::ReadAll(Example("sales.sql"))))
            GTEST_SKIP() << twtest::NoServer();
        m_db = ServerDb();
    }

    // expected, with its first line (the column names) in lower case on the
    // server, which folds the names.
    std::string Named(std::string expected) const {
        for (std::size_t i = 0; OnServer() && i < expected.size() && expected[i] != '\n'; ++i)
            expected[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(expected[i])));
        return expected;
    }

    // qdf run of a statement without end, with a time limit in seconds (0:
    // none). No backend may go on running it afterwards.
    Output RunEndless(unsigned timeout) {
        CTWFileQDF doc;
        doc.m_bEditedSQL = 1;
        doc.m_strEditedSQL = OnServer() ? "SELECT pg_sleep(30)"
                                        : "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                                          "FROM c) SELECT count(*) FROM c";
        qdf::RunOptions options;
        options.file = m_dir.File("endless.qdf");
        EXPECT_GE(doc.SaveAs(options.file.c_str()), 0);
        options.timeout = timeout;
        const Output run = Run(options);
        if (OnServer()) {
            // This test's own database: other tests may sleep meanwhile.
            EXPECT_EQ(m_server->Value("SELECT count(*) FROM pg_stat_activity WHERE query LIKE "
                                      "'%pg_sleep(30)%' AND state = 'active' AND "
                                      "datname = current_database() AND "
                                      "pid <> pg_backend_pid()"),
                      "0");
        }
        return run;
    }
};
TWTEST_ON_ENGINES(SqlOnEngine);

TEST_P(SqlOnEngine, RowsInEachFormat) {
    qdf::RunOptions options;
    options.parameters = kSecondQuarter;
    Output run = Run(options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Named("ORDER_NO,ORDER_DATE,NAME,REGION,DESCRIPTION,QTY,AMOUNT\r\n"
                             "1008,2024-06-30,Birch Ltd,EAST,Bookcase,3,630\r\n"
                             "1006,2024-04-02,Alder & Sons,NORTH,Office chair,2,300\r\n"));

    options.format = qdf::RowFormat::Json;
    options.limit = 1;
    run = Run(options);
    EXPECT_EQ(
        run.out,
        Named("{\"columns\": [\"ORDER_NO\", \"ORDER_DATE\", \"NAME\", \"REGION\", "
              "\"DESCRIPTION\", \"QTY\", \"AMOUNT\"], \"rows\": [\n"
              "  [1008, \"2024-06-30\", \"Birch Ltd\", \"EAST\", \"Bookcase\", 3, 630]\n]}\n"));

    options.format = qdf::RowFormat::Table;
    options.limit.reset();
    run = Run(options);
    EXPECT_EQ(run.out,
              Named("ORDER_NO  ORDER_DATE  NAME          REGION  DESCRIPTION   QTY  AMOUNT\n"
                    "--------  ----------  ------------  ------  ------------  ---  ------\n"
                    "    1008  2024-06-30  Birch Ltd     EAST    Bookcase        3     630\n"
                    "    1006  2024-04-02  Alder & Sons  NORTH   Office chair    2     300\n"));
    EXPECT_EQ(run.err, "(2 rows)\n");

    // The document's defaults, in its own form of dates, select the orders
    // of 2024 and none of 2025.
    options.format = qdf::RowFormat::Csv;
    options.parameters.clear();
    std::string numbers;
    const std::string rows = Run(options).out;
    for (std::size_t line = rows.find('\n'); line + 1 < rows.size();
         line = rows.find('\n', line + 1))
        numbers += rows.substr(line + 1, 5);
    EXPECT_EQ(numbers, "1010,1009,1008,1006,1004,1002,1001,");
}

TEST_F(SqlCommand, ValuesOfEveryKindInCsvAndJson) {
    twtest::Database db(m_db);
    db.Exec(
        "CREATE TABLE T (v);"
        "INSERT INTO T VALUES (NULL), (-7), (2.5), (1e300), ('a,\"b\"\r\nc'), (x'00FF10'), "
        "('\xC3\xA4\xFF'), (3e5), ('\x1B]0;x\x07\xC2\x9B');");
    CTWFileQDF doc;
    doc.AddTable(new CString("T"));
    const std::string path = m_dir.File("t.qdf");
    ASSERT_GE(doc.SaveAs(path.c_str()), 0);
    qdf::RunOptions options;
    options.file = path;
    EXPECT_EQ(Run(options).out,
              "v\r\n\r\n-7\r\n2.5\r\n1.0e+300\r\n\"a,\"\"b\"\"\r\nc\"\r\nAP8Q\r\n\xC3\xA4\xFF\r\n"
              "300000.0\r\n\\x1B]0;x\\x07\\u009B\r\n");
    options.format = qdf::RowFormat::Json;
    EXPECT_EQ(
        Run(options).out,
        "{\"columns\": [\"v\"], \"rows\": [\n  [null],\n  [-7],\n  [2.5],\n  [1.0e+300],\n"
        "  [\"a,\\\"b\\\"\\r\\nc\"],\n  [\"AP8Q\"],\n  [\"\xC3\xA4\\ufffd\"],\n  [300000.0],\n"
        "  [\"\\u001b]0;x\\u0007\xC2\x9B\"]\n]}\n");
    // The terminal's table shows every control character and stray byte.
    options.format = qdf::RowFormat::Table;
    const std::string table = Run(options).out;
    EXPECT_TRUE(Contains(table, "\n" + std::string(16, ' ') + "-7\n")) << table;
    EXPECT_TRUE(Contains(table, "\na,\"b\"  c\nAP8Q\n\xC3\xA4\\xFF\n")) << table;
    EXPECT_TRUE(Contains(table, "\n\\x1B]0;x\\x07\\u009B\n")) << table;
}

TEST_P(SqlOnEngine, BadInputEndsWithStatusTwoAndNothingWritten) {
    const char* server = std::getenv("TWFILE_TEST_ODBC");
    const std::string libpqServer = OnLibpq() ? m_server->LibpqConnection().substr(
                                                    0, m_server->LibpqConnection().find(" user="))
                                              : "";
    const std::string missing = !OnServer() ? m_dir.File("missing.db")
                                : OnLibpq()
                                    ? "postgres:" + libpqServer + " dbname=twfile_missing"
                                    : "odbc:" + std::string(server) + ";Database=twfile_missing";
    const struct {
        std::vector<std::string> parameters;
        std::string file;
        std::string database;
        const char* error;
    } kCases[] = {
        {{},
         "",
         missing,
         !OnServer() ? "missing.db: no such database file (a database is opened, never made)"
         : OnLibpq() ? "qdf: run: cannot connect to the PostgreSQL server postgres:"
                     : "qdf: run: cannot connect to the data source"},
        {{"Min=1 OR 1=1"},
         Document("type.qdf", "ORDERS.QTY > <<Min>>"),
         "",
         "the parameter \"Min\": the value \"1 OR 1=1\" is not a valid integer"},
        {{},
         Document("step.qdf", "abs(ORDERS.ORDER_NO - 1012 - 9223372036854775807) > 0"),
         "",
         ByEngine("integer overflow", "[22003] ERROR: bigint out of range")},
        {{"From"}, "", "", "--param From: give it as NAME=VALUE"},
        {{"From=1", "From=2"}, "", "", "--param From is given twice"},
        {{"FROM=2024-01-01"},
         "",
         "",
         "--param FROM: the document has no such parameter (did you "
         "mean From?); its parameters: From, To, MinAmount"},
        {{"MinAmout=5", "To=2024-01-01"}, "", "", "(did you mean MinAmount?)"},
        {{},
         Document("two.qdf", "ORDERS.QTY BETWEEN <<Low>> AND <<High>>"),
         "",
         "the parameters Low, High have no value: give --param Low=VALUE --param High=VALUE"},
        // An engine's text is shown with its control characters escaped.
        {{}, Document("esc.qdf", "ORDERS.QTY > 1\x1B"), "", "\"\\x1B"},
        {{}, Document("table.qdf", "T.A > 1", "T\x1B[2J"), "", "has no table T\\x1B[2J"},
        // Refused at once: opening a FIFO would wait for a writer.
        {{}, "", m_dir.path(), "not a regular file"},
#ifndef _WIN32
        {{}, "", Fifo(), "fifo: not a regular file"},
#endif
    };
    for (const auto& c : kCases) {
        qdf::RunOptions options;
        options.parameters = c.parameters;
        options.file = c.file;
        options.database = c.database;
        const Output run = Run(options);
        EXPECT_EQ(run.status, 2) << c.error;
        EXPECT_EQ(run.out, "") << c.error;
        EXPECT_TRUE(Contains(run.err, c.error)) << run.err;
        EXPECT_EQ(run.err.find('\x1B'), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("missing.db")));  // never made
    if (OnLibpq()) {
        // No message shows the password, given in the target or in the
        // environment as libpq takes it.
        qdf::RunOptions options;
        options.database = "postgres:" + libpqServer + " password=wrong-secret";
        Output run = Run(options);
        EXPECT_EQ(run.status, 2);
        EXPECT_FALSE(Contains(run.err, "wrong-secret")) << run.err;
        options.database = "postgresql://x:wrong-secret@" +
                           libpqServer.substr(5, libpqServer.find(' ') - 5) + ":1/db";
        run = Run(options);
        EXPECT_TRUE(Contains(run.err, "user='x' password='***'")) << run.err;
        EXPECT_FALSE(Contains(run.err, "wrong-secret")) << run.err;
#ifndef _WIN32
        const std::string own = m_server->LibpqConnection();
        const std::size_t at = own.find(" password=");
        const std::string password = own.substr(at + 10, own.find(' ', at + 1) - at - 10);
        options.database = "postgres:" + own.substr(0, at) + own.substr(own.find(' ', at + 1));
        for (const std::string& given : {password, password + "x"}) {
            ASSERT_EQ(setenv("PGPASSWORD", given.c_str(), 1), 0);
            const Output logged = Run(options);
            unsetenv("PGPASSWORD");
            EXPECT_EQ(logged.status, given == password ? 0 : 2) << logged.err;
            EXPECT_FALSE(Contains(logged.err, given)) << logged.err;
        }
#endif
    } else if (OnServer()) {
        // No message shows the password.
        qdf::RunOptions options;
        options.database = missing + ";PWD=wrong-secret";
        const Output run = Run(options);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(Contains(run.err, "PWD=***")) << run.err;
        EXPECT_FALSE(Contains(run.err, "wrong-secret")) << run.err;
        const std::string password = std::string(server).substr(std::string(server).find("PWD="));
        EXPECT_FALSE(Contains(run.err, password.substr(4, password.find(';') - 4))) << run.err;
#ifndef _WIN32  // setenv; Windows runs no server cases
        // A password not on the command line comes from QDF_ODBC_PASSWORD,
        // and a wrong one is not shown either.
        std::string connection = m_server->Connection();
        const std::size_t at = connection.find("PWD=");
        const std::size_t end = connection.find(';', at);
        const std::string own = connection.substr(at + 4, end - at - 4);
        options.database = "odbc:" + connection.erase(at, end - at + 1);
        for (const std::string& given : {own, own + "x"}) {
            ASSERT_EQ(setenv("QDF_ODBC_PASSWORD", given.c_str(), 1), 0);
            const Output logged = Run(options);
            unsetenv("QDF_ODBC_PASSWORD");
            EXPECT_EQ(logged.status, given == own ? 0 : 2) << logged.err;
            EXPECT_FALSE(Contains(logged.err, given)) << logged.err;
        }
#endif
    }
}

TEST_P(SqlOnEngine, TimeLimitEndsWithStatusTwo) {
    const Output run = RunEndless(1);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.err, "the time ran out")) << run.err;
}

#ifndef _WIN32  // Windows: Ctrl-C comes from the console, not a signal
// The statement is cancelled on the database before qdf ends with 128 + the
// signal's number.
TEST_P(SqlOnEngine, SignalCancelsTheStatementFirst) {
    std::thread interrupt([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(getpid(), SIGINT);
    });
    const Output run = RunEndless(0);
    interrupt.join();
    EXPECT_EQ(run.status, 128 + SIGINT);
    EXPECT_TRUE(Contains(run.err, "the statement was cancelled")) << run.err;
}
#endif

#ifndef _WIN32
// A server on 127.0.0.1 that counts the connections it gets, closing each.
class FakeServer {
  public:
    FakeServer() : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* named = reinterpret_cast<sockaddr*>(&address);
        EXPECT_TRUE(::bind(m_fd, named, size) == 0 && ::listen(m_fd, 8) == 0 &&
                    ::getsockname(m_fd, named, &size) == 0);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            while (!m_stop) {
                pollfd ready{m_fd, POLLIN, 0};
                if (::poll(&ready, 1, 20) <= 0) continue;
                const int connection = ::accept(m_fd, nullptr, nullptr);
                if (connection >= 0) ++m_connections, ::close(connection);
            }
        });
    }
    ~FakeServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int port() const { return m_port; }
    int connections() const { return m_connections; }

  private:
    int m_fd;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

// A document only names a data source. None of these DATABASE members may
// send the user's stored password to a server of the document's choosing,
// run a statement at connect time or write a file: the data source SALES is
// set up for the server's driver (when the tests have one), so that each
// would reach the driver if it were passed on.
TEST_F(SqlCommand, DocumentNamesADataSourceAndNothingElse) {
    FakeServer server;
    const std::string odbc = std::getenv("TWFILE_TEST_ODBC") ? std::getenv("TWFILE_TEST_ODBC") : "";
    const std::string driver = odbc.substr(0, odbc.find(';'));
    twtest::WriteAll(m_dir.File("odbc.ini"),
                     "[SALES]\n" + driver + "\nServername=127.0.0.1\nPort=1\n");
    ASSERT_EQ(setenv("ODBCINI", m_dir.File("odbc.ini").c_str(), 1), 0);
    const std::string saved = m_dir.File("saved.dsn");
    for (const std::string& database : std::vector<std::string>{
             "SALES;Server=127.0.0.1;Port=" + std::to_string(server.port()),
             "SALES;ConnSettings={DELETE FROM ORDERS}", "SALES;SAVEFILE=" + saved, "{SALES}",
             "Servername=127.0.0.1", "SALES\tServer"}) {
        CTWFileQDF doc;
        doc.m_strDatabase = database.c_str();
        doc.AddTable(new CString("ORDERS"));
        const std::string path = m_dir.File("hostile.qdf");
        ASSERT_GE(doc.SaveAs(path.c_str()), 0);
        // run, sql and check all open the database through the same check.
        qdf::RunOptions run;
        run.file = path;
        run.database = "odbc:";
        const Output ran = Run(run);
        EXPECT_TRUE(ran.status == 2 && Contains(ran.err, "is not a data source name")) << ran.err;
    }
    unsetenv("ODBCINI");
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(std::ifstream(saved).good());
}

TEST_F(SqlCommand, SchemaThatIsNotARegularFileIsRefusedAtOnce) {
    for (const std::string& schema : {Fifo(), m_dir.path(), std::string("/dev/null")}) {
        qdf::SqlOptions sql;
        sql.file = Example("sales.qdf");
        sql.schema = schema;
        qdf::CheckOptions check;
        check.files = {sql.file};
        check.schema = schema;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(qdf::RunCheck(check, out, err), 2);
        const Output printed = Sql(sql);
        EXPECT_EQ(printed.status, 2);
        EXPECT_TRUE(Contains(printed.err, schema + ": not a regular file")) << printed.err;
    }
}
#endif

TEST_P(SqlOnEngine, StatementWithItsValuesOrInline) {
    qdf::SqlOptions options;
    options.file = Example("sales.qdf");
    options.schema = m_db;
    options.parameters = {"From=2024-04-01"};
    Output sql = Sql(options);
    EXPECT_EQ(sql.status, 0) << sql.err;
    EXPECT_TRUE(Contains(sql.out,
                         "(ORDERS.ORDER_DATE >= ?) AND (ORDERS.ORDER_DATE <= ?) AND "
                         "(CUSTOMERS.REGION IN ('NORTH','EAST')) AND (ORDERS.AMOUNT > ?) "
                         "ORDER BY ORDERS.ORDER_DATE DESC;\n"
                         "-- ?1 From = '2024-04-01' (time)\n"
                         "-- ?2 To = '2024-12-31' (time, default value)\n"
                         "-- ?3 MinAmount = 100.0 (real, default value)\n"))
        << sql.out;

    // After a comment to the end of the line, the ";" ends the statement on
    // a line of its own.
    CTWFileQDF edited;
    edited.m_bEditedSQL = 1;
    edited.m_strEditedSQL = "SELECT 1 -- the end";
    const std::string path = m_dir.File("edited.qdf");
    ASSERT_GE(edited.SaveAs(path.c_str()), 0);
    qdf::SqlOptions plain;
    plain.file = path;
    EXPECT_EQ(Sql(plain).out, "SELECT 1 -- the end\n;\n");

    // With its values written in (the library's tests run such texts).
    options.inlineValues = true;
    EXPECT_TRUE(Contains(Sql(options).out,
                         "(ORDERS.ORDER_DATE >= '2024-04-01') AND "
                         "(ORDERS.ORDER_DATE <= '2024-12-31')"));
    options.inlineValues = false;

    // Times in any form the document or the user writes them are bound in
    // ISO 8601; a time that does not exist is refused.
    for (const auto& [value, bound] : std::vector<std::pair<std::string, std::string>>{
             {"2024-4-1", "'2024-04-01'"},
             {" 01.04.2024 ", "'2024-04-01'"},
             {"2024-04-01T9:05", "'2024-04-01 09:05:00'"},
             {"29.02.2024 23:59:59", "'2024-02-29 23:59:59'"},
             {"12.00", "'12:00:00'"},
             {"10:05:07.250", "'10:05:07.250'"},
             {"2000-02-29", "'2000-02-29'"}}) {
        options.parameters = {"From=" + value};
        sql = Sql(options);
        EXPECT_TRUE(Contains(sql.out, "-- ?1 From = " + bound + " (time)\n")) << value << sql.err;
    }
    for (const char* value :
         {"29.02.1900", "2023-02-29", "31.04.2024", "24:00", "12:60", "01/04/2024", "1.4.24",
          "2024-04-01 10", "2024-04-01x", "10:05:07.", ""}) {
        options.parameters = {std::string("From=") + value};
        sql = Sql(options);
        EXPECT_EQ(sql.status, 2) << value;
        EXPECT_TRUE(Contains(sql.err, "is not a valid time: give a date YYYY-MM-DD")) << value;
    }

    options.parameters = {"MinAmount=lots"};
    sql = Sql(options);
    EXPECT_EQ(sql.status, 2);
    EXPECT_EQ(sql.out, "");
    EXPECT_TRUE(Contains(sql.err, "\"MinAmount\": the value \"lots\" is not a valid real"));
}

TEST_P(SqlOnEngine, CheckAgainstAJsonSchemaOrTheDatabase) {
    twtest::WriteAll(m_dir.File("schema.json"), R"json({"tables": {
        "ORDERS": {"ORDER_NO": "INTEGER", "ORDER_DATE": "DATE", "QTY": "INTEGER",
                   "AMOUNT": "DECIMAL(10,2)", "CUSTOMER_NO": "INT", "PRODUCT_NO": "INT"},
        "CUSTOMERS": {"CUSTOMER_NO": "INT", "NAME": "VARCHAR(40)", "REGION": "CHAR(5)"}}})json");
    std::ostringstream err;
    const auto check = [&](const std::string& schema, std::ostream& out) {
        qdf::CheckOptions options;
        options.files = {Example("sales.qdf")};
        options.schema = schema;
        return qdf::RunCheck(options, out, err);
    };
    std::ostringstream out;
    EXPECT_EQ(check(m_dir.File("schema.json"), out), 1);
    const std::string sales = Example("sales.qdf") + ": ";
    EXPECT_TRUE(Contains(out.str(), sales + "table PRODUCTS: no table PRODUCTS in the schema\n"));
    EXPECT_TRUE(Contains(out.str(), sales + "condition ORDERS.AMOUNT > <<MinAmount>>: ok\n"));
    EXPECT_TRUE(Contains(out.str(), sales + "join ORDERS.PRODUCT_NO = PRODUCTS.PRODUCT_NO: no "
                                            "attribute PRODUCTS.PRODUCT_NO in the schema\n"));

    EXPECT_TRUE(Contains(out.str(), sales + "parameter MinAmount: ok\n"));

    // params types the conditions' parameters through the same schema.
    qdf::ParamsOptions params;
    params.files = {Example("sales.qdf")};
    params.schema = m_dir.File("schema.json");
    std::ostringstream listed;
    EXPECT_EQ(qdf::RunParams(params, listed, err), 0);
    EXPECT_TRUE(
        Contains(listed.str(), "MinAmount  conditions[3]  ORDERS.AMOUNT      real  100.00 "))
        << listed.str();

    std::ostringstream clean;
    EXPECT_EQ(check(m_db, clean), 0) << clean.str();
    // A parameter without a default is no failure; a refused marker is.
    qdf::CheckOptions own;
    own.files = {Document("low.qdf", "ORDERS.QTY > <<Low>>"),
                 Document("bad.qdf", "ORDERS.QTY > <<A>>5")};
    own.schema = m_db;
    std::ostringstream items;
    EXPECT_EQ(qdf::RunCheck(own, items, err), 1);
    EXPECT_TRUE(Contains(items.str(), "low.qdf: parameter Low: ok\n" + own.files[0] +
                                          ": parameter Low: no default value: a run needs --param "
                                          "Low=VALUE\n"))
        << items.str();
    EXPECT_TRUE(Contains(items.str(), "bad.qdf: statement markers: ")) << items.str();
    // --json: one object a file, the statement prepared on the database and
    // its parameters named; a statement the database cannot prepare fails.
    own.files = {Example("sales.qdf"), Document("gone.qdf", "ORDERS.QTY > 1", "GONE")};
    own.json = true;
    std::ostringstream objects;
    EXPECT_EQ(qdf::RunCheck(own, objects, err), 1);
    std::istringstream lines(objects.str());
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const auto first = nlohmann::json::parse(line);
    EXPECT_EQ(first["ok"], true) << line;
    EXPECT_EQ(first["tables"].size(), 3u);
    // ODBC's driver may leave a statement unseen by the server until it runs.
    const bool prepared = GetParam() != twtest::Engine::Odbc;
    if (prepared) {
        EXPECT_EQ(first["statement"]["checks"].back()["text"], "prepared on the database") << line;
    }
    EXPECT_EQ(first["statement"]["parameters"], (nlohmann::json{"From", "To", "MinAmount"}));
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(nlohmann::json::parse(line)["statement"]["checks"].back()["ok"], !prepared) << line;
    if (OnLibpq()) {
        // A target that names no database: each document's own.
        const std::string target = m_server->LibpqConnection();
        const std::size_t at = target.rfind(" dbname=");
        CTWFileQDF doc;
        ASSERT_GE(doc.Open(Example("sales.qdf").c_str(), 1), 0);
        doc.m_strDatabase = target.substr(at + 8).c_str();
        ASSERT_GE(doc.SaveAs(m_dir.File("own.qdf").c_str()), 0);
        qdf::CheckOptions named;
        named.files = {m_dir.File("own.qdf")};
        named.schema = "postgres:" + target.substr(0, at);
        std::ostringstream results;
        EXPECT_EQ(qdf::RunCheck(named, results, err), 0) << results.str() << err.str();
    }
#ifndef _WIN32  // unixODBC's odbc.ini; Windows runs no server cases
    if (GetParam() == twtest::Engine::Odbc) {
        // odbc: alone: the data source that the document names, SALES,
        // found in the user's odbc.ini.
        std::string ini = "[SALES]\n";
        const std::string connection = m_server->Connection();
        for (std::size_t start = 0, end; start < connection.size(); start = end + 1) {
            end = std::min(connection.find(';', start), connection.size());
            // The driver's names for these in odbc.ini.
            std::string line = connection.substr(start, end - start);
            for (const auto& [key, name] :
                 {std::pair<std::string, std::string>{"Server=", "Servername="},
                  {"UID=", "Username="},
                  {"PWD=", "Password="}}) {
                if (line.rfind(key, 0) == 0) line = name + line.substr(key.size());
            }
            ini += line + "\n";
        }
        twtest::WriteAll(m_dir.File("odbc.ini"), ini);
        ASSERT_EQ(setenv("ODBCINI", m_dir.File("odbc.ini").c_str(), 1), 0);
        std::ostringstream named;
        EXPECT_EQ(check("odbc:", named), 0) << named.str() << err.str();
        unsetenv("ODBCINI");
    }
#endif

    twtest::WriteAll(m_dir.File("bad.json"), R"({"tables": {"T": ["A"]}})");
    EXPECT_EQ(check(m_dir.File("bad.json"), out), 2);
    EXPECT_TRUE(Contains(err.str(), "table T: its columns must be an object of types"));
}

// The dialect decides how the statement is read and how --inline writes
// values; a statement that run would refuse is never printed, and the
// statement's bytes, CR LF in values and strings among them, stay as they are.
TEST_F(SqlCommand, DialectRefusalsAndLineBreaks) {
    CTWFileQDF doc;
    doc.m_bEditedSQL = 1;
    doc.m_strEditedSQL = "SELECT * FROM ORDERS\r\nWHERE NAME LIKE 'a\r\n<<V>>%'";
    const std::string path = m_dir.File("edited.qdf");
    ASSERT_GE(doc.SaveAs(path.c_str()), 0);
    using D = twfile::sql::Dialect;
    const struct {
        const char* parameter;
        bool inlined;
        D dialect;
        const char* out;  // or "" and a part of the error
        const char* error;
    } kCases[] = {
        {"V=x\r\ny", true, D::SQLite,
         "SELECT * FROM ORDERS\r\nWHERE NAME LIKE ('a\r\n' || 'x\r\ny' || '%');\n", ""},
        {"V=\\'", false, D::PostgreSQL,
         "SELECT * FROM ORDERS\r\nWHERE NAME LIKE ('a\r\n' || ? || '%');\n"
         "-- ?1 V = '\\''' (text)\n",
         ""},
        {"V=\xC3", true, D::PostgreSQL, "", "\"V\": a value that is not UTF-8"},
        {"V=1' ; DELETE FROM ORDERS; --", true, D::SQLite,
         "SELECT * FROM ORDERS\r\nWHERE NAME LIKE ('a\r\n' || '1'' ; DELETE FROM ORDERS; --' || "
         "'%')\n;\n",
         ""},
    };
    for (const auto& c : kCases) {
        qdf::SqlOptions options;
        options.file = path;
        options.parameters = {c.parameter};
        options.inlineValues = c.inlined;
        options.dialect = c.dialect;
        const Output sql = Sql(options);
        EXPECT_EQ(sql.status, *c.out != '\0' ? 0 : 2) << c.parameter << sql.err;
        EXPECT_EQ(sql.out, c.out) << c.parameter;
        if (*c.out == '\0') {
            EXPECT_TRUE(Contains(sql.err, c.error)) << sql.err;
        }
    }

    // What run refuses: the same message, status 2, nothing printed.
    doc.m_strEditedSQL = "SELECT $$'$$; DELETE FROM ORDERS; SELECT $$'$$";
    ASSERT_GE(doc.SaveAs(path.c_str()), 0);
    qdf::SqlOptions options;
    options.file = path;
    options.dialect = D::PostgreSQL;
    const Output sql = Sql(options);
    EXPECT_EQ(sql.status, 2);
    EXPECT_EQ(sql.out, "");
    EXPECT_TRUE(Contains(sql.err, "qdf: sql: the statement: ")) << sql.err;
}

}  // namespace
