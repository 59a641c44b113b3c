// The floor of qdf run through ODBC, a program of its own that the
// benchmarks run beside qdf run and psql (bench/postgres_run.cpp):
//   twfile_odbc_floor CONNECTION ROWS
// connects with the ODBC connection string, runs SELECT * FROM T and fetches
// every row as the engine fetches it (256 rows a call into bound columns),
// every value left where the driver put it and nothing written. It exits 0
// when it fetched ROWS rows. Its time beside psql's is the least any program
// that reads the rows through the driver spends.
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Connects with connection, runs SELECT * FROM T and fetches every row into
// bound columns; the number of rows, or -1 when a call failed.
long FetchAll(const std::string& connection) {
    constexpr SQLULEN kRows = 256;
    constexpr SQLLEN kText = 256;
    std::vector<SQLBIGINT> ids(kRows);
    std::vector<char> names(kRows * kText);
    std::vector<double> amounts(kRows);
    std::vector<SQLLEN> indicators(3 * kRows);
    SQLULEN fetched = 0;
    std::string text = connection;
    std::string statement = "SELECT * FROM T";
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    long rows = -1;
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        // As the engine runs it: in a transaction, rolled back at the end.
        SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
        SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        if (SQL_SUCCEEDED(
                SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(statement.data()), SQL_NTS)) &&
            SQL_SUCCEEDED(SQLBindCol(stmt, 1, SQL_C_SBIGINT, ids.data(), 0, &indicators[0])) &&
            SQL_SUCCEEDED(
                SQLBindCol(stmt, 2, SQL_C_CHAR, names.data(), kText, &indicators[kRows])) &&
            SQL_SUCCEEDED(
                SQLBindCol(stmt, 3, SQL_C_DOUBLE, amounts.data(), 0, &indicators[2 * kRows]))) {
            rows = 0;
            SQLRETURN rc = SQL_SUCCESS;
            while (SQL_SUCCEEDED(rc = SQLFetch(stmt)))
                rows += static_cast<long>(fetched);
            if (rc != SQL_NO_DATA) rows = -1;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CONNECTION ROWS\n", argv[0]);
        return 2;
    }
    const long rows = FetchAll(argv[1]);
    if (rows != std::atol(argv[2])) {
        std::fprintf(stderr, "%s: fetched %ld rows\n", argv[0], rows);
        return 1;
    }
    return 0;
}
