// Real databases on a PostgreSQL server, made through ODBC, for the tests
// that run the same cases on SQLite and on the server, through ODBC and
// through libpq.
//
// The server comes from the environment: TWFILE_TEST_ODBC holds an ODBC
// connection string without a database ("Driver=...;Server=...;Port=...;
// UID=...;PWD=...;") for a user who may create databases; scripts/test.sh
// starts a throwaway server and sets it. Without it, in a build without
// ODBC, or on Windows, the server's tests skip and say why.
#ifndef TWFILE_TESTS_SERVER_DATABASE_H
#define TWFILE_TESTS_SERVER_DATABASE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include <twfile/sql/engine.h>

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
// again at the end, with a role of its own that is no superuser but may
// change every table and sequence the script made (as a user's everyday
// role may).
class ServerDatabase {
  public:
    explicit ServerDatabase(const std::string& script) {
        static int made = 0;
        m_name = "twfile_" + std::to_string(getpid()) + "_" + std::to_string(++made);
        m_role = m_name + "_user";
        std::random_device random;
        for (int i = 0; i < 4; ++i)
            m_password += std::to_string(random());
        Run("postgres", "CREATE DATABASE " + m_name);
        Run("postgres", "CREATE ROLE " + m_role + " LOGIN PASSWORD '" + m_password + "'");
        Run(m_name, script);
        Run(m_name, "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO " +
                        m_role + "; GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO " + m_role);
    }
    ~ServerDatabase() {
        try {
            Run("postgres", "DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
            Run("postgres", "DROP ROLE IF EXISTS " + m_role);
        } catch (const std::exception&) {
        }
    }
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    // The connection string of the database, for its own role.
    std::string Connection() const {
        std::string server;
        const std::string all = Server();
        for (std::size_t start = 0, end; start < all.size(); start = end + 1) {
            end = std::min(all.find(';', start), all.size());
            const std::string key = all.substr(start, 4);
            if (key == "UID=" || key == "PWD=") continue;
            server += all.substr(start, end - start) + ";";
        }
        return server + "UID=" + m_role + ";PWD=" + m_password + ";Database=" + m_name + ";";
    }
    // The connection string of the database for the superuser that made it.
    std::string SuperuserConnection() const { return Server() + "Database=" + m_name + ";"; }
    // The same two as libpq connection strings.
    std::string LibpqConnection() const {
        return LibpqServer() + " user=" + m_role + " password=" + m_password + " dbname=" + m_name;
    }
    std::string SuperuserLibpqConnection() const {
        return LibpqServer() + " user=" + Setting("UID") + " password='" + Setting("PWD") +
               "' dbname=" + m_name;
    }
    const std::string& Role() const { return m_role; }

    // The first value of the first row of sql, run as the superuser, as
    // text ("" for none).
    std::string Value(const std::string& sql) const { return Run(m_name, sql); }

  private:
    // The value of key in the server's ODBC connection string.
    static std::string Setting(const std::string& key) {
        const std::string all = ";" + Server();
        const std::size_t at = all.find(";" + key + "=");
        if (at == std::string::npos) return "";
        const std::size_t start = at + key.size() + 2;
        return all.substr(start, all.find(';', start) - start);
    }
    static std::string LibpqServer() {
        return "host=" + Setting("Server") + " port=" + Setting("Port");
    }
    static std::string Server() {
        std::string server = std::getenv("TWFILE_TEST_ODBC");
        if (!server.empty() && server.back() != ';') server += ';';
        return server;
    }

    static std::string Run(const std::string& database, const std::string& sql) {
        SQLHENV env = SQL_NULL_HENV;
        SQLHDBC dbc = SQL_NULL_HDBC;
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        std::string failure;
        std::string value;
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
            SQLSMALLINT columns = 0;
            if (failure.empty() && SQL_SUCCEEDED(SQLNumResultCols(stmt, &columns)) && columns > 0 &&
                SQL_SUCCEEDED(SQLFetch(stmt))) {
                char buffer[4096] = {};
                SQLLEN indicator = 0;
                if (SQL_SUCCEEDED(
                        SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator)) &&
                    indicator != SQL_NULL_DATA)
                    value = buffer;
            }
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
            SQLDisconnect(dbc);
        } else {
            failure = Diagnostic(SQL_HANDLE_DBC, dbc);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        if (!failure.empty()) throw std::runtime_error("SQL on the server failed: " + failure);
        return value;
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
    std::string m_role;
    std::string m_password;
};

#else

// Never made: NoServer() says why first.
class ServerDatabase {
  public:
    explicit ServerDatabase(const std::string&) { throw std::logic_error(NoServer()); }
    std::string Connection() const { return ""; }
    std::string SuperuserConnection() const { return ""; }
    std::string LibpqConnection() const { return ""; }
    std::string SuperuserLibpqConnection() const { return ""; }
    std::string Role() const { return ""; }
    std::string Value(const std::string&) const { return ""; }
};

#endif

// The engines the shared cases run on: SQLite, and the server through ODBC
// and through libpq (skipped, saying why, when there is none).
enum class Engine { SQLite, Odbc, Libpq };

// Why the server's tests cannot run on engine, or "" when they can.
inline std::string NoServer(Engine engine) {
#ifndef TWFILE_TEST_WITH_LIBPQ
    if (engine == Engine::Libpq) return "built without libpq";
#else
    (void)engine;
#endif
    return NoServer();
}

template <class Fixture>
class OnEngine : public Fixture, public ::testing::WithParamInterface<Engine> {
  protected:
    bool OnServer() const { return this->GetParam() != Engine::SQLite; }
    bool OnLibpq() const { return this->GetParam() == Engine::Libpq; }
    const char* ByEngine(const char* sqlite, const char* server) const {
        return OnServer() ? server : sqlite;
    }
    // On the server: a database of its own made by script; false when there
    // is no server.
    bool MakeServerDatabase(const std::string& script) {
        if (!NoServer(this->GetParam()).empty()) return false;
        m_server = std::make_unique<ServerDatabase>(script);
        return true;
    }
    // The server's engine and the text it connects with.
    std::unique_ptr<twfile::sql::Engine> ServerEngine() const {
        return OnLibpq() ? twfile::sql::MakePostgresEngine() : twfile::sql::MakeOdbcEngine();
    }
    std::string ServerTarget() const {
        return OnLibpq() ? m_server->LibpqConnection() : m_server->Connection();
    }
    // The database as qdf's --db and --schema take it.
    std::string ServerDb() const {
        return OnLibpq() ? "postgres:" + m_server->LibpqConnection()
                         : "odbc:" + m_server->Connection();
    }
    std::unique_ptr<ServerDatabase> m_server;
};

inline std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::SQLite ? "SQLite"
           : info.param == Engine::Odbc ? "PostgreSQLThroughOdbc"
                                        : "PostgreSQL";
}

}  // namespace twtest

#define TWTEST_ON_ENGINES(Suite)                                                                \
    INSTANTIATE_TEST_SUITE_P(                                                                   \
        Engines, Suite,                                                                         \
        ::testing::Values(twtest::Engine::SQLite, twtest::Engine::Odbc, twtest::Engine::Libpq), \
        twtest::EngineName)

#endif  // TWFILE_TESTS_SERVER_DATABASE_H
