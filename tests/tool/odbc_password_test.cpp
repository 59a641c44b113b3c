// qdf run on a server whose password is not on the command line but in
// QDF_ODBC_PASSWORD, and a failed login that never shows it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "commands.h"
#include "support/server_database.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

using twtest::Contains;

#ifndef _WIN32  // setenv; Windows runs no server cases
TEST(OdbcPassword, ComesFromTheEnvironmentAndIsNeverShown) {
    if (!twtest::NoServer().empty()) GTEST_SKIP() << twtest::NoServer();
    twtest::CaptureMessages();
    twtest::ServerDatabase server("CREATE TABLE t (x integer);");
    std::string connection = server.Connection();
    const std::size_t at = connection.find("PWD=");
    const std::size_t end = connection.find(';', at);
    const std::string password = connection.substr(at + 4, end - at - 4);
    connection.erase(at, end - at + 1);

    qdf::RunOptions options;
    options.file = twtest::Example("sales.qdf");
    options.database = "odbc:" + connection;
    for (const std::string& given : {password, password + "x"}) {
        ASSERT_EQ(setenv("QDF_ODBC_PASSWORD", given.c_str(), 1), 0);
        std::ostringstream out;
        std::ostringstream err;
        qdf::RunRun(options, false, out, err);
        unsetenv("QDF_ODBC_PASSWORD");
        // sales.qdf names tables the database lacks: connected, it says so.
        EXPECT_EQ(Contains(err.str(), "has no table"), given == password) << err.str();
        EXPECT_FALSE(Contains(err.str(), given)) << err.str();
    }
}
#endif

}  // namespace
