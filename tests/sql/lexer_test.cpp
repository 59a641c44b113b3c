// How each dialect reads SQL text, seen through the statement check that
// every engine runs before it prepares a text: where strings, names and
// comments end, what is refused as uncertain, and what a statement may hold.
#include <gtest/gtest.h>

#include <string>

#include <twfile/sql/statement.h>

#include "support/support.h"

namespace {

namespace sql = twfile::sql;
using twtest::TakeError;

// "ok", or the error's text.
std::string Check(const std::string& text, sql::Dialect dialect) {
    return sql::CheckStatement(text, dialect) < 0 ? TakeError() : "ok";
}

constexpr int S = 1, P = 2, O = 4, All = S | P | O;

// A text, the dialects that accept it, and those that refuse it with an
// error holding refusal ("": any error).
struct Case {
    std::string text;
    int accepted;
    int refused;
    const char* refusal;
};

TEST(StatementCheck, EachDialectReadsQuotesAndCommentsAsItsServerDoes) {
    const char* const several = "the text holds more than one statement";
    const char* const writes = "the statement would change the database";
    const Case kCases[] = {
        // The attacks that ran on a server: each hides a second statement
        // from a reading that does not know the server's quotes. SQLite
        // reads them as one statement, as it does.
        {"SELECT $$'$$ AS a; DELETE FROM victim WHERE id = 1; COMMIT; SELECT $$'$$ AS b", S, P | O,
         ""},
        {"SELECT E'\\'' AS a; DELETE FROM victim; COMMIT; SELECT E'\\'' AS b", S, P | O, ""},
        {"/* /* */ SELECT */ COPY (SELECT 1) TO '/tmp/x'", 0, All, ""},
        {"SELECT 1 -- \r; DELETE FROM victim", S, P | O, ""},
        // Quotes doubled, and what each dialect quotes with.
        {"SELECT 'a'';' AS \";\"\"\" FROM t", All, 0, ""},
        {"SELECT `a;` FROM t", S, P | O, ""},
        {"SELECT [a;] FROM t", S, P | O, ""},
        {"SELECT a[';'] FROM t", S | P, O, "quoted name holding"},
        {"SELECT E'a\\'b;' FROM t", P, S | O, ""},
        {"SELECT e'\\\\' FROM t", S | P, O, "backslash"},
        {"SELECT x'00', N'a' FROM t", All, 0, ""},
        {"SELECT 'a\\'; DELETE FROM t; --'", 0, All, ""},
        {"SELECT 'a\\' FROM t", S, P | O, "backslash in a '...' string"},
        {"SELECT \"a\\\" FROM t", S | P, O, "quoted name holding \"\\\""},
        {"SELECT $tag$ ; ' $$ $tag$ FROM t", P, S | O, ""},
        {"SELECT a$b, $1 FROM t", All, 0, ""},
        {"SELECT 1$$;$$", P, S | O, ""},
        {"SELECT $a$ $b$ ; $a$", P, S | O, ""},
        {"SELECT U&'\\0041' FROM t", S, P | O, "U&'...'"},
        {"SELECT q'[a]' FROM dual", S | P, O, "q'...'"},
        // Comments: nested in PostgreSQL alone; MySQL's that run, and its
        // "#" and "--" that needs a blank.
        {"SELECT 1 /* a /* b */ ; DELETE FROM t; */", P, S | O, ""},
        {"SELECT 1 /* a /* b */ */", S | P, O, "comment opened inside a comment"},
        {"SELECT 1 /*! ; DROP TABLE t */", S | P, O, "MySQL runs"},
        {"SELECT 1 # 2", S | P, O, "\"#\""},
        {"SELECT 1 --1\n", S | P, O, "two minus signs"},
        {"SELECT 1 -- the end", All, 0, ""},
        {"SELECT 1 -- the end\r\n;\r\n", All, 0, ""},
        {"SELECT 1 /* not closed", 0, All, "comment that is not closed"},
        {"SELECT 'not closed", 0, All, "string that is not closed"},
        {"SELECT \"not closed", 0, All, "quoted name that is not closed"},
        {std::string("SELECT 1\0; DROP TABLE t", 23), 0, All, "NUL"},
        // One statement that only reads.
        {"  ( SELECT 1 ) ;; -- done\n ;", All, 0, ""},
        {"WITH a AS (SELECT 1) SELECT * FROM a", All, 0, ""},
        {"VALUES (1)", All, 0, ""},
        {"TABLE t", P | O, S, writes},
        {"SELECT 1; SELECT 2", 0, All, several},
        {"-- nothing\n;", 0, All, "the statement is empty"},
        {"DELETE FROM t", 0, All, "(it starts with DELETE)"},
        {"EXPLAIN ANALYZE SELECT 1", 0, All, writes},
        {"WITH d AS (DELETE FROM t RETURNING *) SELECT * FROM d", 0, All, "(it holds DELETE)"},
        {"SELECT * INTO copy FROM t", 0, All, "INTO"},
        {"SELECT * FROM t FOR UPDATE", 0, All, "UPDATE"},
        {"SELECT * FROM t FOR share", 0, All, "share"},
        {"SELECT nextval('s')", 0, All, "nextval"},
        {"SELECT \"nextval\"('s')", 0, All, "nextval"},
        {"SELECT pg_catalog.set_config('a', 'b', false)", 0, All, "set_config"},
        {"SELECT load_extension('x')", 0, All, "load_extension"},
        {"SELECT 'DELETE', \"update\" FROM t /* INSERT */", All, 0, ""},
    };
    const sql::Dialect kDialects[] = {sql::Dialect::SQLite, sql::Dialect::PostgreSQL,
                                      sql::Dialect::Odbc};
    for (const Case& c : kCases) {
        for (int i = 0; i < 3; ++i) {
            const std::string result = Check(c.text, kDialects[i]);
            const std::string where = std::string(sql::DialectName(kDialects[i])) + ": " + c.text;
            if (c.accepted & (1 << i)) {
                EXPECT_EQ(result, "ok") << where;
            }
            if (c.refused & (1 << i)) {
                EXPECT_NE(result, "ok") << where;
                EXPECT_NE(result.find(c.refusal), std::string::npos) << where << ": " << result;
            }
        }
    }
}

}  // namespace
