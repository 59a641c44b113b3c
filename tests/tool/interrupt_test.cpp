// qdf run stopped by its time limit or by Ctrl-C: the statement ends on the
// database (on a server too, where no backend goes on running it) and qdf
// ends with status 2 for the time limit, 128 + the signal's number for a
// signal.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include <twfile/query/qdf.h>

#include "commands.h"
#include "support/server_database.h"
#include "support/sqlite_database.h"
#include "support/support.h"
#include "tool_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using twtest::Contains;

class RunStops : public ::testing::Test {
  protected:
    RunStops() { twtest::CaptureMessages(); }

    // A document whose edited SQL is text.
    std::string Document(const char* text) {
        CTWFileQDF doc;
        doc.m_bEditedSQL = 1;
        doc.m_strEditedSQL = text;
        const std::string path = m_dir.File("endless.qdf");
        EXPECT_GE(doc.SaveAs(path.c_str()), 0);
        return path;
    }

    twtest::TempDir m_dir;
};

class RunStopsOnEngine : public twtest::OnEngine<RunStops> {
  protected:
    void SetUp() override {
        m_db = m_dir.File("t.db");
        twtest::MakeDatabase(m_db, "CREATE TABLE t (x INTEGER);");
        m_endless = Document(
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) "
            "FROM c");
        if (!OnServer()) return;
        if (!MakeServerDatabase("CREATE TABLE t (x integer);")) GTEST_SKIP() << twtest::NoServer();
        m_db = "odbc:" + m_server->Connection();
        m_endless = Document("SELECT pg_sleep(30)");
    }

    int Run(unsigned timeout, std::string& err) {
        qdf::RunOptions options;
        options.file = m_endless;
        options.database = m_db;
        options.timeout = timeout;
        std::ostringstream out;
        std::ostringstream errors;
        const int status = qdf::RunRun(options, false, out, errors);
        err = errors.str();
        EXPECT_EQ(out.str(), "");
        return status;
    }

    // Whether a backend on the server still runs the endless statement.
    bool StillRunning() {
        return OnServer() && m_server->Value(
                                 "SELECT count(*) FROM pg_stat_activity WHERE query "
                                 "LIKE '%pg_sleep(30)%' AND state = 'active' AND "
                                 "pid <> pg_backend_pid()") != "0";
    }

    std::string m_db;
    std::string m_endless;
};
TWTEST_ON_ENGINES(RunStopsOnEngine);

TEST_P(RunStopsOnEngine, TimeLimitEndsWithStatusTwo) {
    std::string err;
    EXPECT_EQ(Run(1, err), 2);
    EXPECT_TRUE(Contains(err, "the time ran out")) << err;
    EXPECT_FALSE(StillRunning());
}

#ifndef _WIN32  // Windows: Ctrl-C comes from the console, not a signal
TEST_P(RunStopsOnEngine, SignalCancelsTheStatementFirst) {
    std::thread interrupt([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(getpid(), SIGINT);
    });
    std::string err;
    EXPECT_EQ(Run(0, err), 128 + SIGINT);
    interrupt.join();
    EXPECT_TRUE(Contains(err, "the statement was cancelled")) << err;
    EXPECT_FALSE(StillRunning());
}
#endif

}  // namespace
