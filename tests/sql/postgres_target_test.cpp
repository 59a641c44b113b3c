// PostgreSQL targets: which texts name one, how messages show them, and the
// connection string a run uses, with the document's database taken only as
// a name and only when the target names none.
#include <gtest/gtest.h>

#include <string>

#include <twfile/sql/postgres_target.h>

#include "sql/sql_support.h"

namespace {

namespace sql = twfile::sql;
using twtest::TakeError;

TEST(PostgresTarget, PasswordsAreMaskedWhereverTheTargetHoldsThem) {
    const std::pair<const char*, const char*> kCases[] = {
        {"postgresql://me:secret@db/sales", "postgresql://me:***@db/sales"},
        {"postgres://me:s%40cret@db:5432", "postgres://me:***@db:5432"},
        {"postgresql://me@db/sales?password=secret&sslmode=require",
         "postgresql://me@db/sales?password=***&sslmode=require"},
        {"postgresql://db/sales?connect_timeout=5", "postgresql://db/sales?connect_timeout=5"},
        {"postgres:host=db password=secret user=me", "postgres:host=db password=*** user=me"},
        {"postgres:password = 'it\\'s \\\\ x' dbname=s", "postgres:password = '***' dbname=s"},
        {"postgres:service=sales", "postgres:service=sales"},
        {"postgres:", "postgres:"},
    };
    for (const auto& [target, shown] : kCases) {
        EXPECT_TRUE(sql::IsPostgresTarget(target)) << target;
        EXPECT_EQ(sql::MaskedPostgresTarget(target), shown) << target;
    }
    for (const char* other : {"sales.db", "odbc:DSN=SALES", "postgresql:x", "Postgres:x"})
        EXPECT_FALSE(sql::IsPostgresTarget(other)) << other;
    EXPECT_EQ(sql::WithoutPassword("password secret failed for secret", "secret"),
              "password *** failed for ***");
    EXPECT_EQ(sql::WithoutPassword("for r", "r"), "for r");
}

#ifdef TWFILE_TEST_WITH_LIBPQ

TEST(PostgresTarget, TheDocumentNamesItsDatabaseAndNothingElse) {
    const struct {
        const char* target;
        const char* database;
        const char* connection;  // or the error's text
    } kCases[] = {
        {"postgres:host=db", "SALES", "host='db' dbname='SALES'"},
        {"postgres:host=db dbname=mine", "SALES", "dbname='mine' host='db'"},
        {"postgresql://db/mine", "SALES", "dbname='mine' host='db'"},
        {"postgresql://db", "O'Neill \\", "host='db' dbname='O\\'Neill \\\\'"},
        {"postgres:", "", ""},
        // Settings of the document's own are refused, however written.
        {"postgres:host=db", "x host=evil", "is not a database name"},
        {"postgres:host=db", "postgresql://evil/x", "is not a database name"},
        {"postgres:host=db", "a\nb", "is not a database name"},
        // What libpq cannot read, its password hidden.
        {"postgres:host=db password=secret bogus=1", "", "invalid connection option"},
        {"postgresql://me:secret@db/x?bogus=1", "", "postgresql://me:***@db/x?bogus=1"},
    };
    for (const auto& c : kCases) {
        std::string connection;
        const bool made = sql::PostgresConnection(c.target, c.database, connection) >= 0;
        const std::string error = made ? "" : TakeError();
        if (made) {
            EXPECT_EQ(connection, c.connection) << c.target;
        } else {
            EXPECT_EQ(connection, "");
            EXPECT_NE(error.find(c.connection), std::string::npos) << error;
            EXPECT_EQ(error.find("secret"), std::string::npos) << error;
        }
    }
}

#endif

}  // namespace
