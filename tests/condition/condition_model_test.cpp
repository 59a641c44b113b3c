// The condition's model: operators, binding, accessors and SQL text.
#include <gtest/gtest.h>

#include <string>

#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

namespace fault = win32::fault;

namespace {

std::string Text(const char* text) {
    return text != nullptr ? text : "<null>";
}

TEST(ConditionOperator, TextOfEveryValue) {
    const struct {
        int value;
        const char* text;
    } cases[] = {{0, ""},
                 {1, "="},
                 {2, "<>"},
                 {3, "<"},
                 {4, ">"},
                 {5, "<="},
                 {6, ">="},
                 {7, "IN"},
                 {8, "LIKE"},
                 {9, "Error!!!"},
                 {-1, "Error!!!"},
                 {42, "Error!!!"},
                 {-2147483647 - 1, "Error!!!"}};
    for (const auto& c : cases) {
        const auto op = static_cast<TWFileQDFConditionOperator>(c.value);
        EXPECT_STREQ(CTWFileQDFCondition::GetOperatorText(op), c.text) << c.value;
        CTWFileQDFCondition condition;
        EXPECT_EQ(condition.SetOperator(op), 0);
        EXPECT_EQ(condition.GetOperator(), op);
        EXPECT_STREQ(condition.GetOperatorText(), c.text) << c.value;
    }
}

TEST(Condition, StartsEmpty) {
    CTWFileQDFCondition condition;
    EXPECT_EQ(condition.GetAttribute(), nullptr);
    EXPECT_EQ(condition.GetAttributeName(), nullptr);
    EXPECT_EQ(condition.GetUniqueAttributeName(), nullptr);
    EXPECT_STREQ(condition.GetOperand(), "");
    EXPECT_EQ(condition.GetOperator(), Operator_None);
    EXPECT_STREQ(condition.GetOperatorText(), "");
    EXPECT_STREQ(condition.GetConditionAttributeName().GetString(), "");
    EXPECT_EQ(condition.GetUnParameterisedOperand(), nullptr);
}

TEST(Condition, ValidateConditionBindsAndAcceptsEveryText) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    for (const char* text : {"ORDERS.QTY > 5", "", "   ", "nonsense", "QTY LIKE 'x'"}) {
        CTWFileQDFCondition condition;
        condition.SetOperator(Operator_Like);
        int valid = 0;
        EXPECT_EQ(condition.ValidateCondition(text, &qty, valid, 1), 0) << text;
        EXPECT_EQ(valid, 1) << text;
        EXPECT_EQ(condition.GetAttribute(), &qty);
        EXPECT_STREQ(condition.GetOperand(), text);
        EXPECT_STREQ(condition.GetText(), text);
        EXPECT_EQ(condition.GetOperator(), Operator_Like);
        EXPECT_STREQ(condition.GetAttributeName(), "QTY");
        EXPECT_STREQ(condition.GetUniqueAttributeName(), "ORDERS.QTY");
        EXPECT_STREQ(condition.GetConditionAttributeName().GetString(), "QTY");
    }
}

TEST(Condition, ValidateConditionRefusesNullArgumentsAndChangesNothing) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWDB_Attribute other(&orders, "OTHER", TWDB_Integer);
    const struct {
        const char* text;
        CTWDB_Attribute* attribute;
    } cases[] = {{"OTHER = 1", nullptr}, {nullptr, &other}, {nullptr, nullptr}};
    for (const auto& c : cases) {
        CTWFileQDFCondition condition;
        int valid = 0;
        ASSERT_EQ(condition.ValidateCondition("ORDERS.QTY = 2", &qty, valid, 0), 0);
        valid = 7;
        EXPECT_EQ(condition.ValidateCondition(c.text, c.attribute, valid, 0),
                  ID_TWErrors_InvalidParam);
        EXPECT_STREQ(CTWError::GetMessage(), IDS_TWErrors_InvalidParam);
        EXPECT_EQ(valid, 7);
        EXPECT_EQ(condition.GetAttribute(), &qty);
        EXPECT_STREQ(condition.GetOperand(), "ORDERS.QTY = 2");
        EXPECT_STREQ(condition.GetConditionAttributeName().GetString(), "QTY");
        CTWError::Clear();
    }
}

