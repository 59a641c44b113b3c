// The statement a document selects: its shape, where parameter values come
// from, which markers become placeholders, and how values are checked and
// typed.
#include <gtest/gtest.h>

#include <twfile/sql/parameters.h>
#include <twfile/sql/statement.h>

#include "sql/sql_support.h"

namespace {

namespace sql = twfile::sql;
using twtest::OrdersQuery;
using twtest::TakeError;

class StatementTest : public ::testing::Test {
  protected:
    StatementTest() { twtest::AddSalesSchema(m_schema); }

    // The statement's text, or "error: " and the error's text.
    std::string Build(const sql::QuerySource& source, const sql::ParameterValues& values = {}) {
        if (sql::BuildStatement(source, &m_schema, values, m_statement) < 0)
            return "error: " + TakeError();
        return m_statement.text;
    }

    sql::Schema m_schema;
    sql::Statement m_statement;
};

TEST_F(StatementTest, GeneratedShape) {
    sql::QuerySource source;
    source.tables = {"ORDERS", "CUSTOMERS"};
    EXPECT_EQ(Build(source), "SELECT * FROM ORDERS, CUSTOMERS");

    source.attributes = {"ORDERS.ORDER_NO", "ORDERS.NAME", "CUSTOMERS.ORDER_NO"};
    source.nonDisplayAttributes = {"CUSTOMERS.ORDER_NO"};
    source.joins = {"ORDERS.ORDER_NO = CUSTOMERS.ORDER_NO"};
    source.conditions = {"CUSTOMERS.REGION = 'NORTH'", "ORDERS.ORDER_NO > 1"};
    source.dynamicSort = "ORDERS.NAME DESC";
    EXPECT_EQ(Build(source),
              "SELECT ORDERS.ORDER_NO, ORDERS.NAME FROM ORDERS, CUSTOMERS WHERE "
              "(ORDERS.ORDER_NO = CUSTOMERS.ORDER_NO) AND (CUSTOMERS.REGION = 'NORTH') AND "
              "(ORDERS.ORDER_NO > 1) ORDER BY ORDERS.NAME DESC");

    // Every attribute hidden: all columns.
    source.nonDisplayAttributes = source.attributes;
    source.joins.clear();
    source.conditions = {"ORDERS.ORDER_NO > 1"};
    source.dynamicSort.clear();
    EXPECT_EQ(Build(source), "SELECT * FROM ORDERS, CUSTOMERS WHERE (ORDERS.ORDER_NO > 1)");

    source.tables.clear();
    EXPECT_EQ(Build(source), "error: the document names no tables");

    // The edited SQL, when selected, is the statement, lines as they are.
    source.editedSQLSelected = true;
    source.editedSQL = "SELECT NAME\r\nFROM ORDERS -- <<NotAParameter>>\r\nWHERE ORDER_NO = <<No>>";
    EXPECT_EQ(Build(source, {{"No", "2"}}),
              "SELECT NAME\r\nFROM ORDERS -- <<NotAParameter>>\r\nWHERE ORDER_NO = ?");
    EXPECT_EQ(m_statement.bindings.at(0).type, TWDB_Unknown);
}

TEST_F(StatementTest, ValuesComeFromTheCallerThenTheFirstDefault) {
    sql::QuerySource source = OrdersQuery({"ORDERS.NAME = <<Name>>", "ORDERS.ORDER_NO > <<Min>>"});
    // An entry without "=" is no entry; the first entry of a name wins.
    source.defaultValues = {"Min", "Min=7", "Min=8", "Name=Alder"};
    Build(source, {{"Name", "Birch"}});
    ASSERT_EQ(m_statement.bindings.size(), 2u) << TakeError();
    EXPECT_EQ(m_statement.bindings[0].text, "Birch");
    EXPECT_FALSE(m_statement.bindings[0].fromDefault);
    EXPECT_EQ(m_statement.bindings[1].value.integer, 7);
    EXPECT_TRUE(m_statement.bindings[1].fromDefault);

    // Split at the first "=".
    source.defaultValues = {"Min=1=2"};
    EXPECT_NE(Build(source, {{"Name", "B"}}).find("the value \"1=2\""), std::string::npos);
    EXPECT_EQ(Build(source, {{"Min", "3"}}), "error: the parameter \"Name\" has no value");
}

TEST_F(StatementTest, MarkersBecomePlaceholdersSplicesOrErrors) {
    const struct {
        std::vector<std::string> conditions;
        const char* statementWhere;  // or "error: ..." (a part of it)
    } kCases[] = {
        {{"ORDERS.NAME = <<V>>"}, "(ORDERS.NAME = ?)"},
        {{"ORDERS.NAME IN (<<V>>, 'x',<<V>>)"}, "(ORDERS.NAME IN (?, 'x',?))"},
        {{"ORDERS.NAME = '<<V>>'"}, "(ORDERS.NAME = ?)"},
        {{"ORDERS.NAME LIKE '<<V>>%'"}, "(ORDERS.NAME LIKE ('' || ? || '%'))"},
        {{"ORDERS.NAME LIKE '%<<V>><<V>>_'"}, "(ORDERS.NAME LIKE ('%' || ? || ? || '_'))"},
        {{"ORDERS.NAME = \"<<V>>\""}, "error: the parameter <<V>> stands inside a quoted name"},
        {{"ORDERS.ORDER_NO = <<V>>0"}, "error: the parameter <<V>> is not a whole literal"},
        {{"ORDERS.ORDER_NO = x<<V>>"}, "error: the parameter <<V>> is not a whole literal"},
        {{"ORDERS.<<V>> = 1"}, "error: the parameter <<V>> is not a whole literal"},
        {{"ORDERS.NAME = X'<<V>>'"}, "error: the parameter <<V>> stands in a string with a prefix"},
        {{"ORDERS.NAME LIKE N'<<V>>%'"}, "error: the parameter <<V>> stands in a string with a"},
        {{"ORDERS.ORDER_NO = 1 /* <<V>> */"}, "(ORDERS.ORDER_NO = 1 /* <<V>> */)"},
        {{"ORDERS.ORDER_NO << 2 = 4"}, "(ORDERS.ORDER_NO << 2 = 4)"},
        // The string the first condition opens ends at the second one's
        // quote: the text is read as the engine reads it, never as if the
        // marker stood inside a string.
        {{"ORDERS.NAME = 'a", "ORDERS.NAME LIKE '<<V>>%'"},
         "error: cannot read the SQL text for SQLite: a string that is not closed"},
        {{"ORDERS.ORDER_NO = 1); DELETE FROM ORDERS; --"},
         "error: the text holds more than one statement"},
    };
    for (const auto& c : kCases) {
        const std::string text = Build(OrdersQuery(c.conditions), {{"V", "it's"}});
        const std::string expected = c.statementWhere;
        if (expected.rfind("error", 0) == 0) {
            EXPECT_EQ(text.rfind(expected, 0), 0u) << c.conditions.back() << ": " << text;
        } else {
            EXPECT_EQ(text, "SELECT ORDERS.ORDER_NO FROM ORDERS WHERE " + expected)
                << c.conditions.back();
        }
    }
}

TEST_F(StatementTest, ValuesAreCheckedAndTypedByTheAttribute) {
    const struct {
        const char* condition;
        const char* value;
        sql::Value::Kind kind;  // Null: refused
        const char* literal;    // or a part of the error
    } kCases[] = {
        {"ORDERS.ORDER_NO = <<V>>", " -42 ", sql::Value::Kind::Integer, "-42"},
        {"ORDERS.ORDER_NO = <<V>>", "1 OR 1=1", sql::Value::Kind::Null,
         "the parameter \"V\": the value \"1 OR 1=1\" is not a valid integer: Invalid characters"},
        {"ORDERS.ORDER_NO = <<V>>", "12.5", sql::Value::Kind::Null, "not a valid integer"},
        {"ORDERS.ORDER_NO = <<V>>", "-", sql::Value::Kind::Null, "is not a number"},
        {"ORDERS.ORDER_NO = <<V>>", "99999999999999999999", sql::Value::Kind::Null,
         "out of the range"},
        {"ORDERS.ORDER_NO IN (<<V>>)", " ", sql::Value::Kind::Null, "is empty, not an integer"},
        {"ORDERS.AMOUNT > <<V>>", "100", sql::Value::Kind::Real, "100.0"},
        {"ORDERS.AMOUNT > <<V>>", "-0.25", sql::Value::Kind::Real, "-0.25"},
        {"ORDERS.AMOUNT > <<V>>", "300000", sql::Value::Kind::Real, "300000.0"},
        {"ORDERS.AMOUNT > <<V>>", ".", sql::Value::Kind::Null, "is not a number"},
        {"ORDERS.AMOUNT > <<V>>", "1e5", sql::Value::Kind::Null, "not a valid real"},
        {"ORDERS.PAID = <<V>>", "true", sql::Value::Kind::Integer, "TRUE"},
        {"ORDERS.PAID = <<V>>", "FALSE", sql::Value::Kind::Integer, "FALSE"},
        {"ORDERS.PAID = <<V>>", "1", sql::Value::Kind::Null, "not a valid bool"},
        {"ORDERS.NAME = '<<V>>'", "O'Neill; --", sql::Value::Kind::Text, "'O''Neill; --'"},
        {"ORDERS.DAY >= <<V>>", "2024-01-01", sql::Value::Kind::Text, "'2024-01-01'"},
    };
    for (const auto& c : kCases) {
        const std::string text = Build(OrdersQuery({c.condition}), {{"V", c.value}});
        if (c.kind == sql::Value::Kind::Null) {
            EXPECT_NE(text.find(c.literal), std::string::npos)
                << c.condition << " " << c.value << ": " << text;
            continue;
        }
        ASSERT_EQ(m_statement.bindings.size(), 1u) << c.condition << " " << c.value << ": " << text;
        EXPECT_EQ(m_statement.bindings[0].value.kind, c.kind) << c.value;
        EXPECT_EQ(sql::SqlLiteral(m_statement.bindings[0]), c.literal) << c.value;
    }
    // A value with a NUL byte never gets through, bound or spliced.
    for (const char* condition : {"ORDERS.NAME = '<<V>>'", "ORDERS.NAME LIKE '<<V>>%'"}) {
        EXPECT_NE(Build(OrdersQuery({condition}), {{"V", std::string("a\0b", 3)}})
                      .find("holds a NUL byte"),
                  std::string::npos);
    }
}

// Joined to a string's text by the dialect's own means, and written in for
// the dialect only where that is certain.
TEST_F(StatementTest, EachDialectJoinsAndWritesValuesItsOwnWay) {
    using D = sql::Dialect;
    const struct {
        D dialect;
        const char* condition;
        const char* value;
        const char* where;    // or "error: " and a part of it
        const char* inlined;  // or "refused: " and a part of inlineRefusal
    } kCases[] = {
        {D::PostgreSQL, "ORDERS.NAME LIKE 'a''<<V>>%'", "\\' OR 1=1 --",
         "(ORDERS.NAME LIKE ('a''' || ? || '%'))",
         "(ORDERS.NAME LIKE ('a''' || E'\\\\'' OR 1=1 --' || '%'))"},
        {D::PostgreSQL, "ORDERS.NAME = '<<V>>'", "it's", "(ORDERS.NAME = ?)",
         "(ORDERS.NAME = 'it''s')"},
        {D::PostgreSQL, "ORDERS.NAME = <<V>>", "\xFF", "(ORDERS.NAME = ?)", "refused: not UTF-8"},
        {D::Odbc, "ORDERS.NAME LIKE '<<V>>%<<V>>'", "x",
         "(ORDERS.NAME LIKE {fn CONCAT({fn CONCAT({fn CONCAT({fn CONCAT('', ?)}, '%')}, ?)}, '')})",
         "(ORDERS.NAME LIKE {fn CONCAT({fn CONCAT({fn CONCAT({fn CONCAT('', 'x')}, '%')}, "
         "'x')}, '')})"},
        {D::Odbc, "ORDERS.NAME = <<V>>", "a\\", "(ORDERS.NAME = ?)", "refused: backslash"},
        {D::PostgreSQL, "ORDERS.NAME LIKE E'<<V>>%'", "x",
         "error: stands in a string with a prefix", ""},
        {D::PostgreSQL, "ORDERS.NAME LIKE $$<<V>>%$$", "x",
         "error: stands in a string with a prefix", ""},
        {D::PostgreSQL, "ORDERS.NAME LIKE 'a\\_<<V>>'", "x", "error: standard_conforming_strings",
         ""},
    };
    for (const auto& c : kCases) {
        sql::Statement& st = m_statement;
        const int status = sql::BuildStatement(OrdersQuery({c.condition}), &m_schema,
                                               {{"V", c.value}}, c.dialect, st);
        const std::string where = c.where;
        if (where.rfind("error: ", 0) == 0) {
            EXPECT_LT(status, 0) << c.condition;
            EXPECT_NE(TakeError().find(where.substr(7)), std::string::npos) << c.condition;
            continue;
        }
        ASSERT_GE(status, 0) << c.condition << ": " << TakeError();
        const std::string prefix = "SELECT ORDERS.ORDER_NO FROM ORDERS WHERE ";
        EXPECT_EQ(st.text, prefix + where) << c.condition;
        const std::string inlined = c.inlined;
        if (inlined.rfind("refused: ", 0) == 0) {
            EXPECT_EQ(st.inlineText, "") << c.condition;
            EXPECT_NE(st.inlineRefusal.find(inlined.substr(9)), std::string::npos)
                << st.inlineRefusal;
            EXPECT_NE(st.inlineRefusal.find("\"V\""), std::string::npos) << st.inlineRefusal;
        } else {
            EXPECT_EQ(st.inlineText, prefix + inlined) << c.condition;
        }
    }
}

TEST_F(StatementTest, MarkersOutsideConditionsTakeTheTypeOfTheirName) {
    sql::QuerySource source = OrdersQuery({"ORDERS.AMOUNT > <<Min>>"});
    source.editedSQLSelected = true;
    source.editedSQL = "SELECT * FROM ORDERS WHERE AMOUNT > <<Min>> AND NAME <> <<Other>>";
    EXPECT_NE(Build(source, {{"Min", "x"}, {"Other", "x"}}).find("not a valid real"),
              std::string::npos);
    Build(source, {{"Min", "5"}, {"Other", "x"}});
    ASSERT_EQ(m_statement.bindings.size(), 2u);
    EXPECT_EQ(m_statement.bindings[0].type, TWDB_Real);
    EXPECT_EQ(m_statement.bindings[1].type, TWDB_Unknown);
    EXPECT_EQ(m_statement.inlineText, "SELECT * FROM ORDERS WHERE AMOUNT > 5.0 AND NAME <> 'x'");

    // Without a schema every value is text, unchecked.
    ASSERT_GE(sql::BuildStatement(OrdersQuery({"ORDERS.AMOUNT > <<Min>>"}), nullptr, {{"Min", "x"}},
                                  m_statement),
              0);
    EXPECT_EQ(m_statement.bindings.at(0).value.kind, sql::Value::Kind::Text);
}

// Each use of each marker, where it stands, what it compares and whether a
// run still needs a value for it.
TEST_F(StatementTest, ParameterUsesNameTheirPlaceTypeAndDefault) {
    sql::QuerySource source = OrdersQuery({"ORDERS.AMOUNT > <<Min>>", "ORDERS.NAME LIKE '<<N>>%'"});
    source.joins = {"ORDERS.ORDER_NO = <<J>>"};
    source.editedSQL = "SELECT 1 -- <<Commented>>\nWHERE <<E>> = 1";
    source.dynamicSort = "<<Min>>";
    source.defaultValues = {"Min=5", "Min=6", "Minimum=7"};
    std::vector<sql::ParameterUse> uses;
    ASSERT_GE(sql::ListParameters(source, &m_schema, sql::Dialect::SQLite, uses), 0);
    std::string shown;
    for (const sql::ParameterUse& use : uses) {
        shown += use.name + "@" + use.place + ":" + use.attribute + ":" + std::to_string(use.type) +
                 ":" + (use.hasDefault ? use.defaultValue : "-") +
                 (use.needsValue() ? ":needs" : "") + (use.inStatement ? "" : ":unused") + " ";
    }
    EXPECT_EQ(shown,
              "Min@conditions[0]:ORDERS.AMOUNT:4:5 N@conditions[1]:ORDERS.NAME:2:-:needs "
              "J@joins[0]::0:-:needs E@editedSQL::0:-:unused Min@dynamicSort::0:5 ");
    source.editedSQLSelected = true;
    ASSERT_GE(sql::ListParameters(source, nullptr, sql::Dialect::SQLite, uses), 0);
    EXPECT_TRUE(uses.at(3).needsValue());
    EXPECT_FALSE(uses.at(1).needsValue());
    EXPECT_EQ(uses.at(0).type, TWDB_Unknown);
}

// How each dialect reads SQL text, seen through the statement check that
// every engine runs before it prepares a text: where strings, names and
// comments end, what is refused as uncertain, and what a statement may hold.
TEST(StatementCheck, EachDialectReadsQuotesAndCommentsAsItsServerDoes) {
    const char* const several = "the text holds more than one statement";
    const char* const writes = "the statement would change the database";
    constexpr int S = 1, P = 2, O = 4, All = S | P | O;
    // A text, the dialects that accept it, and those that refuse it with an
    // error holding refusal ("": any error).
    const struct {
        std::string text;
        int accepted;
        int refused;
        const char* refusal;
    } kCases[] = {
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
    for (const auto& c : kCases) {
        for (int i = 0; i < 3; ++i) {
            const std::string result =
                sql::CheckStatement(c.text, kDialects[i]) < 0 ? TakeError() : "ok";
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
