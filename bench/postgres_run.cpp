// qdf run --format csv through libpq and through ODBC side by side with psql
// --csv on the same statement (SELECT * FROM T) over 10^5 and 10^6 rows of a
// PostgreSQL server. All run as processes with their output going to
// /dev/null; the time is real time per row, and each process's peak memory
// is reported (max_rss_kib) to show whether it stays flat as the rows grow.
// psql holds the whole result unless FETCH_COUNT is set: it runs both ways.
// A last program shows the ODBC driver's floor: twfile_odbc_floor
// (bench/floor) fetches the same rows through the driver as the engine does
// and writes nothing.
//
// The server comes from the environment: TWFILE_BENCH_ODBC is an ODBC
// connection string that reaches it without naming a database, and psql
// reaches the same server as the same user through PGHOST, PGPORT, PGUSER and
// PGPASSWORD. Without TWFILE_BENCH_ODBC these benchmarks are not registered.
// Each size has a database of its own, twfile_bench_N, whose table T is made
// once and kept while it holds the rows. qdf reads it as a role of its own
// that may only read T (qdf refuses a superuser).
#if defined(QDF_BINARY) && defined(PSQL_BINARY) && defined(ODBC_FLOOR_BINARY)

#include <unistd.h>

#include <twfile/framework/string.h>
#include <twfile/query/qdf.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "process.h"
#include "support.h"

namespace {

std::string DatabaseName(long rows) {
    return "twfile_bench_" + std::to_string(rows);
}

// The role qdf connects as, and its password.
constexpr const char* kReader = "twfile_bench_reader";
constexpr const char* kReaderPassword = "twfile-bench-reader";

// Runs psql with the statements, one -c each, in database; whether they all
// succeeded.
bool Psql(const std::string& database, const std::vector<std::string>& statements,
          bool quiet = false) {
    std::vector<std::string> args{PSQL_BINARY, "-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", database};
    for (const std::string& statement : statements) {
        args.push_back("-c");
        args.push_back(statement);
    }
    return twbench::RunProgram(args, quiet) >= 0;
}

// The database of rows rows, made and filled on the server unless it is
// already there, and the document that selects all of T; what failed, or an
// empty string.
std::string MakeData(long rows, std::string& document) {
    const std::string database = DatabaseName(rows);
    const std::string count = std::to_string(rows);
    const bool there = Psql(database,
                            {"DO $$ BEGIN IF (SELECT count(*) FROM T) <> " + count +
                             " THEN RAISE 'not filled'; END IF; END $$"},
                            true);
    if (!there) {
        Psql("postgres", {"DROP DATABASE IF EXISTS " + database}, true);
        const bool made =
            Psql("postgres", {"CREATE DATABASE " + database}) &&
            Psql(database, {"CREATE TABLE T (ID INTEGER, NAME TEXT, AMOUNT DOUBLE PRECISION)",
                            "INSERT INTO T SELECT x, 'customer ' || x, x * 0.25 "
                            "FROM generate_series(1, " +
                                count + ") AS x",
                            "VACUUM ANALYZE T"});
        if (!made) return "cannot make the table of " + count + " rows with psql";
    }
    Psql("postgres",
         {std::string("CREATE ROLE ") + kReader + " LOGIN PASSWORD '" + kReaderPassword + "'"},
         true);
    if (!Psql(database, {std::string("GRANT SELECT ON T TO ") + kReader}))
        return "cannot let the role " + std::string(kReader) + " read T";
    document = twbench::ScratchPath("odbc_rows.qdf");
    if (access(document.c_str(), F_OK) != 0) {
        CTWFileQDF doc;
        doc.AddTable(new CString("T"));
        if (doc.SaveAs(document.c_str()) < 0) return twbench::Failure(-1);
    }
    return std::string();
}

enum class Program { QdfLibpq, QdfOdbc, Psql, PsqlFetchCount, Floor };

// The value of key in the ODBC connection string connection.
std::string Setting(const std::string& connection, const std::string& key) {
    const std::string all = ";" + connection;
    const std::size_t at = all.find(";" + key + "=");
    if (at == std::string::npos) return "";
    const std::size_t start = at + key.size() + 2;
    return all.substr(start, all.find(';', start) - start);
}

void RunProcess(benchmark::State& state, Program program) {
    std::string document;
    const std::string failure = MakeData(state.range(0), document);
    if (!failure.empty()) {
        twbench::Fail(state, failure);
        return;
    }
    const std::string database = DatabaseName(state.range(0));
    std::string server = std::getenv("TWFILE_BENCH_ODBC");
    if (!server.empty() && server.back() != ';') server += ';';
    // The server's connection with the reader's name and password.
    std::string odbc;
    for (std::size_t start = 0, end; start < server.size(); start = end + 1) {
        end = server.find(';', start);
        const std::string setting = server.substr(start, end - start);
        if (setting.rfind("UID=", 0) != 0 && setting.rfind("PWD=", 0) != 0) odbc += setting + ";";
    }
    odbc +=
        std::string("UID=") + kReader + ";PWD=" + kReaderPassword + ";Database=" + database + ";";
    const std::string libpq = "postgres:host=" + Setting(server, "Server") +
                              " port=" + Setting(server, "Port") + " user=" + kReader +
                              " password=" + kReaderPassword + " dbname=" + database;
    const std::string query = "SELECT * FROM T";
    std::vector<std::string> args;
    switch (program) {
        case Program::QdfLibpq:
            args = {QDF_BINARY, "run", document, "--db", libpq, "--format", "csv"};
            break;
        case Program::QdfOdbc:
            args = {QDF_BINARY, "run", document, "--db", "odbc:" + odbc, "--format", "csv"};
            break;
        case Program::Psql:
            args = {PSQL_BINARY, "-X", "--csv", "-d", database, "-c", query};
            break;
        case Program::PsqlFetchCount:
            args = {PSQL_BINARY, "-X",     "--csv", "-v", "FETCH_COUNT=10000",
                    "-d",        database, "-c",    query};
            break;
        case Program::Floor:
            args = {ODBC_FLOOR_BINARY, odbc, std::to_string(state.range(0))};
            break;
    }
    twbench::TimeProgram(state, args);
}

bool Register() {
    const char* connection = std::getenv("TWFILE_BENCH_ODBC");
    if (connection == nullptr || *connection == '\0') return false;
    const std::pair<const char*, Program> kPrograms[] = {
        {"sql/qdf_libpq_csv", Program::QdfLibpq},
        {"sql/qdf_odbc_csv", Program::QdfOdbc},
        {"sql/psql_csv", Program::Psql},
        {"sql/psql_fetch_count_csv", Program::PsqlFetchCount},
        {"sql/odbc_fetch_floor", Program::Floor}};
    for (const auto& [name, program] : kPrograms) {
        benchmark::RegisterBenchmark(
            name, [program = program](benchmark::State& state) { RunProcess(state, program); })
            ->Arg(100'000)
            ->Arg(1'000'000)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}

[[maybe_unused]] const bool g_registered = Register();

}  // namespace

#endif
