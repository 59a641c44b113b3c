// The checks of a condition, run through CheckCondition; the few paths that
// no condition text reaches are run on the single checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/condition/condition.h>
#include <twfile/host/error.h>

#include "support/support.h"

using Messages = std::vector<std::string>;

// A single check, for a path that CheckCondition cannot reach.
class CTWFileQDFConditionChecks {
  public:
    static int Numeric(CTWFileQDFCondition& c, char* text, int& valid) {
        return c.ValidateOperandNumeric(text, 0, valid, 1);
    }
};

namespace {

const char kBadNumber[] = "Invalid characters found in number!";
const char kNotQuoted[] = "Strings must be enclosed within single quotes";
const char kSpurious[] = "Spurious text found in Condition!";
const char kNoBrackets[] =
    "A list must be enclosed within round brackets e.g. (12,15,29) or ('abc','mno','xyz')";
const char kMissing[] = "Invalid list - missing element!";
const char kBadBool[] = "Invalid Bool - must be TRUE or FALSE (case insensitive)";

struct Case {
    TWDB_DataType type;
    std::string text;
    int valid;
    Messages shown;
    const char* unique = nullptr;  // the attribute's unique name, if not ORDERS.COL
};

// Binds each text to an attribute ORDERS.COL of the case's type and checks
// it, with and without messages: the verdict is the same, and only the first
// run shows anything.
void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        for (int show : {1, 0}) {
            CTWDB_Table table("ORDERS");
            CTWDB_Attribute attribute(&table, "COL", c.type);
            if (c.unique != nullptr) attribute.SetUniqueName(c.unique);
            CTWFileQDFCondition condition;
            int valid = -1;
            ASSERT_EQ(condition.ValidateCondition(c.text.c_str(), &attribute, valid, 0), 0);
            twtest::MessageRecorder recorder;
            EXPECT_EQ(condition.CheckCondition(valid, show), 0) << c.text;
            EXPECT_EQ(valid, c.valid) << c.text << " (type " << c.type << ")";
            EXPECT_EQ(recorder.texts(), show != 0 ? c.shown : Messages{})
                << c.text << " (type " << c.type << ")";
        }
    }
}

TEST(ConditionCheck, ParseAndAttribute) {
    const char format[] =
        "Invalid format\r\n\r\nShould be Attribute followed by Operator "
        "followed by Operand (separated by spaces)";
    const char changed[] = "The attribute name has been changed!";
    RunCases({
        {TWDB_Integer, "   ", 0, {"The Condition is empty!"}},
        {TWDB_Integer, "ORDERS.COL", 0, {format}},
        {TWDB_Integer, "ORDERS.COL >   ", 0, {format}},
        {TWDB_Integer, "  ORDERS.COL   >   5", 1, {}},
        // The operand is all the rest, inner and trailing spaces included.
        {TWDB_Integer, "ORDERS.COL > 5 AND X", 0, {kBadNumber}},
        {TWDB_Integer, "COL = 1", 0, {changed}},
        {TWDB_Integer, "orders.col = 1", 0, {changed}},
        // The unique name passes as well as the table-qualified one.
        {TWDB_Integer, "C1 = 1", 1, {}, "C1"},
        {TWDB_Integer, "ORDERS.COL = 1", 1, {}, "C1"},
    });
}

TEST(ConditionCheck, OperatorsAllowedByDataType) {
    const struct {
        TWDB_DataType type;
        const char* allowed;  // as the message lists them
        const char* operand;  // passes for every allowed operator
        const char* list;     // the same for IN
    } types[] = {
        {TWDB_Integer, "=,>,<,>=,<=,<>,IN", "5", "(5)"},
        {TWDB_String, "=,<>,IN,LIKE", "'a'", "('a')"},
        {TWDB_Bool, "=,<>", "TRUE", "TRUE"},
        {TWDB_Real, "=,>,<,>=,<=,<>,IN", "5.5", "(5.5)"},
        {TWDB_Time, "=,>,<,>=,<=,<>,IN", "12.00", "(12.00)"},
        {TWDB_Unknown, "=,<>", "x", "x"},
        {static_cast<TWDB_DataType>(6), "=,<>", "x", "x"},
    };
    std::vector<Case> cases;
    for (const auto& t : types) {
        const std::string allowed = std::string(",") + t.allowed + ",";
        for (std::string op : {"=", "<>", ">", "<", ">=", "<=", "IN", "LIKE", "like", "in", "=="}) {
            const bool ok = allowed.find("," + op + ",") != std::string::npos;
            const Messages error{std::string("Invalid Operator\r\nMust be one of: ") + t.allowed};
            cases.push_back({t.type, "ORDERS.COL " + op + " " + (op == "IN" ? t.list : t.operand),
                             ok ? 1 : 0, ok ? Messages{} : error});
        }
    }
    RunCases(cases);
}