TEST(Condition, ValidateConditionWithoutMemoryChangesNothing) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWDB_Attribute price(&orders, "PRICE", TWDB_Real);
    for (unsigned long nth : {1ul, 2ul}) {
        CTWFileQDFCondition condition;
        int valid = 0;
        ASSERT_EQ(condition.ValidateCondition("ORDERS.QTY = 2", &qty, valid, 0), 0);
        valid = 7;
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::String, nth);
        EXPECT_EQ(condition.ValidateCondition("ORDERS.PRICE = 2.5", &price, valid, 0),
                  ID_TWErrors_MemoryAlloc);
        fault::Disarm();
        EXPECT_EQ(valid, 7);
        EXPECT_EQ(condition.GetAttribute(), &qty);
        EXPECT_STREQ(condition.GetOperand(), "ORDERS.QTY = 2");
        EXPECT_STREQ(condition.GetConditionAttributeName().GetString(), "QTY");
        CTWError::Clear();
    }
}

TEST(Condition, CapturedAttributeNameSurvivesSetAttributeAndInitialise) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWDB_Attribute price(&orders, "PRICE", TWDB_Real);
    CTWFileQDFCondition condition;
    int valid = 0;
    ASSERT_EQ(condition.ValidateCondition("ORDERS.QTY = 2", &qty, valid, 0), 0);
    condition.SetOperator(Operator_Equal);

    EXPECT_EQ(condition.SetAttribute(&price), 0);
    EXPECT_STREQ(condition.GetAttributeName(), "PRICE");
    EXPECT_STREQ(condition.GetConditionAttributeName().GetString(), "QTY");

    EXPECT_EQ(condition.Initialise(), 0);
    EXPECT_EQ(condition.GetAttribute(), nullptr);
    EXPECT_EQ(condition.GetOperator(), Operator_None);
    EXPECT_STREQ(condition.GetOperand(), "");
    EXPECT_STREQ(condition.GetConditionAttributeName().GetString(), "QTY");

    EXPECT_EQ(condition.SetAttribute(nullptr), 0);
    EXPECT_EQ(condition.GetAttributeName(), nullptr);
}

TEST(Condition, StrLenCountsCharactersBeforeTheNul) {
    const struct {
        const char* text;
        int length;
    } cases[] = {{"", 0}, {"abc", 3}, {"a\0b", 1}, {"ORDERS.QTY > 5", 14}};
    for (const auto& c : cases) {
        int length = -1;
        int characters = -1;
        EXPECT_EQ(CTWFileQDFCondition::StrLen(c.text, length, characters), 0);
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(characters, c.length);
    }
    int length = -1;
    int characters = -1;
    EXPECT_EQ(CTWFileQDFCondition::StrLen(nullptr, length, characters), ID_TWErrors_InvalidParam);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(characters, 0);
}

TEST(Condition, FullNameTextPutsTheTableNameInFrontUnlessQualified) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWDB_Table customer("CUSTOMER");
    CTWDB_Attribute name(&customer, "NAME", TWDB_Integer);
    const struct {
        CTWDB_Attribute* attribute;
        const char* text;
        const char* full;
    } cases[] = {
        {&name, "NAME = 1", "CUSTOMER.NAME = 1"},
        {&name, "CUSTOMER.NAME = 1", "CUSTOMER.NAME = 1"},
        {&qty, "ORDERS.QTY > 5", "ORDERS.QTY > 5"},
        // A beginning of the table name before the first "." counts as
        // qualified.
        {&qty, "ORD.QTY > 5", "ORD.QTY > 5"},
        {&qty, "QTY > 5", "ORDERS.QTY > 5"},
        {&qty, ".QTY > 5", ".QTY > 5"},
        // The part before the first "." is longer than the table name, or
        // differs from it.
        {&qty, "ORDERSX.QTY > 5", "ORDERS.ORDERSX.QTY > 5"},
        {&qty, "QTY > 5.5", "ORDERS.QTY > 5.5"},
        {&qty, "orders.QTY > 5", "ORDERS.orders.QTY > 5"},
        {&qty, "", "ORDERS."},
    };
    for (const auto& c : cases) {
        CTWFileQDFCondition condition;
        int valid = 0;
        ASSERT_EQ(condition.ValidateCondition(c.text, c.attribute, valid, 0), 0);
        EXPECT_EQ(Text(condition.GetFullNameText()), c.full) << c.text;
        EXPECT_EQ(Text(condition.GetText()), c.text);
    }
}

