// Real databases on a PostgreSQL server, reached through ODBC, for the tests
// that run the same cases on SQLite and on a server.
//
// The server comes from the environment: TWFILE_TEST_ODBC holds an ODBC
// connection string without a database ("Driver=...;Server=...;Port=...;
// UID=...;PWD=...;") for a user who may create databases; scripts/test.sh
// starts a throwaway server and sets it. Without it, in a build without
// ODBC, or on Windows, the server's tests skip and say why.
#ifndef TWFILE_TESTS_SERVER_DATABASE_H
#define TWFILE_TESTS_SERVER_DATABASE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#ifdef TWFILE_TEST_WITH_ODBC
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>
#endif

namespace twtest {

// Why the server's tests cannot run here, or "" when they can.
inline std::string NoServer() {
#ifdef TWFILE_TEST_WITH_ODBC
    const char* connection = std::getenv("TWFILE_TEST_ODBC");
    if (connection == nullptr || *connection == '\0')
        return "TWFILE_TEST_ODBC is not set: no database server to run against";
    return "";
#elif defined(_WIN32)
    return "the Windows build (under Wine) has no database server to run against";
#else
    return "built without ODBC";
#endif
}

#ifdef TWFILE_TEST_WITH_ODBC

// A database of its own on the server, made from an SQL script and dropped
// again at the end.
class ServerDatabase {
  public:
    explicit ServerDatabase(const std::string& script) {
        static int made = 0;
        m_name = "twfile_" + std::to_string(getpid()) + "_" + std::to_string(++made);
        Run("postgres", "CREATE DATABASE " + m_name);
        Run(m_name, script);
    }
    ~ServerDatabase() {
        try {
            Run("postgres", "DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
        } catch (const std::exception&) {
        }
    }
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    // The connection string of the database.
    std::string Connection() const { return Server() + "Database=" + m_name + ";"; }

  private:
    static std::string Server() {
        std::string server = std::getenv("TWFILE_TEST_ODBC");
        if (!server.empty() && server.back() != ';') server += ';';
        return server;
    }

    static void Run(const std::string& database, const std::string& sql) {
        SQLHENV env = SQL_NULL_HENV;
        SQLHDBC dbc = SQL_NULL_HDBC;
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        std::string failure;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        std::string connection = Server() + "Database=" + database + ";";
        std::string text = sql;
        SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connection.data()),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (SQL_SUCCEEDED(rc)) {
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
            rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
            if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
                failure = Diagnostic(SQL_HANDLE_STMT, stmt);
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
            SQLDisconnect(dbc);
        } else {
            failure = Diagnostic(SQL_HANDLE_DBC, dbc);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        if (!failure.empty()) throw std::runtime_error("SQL on the server failed: " + failure);
    }

    static std::string Diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
        return std::string(reinterpret_cast<const char*>(state)) + " " +
               reinterpret_cast<const char*>(message);
    }

    std::string m_name;
};

#else

// Never made: NoServer() says why first.
class ServerDatabase {
  public:
    explicit ServerDatabase(const std::string&) { throw std::logic_error(NoServer()); }
    std::string Connection() const { return ""; }
};

#endif

// The engines the shared cases run on: SQLite, and the server (skipped,
// saying why, when there is none).
enum class Engine { SQLite, Server };

template <class Fixture>
class OnEngine : public Fixture, public ::testing::WithParamInterface<Engine> {
  protected:
    bool OnServer() const { return this->GetParam() == Engine::Server; }
    const char* ByEngine(const char* sqlite, const char* server) const {
        return OnServer() ? server : sqlite;
    }
    // On the server: a database of its own made by script; false when there
    // is no server.
    bool MakeServerDatabase(const std::string& script) {
        if (!NoServer().empty()) return false;
        m_server = std::make_unique<ServerDatabase>(script);
        return true;
    }
    std::unique_ptr<ServerDatabase> m_server;
};

inline std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

}  // namespace twtest

#define TWTEST_ON_ENGINES(Suite)                                                                \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite,                                                    \
                             ::testing::Values(twtest::Engine::SQLite, twtest::Engine::Server), \
                             twtest::EngineName)

#endif  // TWFILE_TESTS_SERVER_DATABASE_H
