// The checks of a condition, run through CheckCondition; the few paths that
// no condition text reaches are run on the single checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "support/support.h"

namespace fault = win32::fault;
using Messages = std::vector<std::string>;

// The single checks, for the paths that CheckCondition cannot reach.
class CTWFileQDFConditionChecks {
  public:
    static int Numeric(CTWFileQDFCondition& c, char* text, int decimal, int& valid, int show) {
        return c.ValidateOperandNumeric(text, decimal, valid, show);
    }
    static int List(CTWFileQDFCondition& c, char* text, TWDB_DataType type, int& valid, int show) {
        return c.ValidateOperandList(text, type, valid, show);
    }
    static int Attribute(CTWFileQDFCondition& c, CTWDB_Attribute* a, int& valid) {
        return c.ValidateAttribute(a, valid, 1);
    }
    static int Operator(CTWFileQDFCondition& c, CTWDB_Attribute* a, int& valid) {
        return c.ValidateOperator(a, valid, 1);
    }
    static int Operand(CTWFileQDFCondition& c, CTWDB_Attribute* a, int& valid) {
        return c.ValidateOperand(a, valid, 1);
    }
};

namespace {

const char kEmpty[] = "The Condition is empty!";
const char kFormat[] =
    "Invalid format\r\n\r\nShould be Attribute followed by Operator followed by Operand "
    "(separated by spaces)";
const char kAttributeChanged[] = "The attribute name has been changed!";
const char kNotQuoted[] = "Strings must be enclosed within single quotes";
const char kSpurious[] = "Spurious text found in Condition!";
const char kBadBool[] = "Invalid Bool - must be TRUE or FALSE (case insensitive)";
const char kNoNumber[] = "A number was expected but no text was found!";
const char kBadNumber[] = "Invalid characters found in number!";
const char kNoBrackets[] =
    "A list must be enclosed within round brackets e.g. (12,15,29) or ('abc','mno','xyz')";
const char kMissing[] = "Invalid list - missing element!";

std::string InvalidOperator(const char* list) {
    return std::string("Invalid Operator\r\nMust be one of: ") + list;
}

// One attribute ORDERS.COL of the given type, a condition bound to it, and
// the messages its checks show.
class Checked {
  public:
    explicit Checked(TWDB_DataType type) : m_table("ORDERS"), m_attribute(&m_table, "COL", type) {}

    // Binds text and runs the checks; returns valid.
    int Check(const char* text, int showMessages = 1) {
        int valid = -1;
        EXPECT_EQ(m_condition.ValidateCondition(text, &m_attribute, valid, 0), 0);
        m_recorder.clear();
        m_status = m_condition.CheckCondition(valid, showMessages);
        return valid;
    }
    Messages messages() const { return m_recorder.texts(); }
    int status() const { return m_status; }
    CTWFileQDFCondition& condition() { return m_condition; }
    CTWDB_Attribute& attribute() { return m_attribute; }

  private:
    CTWDB_Table m_table;
    CTWDB_Attribute m_attribute;
    CTWFileQDFCondition m_condition;
    twtest::MessageRecorder m_recorder;
    int m_status = 0;
};

struct Case {
    TWDB_DataType type;
    const char* text;
    int valid;
    Messages messages;
};

// Every case runs with and without messages: the verdict is the same, and
// only the first run shows anything.
void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        for (int show : {1, 0}) {
            Checked checked(c.type);
            EXPECT_EQ(checked.Check(c.text, show), c.valid) << c.text << " (type " << c.type << ")";
            EXPECT_EQ(checked.status(), 0) << c.text;
            EXPECT_EQ(checked.messages(), show != 0 ? c.messages : Messages{})
                << c.text << " (type " << c.type << ")";
        }
    }
}

TEST(ConditionCheck, ParseSplitsAtSpacesIntoThreeTokens) {
    RunCases({
        {TWDB_Integer, "   ", 0, {kEmpty}},
        {TWDB_Integer, "", 0, {kEmpty}},
        {TWDB_Integer, "ORDERS.COL", 0, {kFormat}},
        {TWDB_Integer, "ORDERS.COL ", 0, {kFormat}},
        {TWDB_Integer, "ORDERS.COL >", 0, {kFormat}},
        {TWDB_Integer, "ORDERS.COL >   ", 0, {kFormat}},
        {TWDB_Integer, "  ORDERS.COL   >   5", 1, {}},
        // The operand is all the rest, inner and trailing spaces included.
        {TWDB_Integer, "ORDERS.COL > 5 AND X", 0, {kBadNumber}},
        {TWDB_String, "ORDERS.COL = 'a  b'  ", 1, {}},
        {TWDB_Time, "ORDERS.COL > 5 AND X", 1, {}},
    });
}

