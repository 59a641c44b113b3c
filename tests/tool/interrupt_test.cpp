// qdf run stopped by its time limit (status 2) or by Ctrl-C (128 + the
// signal's number): the statement ends on the database first, on a server
// too, where no backend goes on running it.
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

class RunStops : public ::testing::Test {};

class RunStopsOnEngine : public twtest::OnEngine<RunStops> {
  protected:
    void SetUp() override {
        twtest::CaptureMessages();
        m_db = m_dir.File("t.db");
        twtest::MakeDatabase(m_db, "CREATE TABLE t (x INTEGER);");
        const char* endless =
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
            "SELECT count(*) FROM c";
        if (OnServer()) {
            if (!MakeServerDatabase("CREATE TABLE t (x integer);"))
                GTEST_SKIP() << twtest::NoServer();
            m_db = "odbc:" + m_server->Connection();
            endless = "SELECT pg_sleep(30)";
        }
        CTWFileQDF doc;
        doc.m_bEditedSQL = 1;
        doc.m_strEditedSQL = endless;
        ASSERT_GE(doc.SaveAs(m_dir.File("endless.qdf").c_str()), 0);
    }

    // qdf run's status; its messages in m_err. No backend may still run the
    // statement then.
    int Run(unsigned timeout) {
        qdf::RunOptions options;
        options.file = m_dir.File("endless.qdf");
        options.database = m_db;
        options.timeout = timeout;
        std::ostringstream out;
        std::ostringstream err;
        const int status = qdf::RunRun(options, false, out, err);
        m_err = err.str();
        if (OnServer()) {
            EXPECT_EQ(m_server->Value("SELECT count(*) FROM pg_stat_activity WHERE query LIKE "
                                      "'%pg_sleep(30)%' AND state = 'active' AND "
                                      "pid <> pg_backend_pid()"),
                      "0");
        }
        return status;
    }

    twtest::TempDir m_dir;
    std::string m_db;
    std::string m_err;
};
TWTEST_ON_ENGINES(RunStopsOnEngine);

TEST_P(RunStopsOnEngine, TimeLimitEndsWithStatusTwo) {
    EXPECT_EQ(Run(1), 2);
    EXPECT_TRUE(twtest::Contains(m_err, "the time ran out")) << m_err;
}

#ifndef _WIN32  // Windows: Ctrl-C comes from the console, not a signal
TEST_P(RunStopsOnEngine, SignalCancelsTheStatementFirst) {
    std::thread interrupt([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(getpid(), SIGINT);
    });
    EXPECT_EQ(Run(0), 128 + SIGINT);
    interrupt.join();
    EXPECT_TRUE(twtest::Contains(m_err, "the statement was cancelled")) << m_err;
}
#endif

}  // namespace
