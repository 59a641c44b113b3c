// The condition: operators, binding, SQL text, parameters and their buffers.
#include <gtest/gtest.h>

#include <string>

#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include "testing/fault_switch.h"

namespace fault = win32::fault;

namespace {

std::string Text(const char* text) {
    return text != nullptr ? text : "<null>";
}

// Attributes of table ORDERS, one of each type, and a condition to use them on.
class ConditionTest : public ::testing::Test {
  protected:
    CTWDB_Table m_orders{"ORDERS"};
    CTWDB_Attribute m_qty{&m_orders, "QTY", TWDB_Integer};
    CTWDB_Attribute m_name{&m_orders, "NAME", TWDB_String};
    CTWDB_Attribute m_flag{&m_orders, "FLAG", TWDB_Bool};
    CTWDB_Attribute m_price{&m_orders, "PRICE", TWDB_Real};
    CTWDB_Attribute m_time{&m_orders, "AT", TWDB_Time};
    CTWDB_Attribute m_unknown{&m_orders, "U", TWDB_Unknown};
    CTWFileQDFCondition m_condition;
};

TEST(ConditionOperator, TextOfEveryValue) {
    const char* texts[] = {"", "=", "<>", "<", ">", "<=", ">=", "IN", "LIKE"};
    for (int value : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1, 42}) {
        const auto op = static_cast<TWFileQDFConditionOperator>(value);
        const char* text = value >= 0 && value <= 8 ? texts[value] : "Error!!!";
        EXPECT_STREQ(CTWFileQDFCondition::GetOperatorText(op), text) << value;
        CTWFileQDFCondition condition;
        EXPECT_EQ(condition.SetOperator(op), 0);
        EXPECT_STREQ(condition.GetOperatorText(), text) << value;
    }
}

TEST_F(ConditionTest, ValidateConditionBindsAnyTextOrChangesNothing) {
    m_condition.SetOperator(Operator_Like);
    int valid = 0;
    ASSERT_EQ(m_condition.ValidateCondition("nonsense", &m_qty, valid, 1), 0);
    EXPECT_EQ(valid, 1);
    EXPECT_EQ(m_condition.GetOperator(), Operator_Like);
    EXPECT_STREQ(m_condition.GetUniqueAttributeName(), "ORDERS.QTY");
    // A null argument, or no memory for either copy of a text.
    for (auto [text, attribute, failingCopy] : {std::tuple{"PRICE = 1", &m_price, 1ul},
                                                {"PRICE = 1", &m_price, 2ul},
                                                {"PRICE = 1", nullptr, 0ul},
                                                {nullptr, &m_price, 0ul}}) {
        valid = 7;
        {
            fault::ScopedDisarm disarm;
            if (failingCopy != 0) fault::Arm(fault::Kind::String, failingCopy);
            EXPECT_EQ(m_condition.ValidateCondition(text, attribute, valid, 0),
                      failingCopy != 0 ? ID_TWErrors_MemoryAlloc : ID_TWErrors_InvalidParam);
        }
        EXPECT_EQ(valid, 7);
        EXPECT_EQ(m_condition.GetAttribute(), &m_qty);
        EXPECT_STREQ(m_condition.GetOperand(), "nonsense");
        CTWError::Clear();
    }
    // The name captured by ValidateCondition survives SetAttribute and
    // Initialise.
    EXPECT_EQ(m_condition.SetAttribute(&m_price), 0);
    EXPECT_EQ(m_condition.Initialise(), 0);
    EXPECT_EQ(m_condition.GetAttributeName(), nullptr);
    EXPECT_EQ(m_condition.GetOperator(), Operator_None);
    EXPECT_STREQ(m_condition.GetOperand(), "");
    EXPECT_STREQ(m_condition.GetConditionAttributeName().GetString(), "QTY");
}

TEST(Condition, StrLenCountsCharactersBeforeTheNulAndRefusesNull) {
    int length = -1;
    int characters = -1;
    EXPECT_EQ(CTWFileQDFCondition::StrLen("a\0b", length, characters), 0);
    EXPECT_EQ(length + characters, 2);
    EXPECT_EQ(CTWFileQDFCondition::StrLen(nullptr, length, characters), ID_TWErrors_InvalidParam);
    EXPECT_EQ(length + characters, 0);
}

