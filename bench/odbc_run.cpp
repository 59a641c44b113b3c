// qdf run --format csv through ODBC side by side with psql --csv on the same
// statement (SELECT * FROM T) over 10^5 and 10^6 rows of a PostgreSQL server.
// Both run as processes with their output going to /dev/null; the time is
// real time per row, and each process's peak memory is reported
// (max_rss_kib) to show whether it stays flat as the rows grow. A third
// program shows the driver's floor: twfile_odbc_floor (bench/floor) fetches
// the same rows through the driver as the engine does and writes nothing.
//
// The server comes from the environment: TWFILE_BENCH_ODBC is an ODBC
// connection string that reaches it without naming a database, and psql
// reaches the same server as the same user through PGHOST, PGPORT, PGUSER and
// PGPASSWORD. Without TWFILE_BENCH_ODBC these benchmarks are not registered.
// Each size has a database of its own, twfile_bench_N, whose table T is made
// once and kept while it holds the rows.
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
    document = twbench::ScratchPath("odbc_rows.qdf");
    if (access(document.c_str(), F_OK) != 0) {
        CTWFileQDF doc;
        doc.AddTable(new CString("T"));
        if (doc.SaveAs(document.c_str()) < 0) return twbench::Failure(-1);
    }
    return std::string();
}

enum class Program { Qdf, Psql, Floor };

void RunProcess(benchmark::State& state, Program program) {
    std::string document;
    const std::string failure = MakeData(state.range(0), document);
    if (!failure.empty()) {
        twbench::Fail(state, failure);
        return;
    }
    const std::string database = DatabaseName(state.range(0));
    std::string connection = std::getenv("TWFILE_BENCH_ODBC");
    if (!connection.empty() && connection.back() != ';') connection += ';';
    connection += "Database=" + database + ";";
    std::vector<std::string> args;
    switch (program) {
        case Program::Qdf:
            args = {QDF_BINARY, "run", document, "--db", "odbc:" + connection, "--format", "csv"};
            break;
        case Program::Psql:
            args = {PSQL_BINARY, "-X", "--csv", "-d", database, "-c", "SELECT * FROM T"};
            break;
        case Program::Floor:
            args = {ODBC_FLOOR_BINARY, connection, std::to_string(state.range(0))};
            break;
    }
    twbench::TimeProgram(state, args);
}

bool Register() {
    const char* connection = std::getenv("TWFILE_BENCH_ODBC");
    if (connection == nullptr || *connection == '\0') return false;
    const std::pair<const char*, Program> kPrograms[] = {{"sql/qdf_odbc_csv", Program::Qdf},
                                                         {"sql/psql_csv", Program::Psql},
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