TEST(ConditionCheck, AttributeTokenMustNameTheBoundAttribute) {
    RunCases({
        {TWDB_Integer, "ORDERS.COL = 1", 1, {}},
        {TWDB_Integer, "COL = 1", 0, {kAttributeChanged}},
        {TWDB_Integer, "orders.col = 1", 0, {kAttributeChanged}},
        {TWDB_Integer, "ORDERS.COLUMN = 1", 0, {kAttributeChanged}},
    });

    // Either the unique name or the table-qualified name passes.
    Checked checked(TWDB_Integer);
    checked.attribute().SetUniqueName("C1");
    EXPECT_EQ(checked.Check("C1 = 1"), 1);
    EXPECT_EQ(checked.Check("ORDERS.COL = 1"), 1);
    EXPECT_EQ(checked.Check("COL = 1"), 0);
}

TEST(ConditionCheck, OperatorsAllowedByDataType) {
    // What each data type allows, as the message lists it.
    const struct {
        TWDB_DataType type;
        const char* allowed;
        const char* operand;  // an operand that passes for every allowed operator
        const char* list;     // the same for IN
    } types[] = {
        {TWDB_Integer, "=,>,<,>=,<=,<>,IN", "5", "(5)"},
        {TWDB_String, "=,<>,IN,LIKE", "'a'", "('a')"},
        {TWDB_Bool, "=,<>", "TRUE", "TRUE"},
        {TWDB_Real, "=,>,<,>=,<=,<>,IN", "5.5", "(5.5)"},
        {TWDB_Time, "=,>,<,>=,<=,<>,IN", "12.00", "(12.00)"},
        {TWDB_Unknown, "=,<>", "x", "x"},
        {static_cast<TWDB_DataType>(6), "=,<>", "x", "x"},
        {static_cast<TWDB_DataType>(7), "=,<>", "x", "x"},
    };
    const char* operators[] = {"=",    "<>",   ">",  "<",  ">=", "<=", "IN",
                               "LIKE", "like", "in", "==", "=>", "!="};
    for (const auto& t : types) {
        const std::string allowed = std::string(",") + t.allowed + ",";
        for (const char* op : operators) {
            const bool ok = allowed.find(std::string(",") + op + ",") != std::string::npos;
            const std::string text = std::string("ORDERS.COL ") + op + " " +
                                     (std::string(op) == "IN" ? t.list : t.operand);
            Checked checked(t.type);
            EXPECT_EQ(checked.Check(text.c_str()), ok ? 1 : 0) << text << " type " << t.type;
            EXPECT_EQ(checked.status(), 0) << text;
            EXPECT_EQ(checked.messages(), ok ? Messages{} : Messages{InvalidOperator(t.allowed)})
                << text << " type " << t.type;
        }
    }
}