TEST(Condition, FullNameTextIsTheTextWithoutATableName) {
    CTWDB_Table unnamed(nullptr);
    CTWDB_Attribute inUnnamed(&unnamed, "QTY", TWDB_Integer);
    CTWDB_Attribute withoutOwner(nullptr, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    condition.SetOperand("QTY > 5");
    EXPECT_STREQ(condition.GetFullNameText(), "QTY > 5");  // no attribute
    for (CTWDB_Attribute* attribute : {&inUnnamed, &withoutOwner}) {
        condition.SetAttribute(attribute);
        EXPECT_STREQ(condition.GetFullNameText(), "QTY > 5");
    }
}

TEST(Condition, FullNameTextPassesOnAFailingSchema) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    int valid = 0;
    ASSERT_EQ(condition.ValidateCondition("QTY > 5", &qty, valid, 0), 0);
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::Schema, 1);
    EXPECT_EQ(condition.GetFullNameText(), nullptr);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFCondition"), std::string::npos);
}

TEST(Condition, BufferGrowsOnlyWhenATextDoesNotFit) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    condition.SetAttribute(&qty);
    // Each step: operand, whether the full name is asked for, allocations.
    const struct {
        const char* operand;
        bool full;
        unsigned long allocations;
    } steps[] = {
        {"QTY > 5", false, 1},         // 7 characters: 8 bytes
        {"Q > 5", false, 0},           // shorter: reused
        {"QTY < 7", false, 0},         // same length: fits with its NUL
        {"QTY > 50", false, 1},        // 8 characters: 9 bytes
        {"QTY > 5", true, 1},          // ORDERS.QTY > 5: 14 characters
        {"ORDERS.QTY = 1", false, 0},  // the same length
        {"", false, 0},                // never shrinks
    };
    for (const auto& step : steps) {
        condition.SetOperand(step.operand);
        fault::StartCounting();
        const char* text = step.full ? condition.GetFullNameText() : condition.GetText();
        EXPECT_EQ(fault::Calls(fault::Kind::Buffer), step.allocations) << step.operand;
        ASSERT_NE(text, nullptr);
        fault::Disarm();
    }
}

TEST(Condition, FailedBufferAllocationLeavesTheConditionUsable) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    for (bool full : {false, true}) {
        CTWFileQDFCondition condition;
        condition.SetAttribute(&qty);
        const auto get = [&] { return full ? condition.GetFullNameText() : condition.GetText(); };

        // The first allocation fails: nothing to return.
        condition.SetOperand("QTY > 5");
        {
            fault::ScopedDisarm disarm;
            fault::Arm(fault::Kind::Buffer, 1);
            EXPECT_EQ(get(), nullptr);
        }
        EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
        EXPECT_STREQ(CTWError::GetMessage(), IDS_TWErrors_UnExpected);
        CTWError::Clear();

        // A buffer exists; growing it fails; a later shorter text must not be
        // written through the lost buffer.
        ASSERT_NE(get(), nullptr);
        condition.SetOperand("QTY > 5 AND A LONGER TEXT");
        {
            fault::ScopedDisarm disarm;
            fault::Arm(fault::Kind::Buffer, 1);
            EXPECT_EQ(get(), nullptr);
        }
        CTWError::Clear();
        condition.SetOperand("Q");
        const char* text = get();
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, full ? "ORDERS.Q" : "Q");
        EXPECT_EQ(CTWError::GetNumber(), 0);
    }
}

}  // namespace