TEST(ConditionCheck, Operands) {
    RunCases({
        {TWDB_Integer, "ORDERS.COL =  -42 ", 1, {}},
        {TWDB_Integer, "ORDERS.COL = 4 2", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = 12.50", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = <<Low>>0", 1, {}},
        {TWDB_Real, "ORDERS.COL = -12.50", 1, {}},
        {TWDB_Real, "ORDERS.COL = 1.2.3", 0, {kBadNumber}},
        {TWDB_String, "ORDERS.COL = 'O''Brien'  ", 1, {}},
        {TWDB_String, "ORDERS.COL LIKE '<<Name>>%'", 1, {}},
        {TWDB_String, "ORDERS.COL = 'abc' xyz", 0, {kSpurious}},
        {TWDB_String, "ORDERS.COL = <<Name>>", 0, {kNotQuoted}},
        {TWDB_Bool, "ORDERS.COL <> False", 1, {}},
        {TWDB_Bool, "ORDERS.COL = <<Flag>>", 1, {}},
        {TWDB_Bool, "ORDERS.COL = T", 0, {kBadBool}},
        // Lists.
        {TWDB_Integer, "ORDERS.COL IN (1, 2,,3 4)", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN (<<Low>>,<<High>>)", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN (1, ,2)", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN (1,2,)", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN ()", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN 1,2", 0, {kNoBrackets}},
        {TWDB_Integer, "ORDERS.COL IN (1.5)", 0, {kBadNumber}},
        {TWDB_Real, "ORDERS.COL IN (1.5, -2)", 1, {}},
        // A string operand with IN is checked as a list.
        {TWDB_String, "ORDERS.COL IN ('a,b', 'O''Brien','<<B>>')", 1, {}},
        {TWDB_String, "ORDERS.COL IN 'abc'", 0, {kNoBrackets}},
        {TWDB_String, "ORDERS.COL IN (abc)", 0, {kNotQuoted}},
        {TWDB_String, "ORDERS.COL IN ('abc)", 0, {kSpurious}},
        // Time and unchecked operands always pass; types without a sample
        // value are not unparameterised either.
        {TWDB_Time, "ORDERS.COL > 5 AND X", 1, {}},
        {TWDB_Time, "ORDERS.COL IN <<From>>", 1, {}},
        {TWDB_Unknown, "ORDERS.COL = <<P>>", 1, {}},
        {static_cast<TWDB_DataType>(7), "ORDERS.COL <> '<<P>>", 1, {}},
    });
}

TEST(ConditionCheck, BlankNumberHasItsOwnMessage) {
    CTWFileQDFCondition condition;
    twtest::MessageRecorder recorder;
    std::string text = "   ";
    int valid = 1;
    EXPECT_EQ(CTWFileQDFConditionChecks::Numeric(condition, text.data(), valid), 0);
    EXPECT_EQ(valid, 0);
    EXPECT_EQ(recorder.texts(), Messages{"A number was expected but no text was found!"});
}

// Failures inside the checks are swept by the condition fault campaign.
TEST(ConditionCheck, AnUnboundConditionIsRefused) {
    CTWFileQDFCondition unbound;
    int valid = 1;
    EXPECT_EQ(unbound.CheckCondition(valid, 1), ID_TWErrors_InvalidParam);
    EXPECT_EQ(valid, 0);
    CTWError::Clear();
}

}  // namespace