TEST_F(ConditionTest, FullNameTextPutsTheTableNameInFrontUnlessQualified) {
    CTWDB_Table unnamed(nullptr);
    CTWDB_Attribute inUnnamed(&unnamed, "QTY", TWDB_Integer);
    const struct {
        CTWDB_Attribute* attribute;
        const char* text;
        const char* full;
    } cases[] = {
        {&m_qty, "QTY > 5", "ORDERS.QTY > 5"},
        {&m_qty, "ORDERS.QTY > 5", "ORDERS.QTY > 5"},
        {&m_qty, "ORD.QTY > 5", "ORD.QTY > 5"},  // a beginning of the table name
        {&m_qty, ".QTY > 5", ".QTY > 5"},
        {&m_qty, "ORDERSX.QTY > 5.5", "ORDERS.ORDERSX.QTY > 5.5"},
        {nullptr, "QTY > 5", "QTY > 5"},  // no table name to put in front
        {&inUnnamed, "QTY > 5", "QTY > 5"},
    };
    for (const auto& c : cases) {
        m_condition.SetAttribute(c.attribute);
        m_condition.SetOperand(c.text);
        EXPECT_EQ(Text(m_condition.GetFullNameText()), c.full) << c.text;
        EXPECT_EQ(Text(m_condition.GetText()), c.text);
    }
}

// After a failed allocation the buffer is null with size 0: the next call
// allocates again, whatever length it needs.
TEST_F(ConditionTest, TextBufferGrowsOnlyWhenNeededAndSurvivesFailedAllocations) {
    m_condition.SetAttribute(&m_qty);
    const struct {
        const char* operand;
        bool full, fail;
        unsigned long allocations;
        const char* text;
    } steps[] = {
        {"QTY > 5", false, true, 1, "<null>"},
        {"QTY > 5", false, false, 1, "QTY > 5"},        // 8 bytes
        {"QTY < 7", false, false, 0, "QTY < 7"},        // fits with its NUL
        {"QTY > 5", true, false, 1, "ORDERS.QTY > 5"},  // 15 bytes
        {"QTY > 5 AND MORE", true, true, 1, "<null>"},
        {"Q", true, false, 1, "ORDERS.Q"},
        {"", false, false, 0, ""},  // never shrinks
    };
    for (const auto& step : steps) {
        m_condition.SetOperand(step.operand);
        fault::ScopedDisarm disarm;
        step.fail ? fault::Arm(fault::Kind::Buffer, 1) : fault::StartCounting();
        EXPECT_EQ(Text(step.full ? m_condition.GetFullNameText() : m_condition.GetText()),
                  step.text);
        EXPECT_EQ(fault::Calls(fault::Kind::Buffer), step.allocations) << step.operand;
        EXPECT_STREQ(CTWError::GetMessage(), step.fail ? IDS_TWErrors_UnExpected : "");
        CTWError::Clear();
    }
    // A failing schema is passed on; the earlier text stays.
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::Schema, 1);
    EXPECT_EQ(Text(m_condition.GetFullNameText()), "");
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFCondition"), std::string::npos);
}

