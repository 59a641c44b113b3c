// qdf run --format csv side by side with the sqlite3 shell's -csv mode on the
// same statement (SELECT * FROM T) over 10^5 and 10^6 rows. Both run as
// processes with their output going to /dev/null; the time is real time per
// row, and each process's peak memory is reported (max_rss_kib) to show that
// it stays flat as the rows grow.
#if defined(QDF_BINARY) && defined(SQLITE3_BINARY)

#include <sqlite3.h>
#include <unistd.h>

#include <twfile/framework/string.h>
#include <twfile/query/qdf.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "documents_made.h"
#include "process.h"
#include "support.h"

namespace twbench {

std::string MakeRowsData(long rows, RowsData& data) {
    data.database = twbench::ScratchPath("rows_" + std::to_string(rows) + ".db");
    data.document = twbench::ScratchPath("rows.qdf");
    if (access(data.database.c_str(), F_OK) != 0) {
        sqlite3* db = nullptr;
        const std::string script =
            "CREATE TABLE T (ID INTEGER, NAME TEXT, AMOUNT REAL);"
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
            std::to_string(rows) + ") INSERT INTO T SELECT x, 'customer ' || x, x * 0.25 FROM c;";
        const bool made = sqlite3_open(data.database.c_str(), &db) == SQLITE_OK &&
                          sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        if (!made) return "cannot make " + data.database;
    }
    CTWFileQDF doc;
    doc.AddTable(new CString("T"));
    twbench::RemoveFile(data.document);
    if (doc.SaveAs(data.document.c_str()) < 0) return twbench::Failure(-1);
    return std::string();
}

}  // namespace twbench

namespace {

void RunProcess(benchmark::State& state, bool qdf) {
    twbench::RowsData data;
    const std::string failure = twbench::MakeRowsData(state.range(0), data);
    if (!failure.empty()) {
        twbench::Fail(state, failure);
        return;
    }
    const std::vector<std::string> args =
        qdf ? std::vector<std::string>{QDF_BINARY,    "run",      data.document, "--db",
                                       data.database, "--format", "csv"}
            : std::vector<std::string>{SQLITE3_BINARY, "-csv", "-header", data.database,
                                       "SELECT * FROM T"};
    twbench::TimeProgram(state, args);
}

void QdfCsv(benchmark::State& state) {
    RunProcess(state, true);
}
void ShellCsv(benchmark::State& state) {
    RunProcess(state, false);
}

}  // namespace

BENCHMARK(QdfCsv)
    ->Name("sql/qdf_csv")
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ShellCsv)
    ->Name("sql/sqlite3_csv")
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#endif