TEST(ConditionCheck, NumericOperands) {
    RunCases({
        {TWDB_Integer, "ORDERS.COL = -42", 1, {}},
        {TWDB_Integer, "ORDERS.COL =  -42 ", 1, {}},
        {TWDB_Integer, "ORDERS.COL = 4 2", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = 12.50", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = +7", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = 1e5", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = 1,000", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL = <<Low>>", 1, {}},
        {TWDB_Integer, "ORDERS.COL = <<Low>>0", 1, {}},
        {TWDB_Real, "ORDERS.COL = 12.50", 1, {}},
        {TWDB_Real, "ORDERS.COL = -7", 1, {}},
        {TWDB_Real, "ORDERS.COL = .5", 1, {}},
        {TWDB_Real, "ORDERS.COL = 1.2.3", 0, {kBadNumber}},
        {TWDB_Real, "ORDERS.COL = -<<Min>>", 1, {}},
    });
}

TEST(ConditionCheck, StringOperands) {
    RunCases({
        {TWDB_String, "ORDERS.COL = 'abc'", 1, {}},
        {TWDB_String, "ORDERS.COL = 'O''Brien'", 1, {}},
        {TWDB_String, "ORDERS.COL = 'abc'   ", 1, {}},
        {TWDB_String, "ORDERS.COL LIKE 'AB%'", 1, {}},
        {TWDB_String, "ORDERS.COL = 'abc' xyz", 0, {kSpurious}},
        {TWDB_String, "ORDERS.COL = abc", 0, {kNotQuoted}},
        {TWDB_String, "ORDERS.COL = abc'", 0, {kNotQuoted}},
        {TWDB_String, "ORDERS.COL = '<<Name>>'", 1, {}},
        {TWDB_String, "ORDERS.COL = <<Name>>", 0, {kNotQuoted}},
    });
}

TEST(ConditionCheck, StringCheckEndsTheOperandAfterItsLastQuote) {
    Checked checked(TWDB_String);
    EXPECT_EQ(checked.Check("ORDERS.COL = 'abc'   "), 1);
    EXPECT_STREQ(checked.condition().GetUnParameterisedOperand(), "'abc'");
    // The condition's own text is not changed by the checks.
    EXPECT_STREQ(checked.condition().GetText(), "ORDERS.COL = 'abc'   ");
}

TEST(ConditionCheck, BoolOperands) {
    RunCases({
        {TWDB_Bool, "ORDERS.COL = TRUE", 1, {}},
        {TWDB_Bool, "ORDERS.COL = true", 1, {}},
        {TWDB_Bool, "ORDERS.COL <> False", 1, {}},
        {TWDB_Bool, "ORDERS.COL = <<Flag>>", 1, {}},
        {TWDB_Bool, "ORDERS.COL = T", 0, {kBadBool}},
        {TWDB_Bool, "ORDERS.COL = TRUE ", 0, {kBadBool}},
        {TWDB_Bool, "ORDERS.COL = TRUEX", 0, {kBadBool}},
    });
}

TEST(ConditionCheck, TimeAndUncheckedOperandsAlwaysPass) {
    RunCases({
        {TWDB_Time, "ORDERS.COL = anything at all", 1, {}},
        {TWDB_Time, "ORDERS.COL IN no list", 1, {}},
        {TWDB_Time, "ORDERS.COL = <<From>>", 1, {}},
        {TWDB_Unknown, "ORDERS.COL = anything", 1, {}},
        {TWDB_Unknown, "ORDERS.COL = <<P>>", 1, {}},
        {static_cast<TWDB_DataType>(7), "ORDERS.COL <> 'x", 1, {}},
    });
}

TEST(ConditionCheck, ListOperands) {
    RunCases({
        {TWDB_Integer, "ORDERS.COL IN (1, 2,3)", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN (1,,2)", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN (1 2)", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN ( 1 , 2 )", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN (<<Low>>,<<High>>)", 1, {}},
        {TWDB_Integer, "ORDERS.COL IN (1, ,2)", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN (1,2,)", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN (,1)", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN ()", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN ( )", 0, {kMissing}},
        {TWDB_Integer, "ORDERS.COL IN 1,2", 0, {kNoBrackets}},
        {TWDB_Integer, "ORDERS.COL IN (1,2", 0, {kNoBrackets}},
        {TWDB_Integer, "ORDERS.COL IN (", 0, {kNoBrackets}},
        {TWDB_Integer, "ORDERS.COL IN (1,2) ", 0, {kNoBrackets}},
        {TWDB_Integer, "ORDERS.COL IN (1,x)", 0, {kBadNumber}},
        {TWDB_Integer, "ORDERS.COL IN (1.5)", 0, {kBadNumber}},
        {TWDB_Real, "ORDERS.COL IN (1.5, -2)", 1, {}},
        {TWDB_Real, "ORDERS.COL IN (1.5.5)", 0, {kBadNumber}},
        {TWDB_String, "ORDERS.COL IN ('a,b','c')", 1, {}},
        {TWDB_String, "ORDERS.COL IN ('a', 'b' , 'O''Brien')", 1, {}},
        {TWDB_String, "ORDERS.COL IN ('<<A>>','<<B>>')", 1, {}},
        {TWDB_String, "ORDERS.COL IN (abc)", 0, {kNotQuoted}},
        {TWDB_String, "ORDERS.COL IN ('abc)", 0, {kSpurious}},
        {TWDB_String, "ORDERS.COL IN ('a','b',)", 0, {kMissing}},
        // A single string with IN is not a list.
        {TWDB_String, "ORDERS.COL IN 'abc'", 0, {kNoBrackets}},
    });
}

TEST(ConditionCheck, EmptyNumberHasItsOwnMessage) {
    CTWFileQDFCondition condition;
    twtest::MessageRecorder recorder;
    for (const char* text : {"", "   "}) {
        std::string copy = text;
        int valid = 1;
        EXPECT_EQ(CTWFileQDFConditionChecks::Numeric(condition, copy.data(), 0, valid, 1), 0);
        EXPECT_EQ(valid, 0);
    }
    EXPECT_EQ(recorder.texts(), (Messages{kNoNumber, kNoNumber}));

    // A check that finds valid already 0 does nothing.
    recorder.clear();
    std::string bad = "x";
    int valid = 0;
    EXPECT_EQ(CTWFileQDFConditionChecks::Numeric(condition, bad.data(), 0, valid, 1), 0);
    EXPECT_TRUE(recorder.texts().empty());
}

TEST(ConditionCheck, ListRestoresItsTextAndRefusesOtherElementTypes) {
    CTWFileQDFCondition condition;
    std::string list = "( 1 ,2,, 3 )";
    int valid = 1;
    EXPECT_EQ(CTWFileQDFConditionChecks::List(condition, list.data(), TWDB_Integer, valid, 0), 0);
    EXPECT_EQ(valid, 1);
    EXPECT_EQ(list, "( 1 ,2,, 3 )");

    for (TWDB_DataType type : {TWDB_Bool, TWDB_Time, TWDB_Unknown}) {
        valid = 1;
        EXPECT_EQ(CTWFileQDFConditionChecks::List(condition, list.data(), type, valid, 0),
                  ID_TWErrors_InvalidParam);
        CTWError::Clear();
    }
}

TEST(ConditionCheck, SingleChecksRefuseANullAttributeAndLeaveValid) {
    CTWFileQDFCondition condition;
    for (auto check : {&CTWFileQDFConditionChecks::Attribute, &CTWFileQDFConditionChecks::Operator,
                       &CTWFileQDFConditionChecks::Operand}) {
        int valid = 7;
        EXPECT_EQ(check(condition, nullptr, valid), ID_TWErrors_InvalidParam);
        EXPECT_EQ(valid, 7);
        CTWError::Clear();
    }
}

TEST(ConditionCheck, CheckingAnUnboundConditionIsAnError) {
    CTWFileQDFCondition condition;
    condition.SetOperand("ORDERS.COL = 1");
    int valid = 1;
    EXPECT_EQ(condition.CheckCondition(valid, 1), ID_TWErrors_InvalidParam);
    EXPECT_EQ(valid, 0);
}

TEST(ConditionCheck, ErrorsDuringTheChecksLeaveTheConditionInvalidAndUsable) {
    const struct {
        fault::Kind kind;
        unsigned long nth;
        int error;
    } faults[] = {
        {fault::Kind::Buffer, 1, ID_TWErrors_UnExpected},  // the working copy
        {fault::Kind::Buffer, 2, ID_TWErrors_UnExpected},  // the operand buffer
        {fault::Kind::Schema, 1, ID_TWErrors_UnExpected},  // the qualified name
        {fault::Kind::Schema, 2, ID_TWErrors_UnExpected},  // the type, for the operator
        {fault::Kind::Schema, 3, ID_TWErrors_UnExpected},  // the type, for the operand
    };
    for (const auto& f : faults) {
        Checked checked(TWDB_Integer);
        checked.attribute().SetUniqueName("C1");
        {
            fault::ScopedDisarm disarm;
            fault::Arm(f.kind, f.nth);
            EXPECT_EQ(checked.Check("ORDERS.COL = 1"), 0)
                << fault::KindName(f.kind) << " " << f.nth;
            EXPECT_EQ(checked.status(), f.error);
        }
        CTWError::Clear();
        EXPECT_EQ(checked.Check("ORDERS.COL = 1"), 1);
        EXPECT_EQ(checked.status(), 0);
    }
}

TEST(ConditionCheck, TooManyParametersInTheOperandIsAnError) {
    std::string text = "ORDERS.COL IN (";
    for (int k = 0; k < 19; ++k)
        text += k == 0 ? "<<P>>" : ",<<P>>";
    text += ")";
    Checked checked(TWDB_Integer);
    EXPECT_EQ(checked.Check(text.c_str()), 0);
    EXPECT_EQ(checked.status(), ID_TWErrors_UnExpected);
}

}  // namespace