// Parameter names and sample values; at most 18 parameters, with names of at
// most 1023 characters, else nothing is added or written.
TEST_F(ConditionTest, ParametersAndTheirSampleValues) {
    std::string eighteen;
    for (int k = 0; k < 18; ++k)
        eighteen += "<<P" + std::to_string(k) + ">>,";
    const struct {
        CTWDB_Attribute* attribute;
        std::string text;
        int keys;          // names in the map
        const char* name;  // one of them
        const char* sample;
        int error;  // of both operations, unless the type has no sample value
    } cases[] = {
        {&m_qty, "(<<Low>>,<<High>>)", 2, "Low", "(1,1)", 0},
        {&m_name, "'<<Name>>'", 1, "Name", "'ABC'", 0},
        {&m_name, "<<Name>>", 1, "Name", "ABC", 0},
        {&m_flag, "<<Flag>>", 1, "Flag", "TRUE", 0},
        {&m_price, "<<Min>>", 1, "Min", "1.0", 0},
        {&m_time, "<<From>> and <<From>>", 1, "From", "12.00 and 12.00", 0},
        {&m_qty, "<<>>", 0, nullptr, "<<>>", 0},  // four characters hold no parameter
        {&m_qty, "'<<>>'", 1, "", "'1'", 0},
        {&m_qty, "<<A<<B>>", 1, "B", "<<A1", 0},
        {&m_qty, "A>> B <<C", 0, nullptr, "A>> B <<C", 0},
        {&m_qty, eighteen, 18, "P17", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,", 0},
        {&m_qty, "<<" + std::string(1023, 'n') + ">>", 1, nullptr, "1", 0},
        {&m_qty, eighteen + "<<P>>", 0, nullptr, "earlier", ID_TWErrors_UnExpected},
        {&m_qty, "<<A>><<" + std::string(1024, 'n') + ">>", 0, nullptr, "earlier",
         ID_TWErrors_InvalidParam},
        {&m_unknown, "<<P>>", 1, "P", "earlier", ID_TWErrors_UnExpected},
    };
    for (const auto& c : cases) {
        CMapStringToString map;
        EXPECT_EQ(m_condition.GetParameterMap(c.text.c_str(), &map),
                  c.attribute == &m_unknown ? 0 : c.error);
        EXPECT_EQ(map.GetCount(), c.keys) << c.text;
        CString value;
        EXPECT_TRUE(c.name == nullptr || (map.Lookup(c.name, value) && value == "")) << c.text;
        CTWError::Clear();
        ASSERT_EQ(m_condition.UnParameteriseOperand("earlier", &m_qty), 0);
        EXPECT_EQ(m_condition.UnParameteriseOperand(c.text.c_str(), c.attribute), c.error);
        EXPECT_STREQ(m_condition.GetUnParameterisedOperand(), c.sample) << c.text;
        CTWError::Clear();
    }
}

TEST_F(ConditionTest, ParameterMapOfTheConditionsTextKeepsOtherKeys) {
    int valid = 0;
    ASSERT_EQ(m_condition.ValidateCondition("QTY IN (<<Low>>,<<High>>)", &m_qty, valid, 0), 0);
    CMapStringToString map;
    map.SetAt("Low", "10");
    map.SetAt("Other", "x");
    EXPECT_EQ(m_condition.GetParameterMap(&map), 0);
    EXPECT_EQ(map.GetCount(), 3);
    CString value;
    EXPECT_TRUE(map.Lookup("Low", value) && value == "");
    EXPECT_TRUE(map.Lookup("Other", value) && value == "x");
    // Null arguments are refused.
    EXPECT_EQ(m_condition.GetParameterMap(nullptr, &map), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(m_condition.UnParameteriseOperand("<<A>>", nullptr), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    // A map that cannot grow, nor the error take its text.
    fault::ScopedDisarm disarm;
    fault::ArmFrom(fault::Kind::String, 1);
    EXPECT_EQ(m_condition.GetParameterMap("<<Name>>", &map), ID_TWErrors_MemoryAlloc);
}

TEST_F(ConditionTest, OperandBufferGrowsToTheExactSizeAndSurvivesFailures) {
    const struct {
        const char* operand;
        bool fail;
        unsigned long allocations;
    } steps[] = {
        {"<<T>>", false, 1},  // 12.00: 6 bytes
        {"abcde", false, 0}, {"abcdef", false, 1}, {"a much longer operand <<A>>", true, 1},
        {"<<T>>", false, 1},  // shorter than the lost buffer: allocated again
        {"", false, 0},       // never shrinks
    };
    for (const auto& step : steps) {
        fault::ScopedDisarm disarm;
        step.fail ? fault::Arm(fault::Kind::Buffer, 1) : fault::StartCounting();
        EXPECT_EQ(m_condition.UnParameteriseOperand(step.operand, &m_time),
                  step.fail ? ID_TWErrors_UnExpected : 0);
        EXPECT_EQ(fault::Calls(fault::Kind::Buffer), step.allocations) << step.operand;
        EXPECT_EQ(m_condition.GetUnParameterisedOperand() == nullptr, step.fail);
        CTWError::Clear();
    }
}

}  // namespace
