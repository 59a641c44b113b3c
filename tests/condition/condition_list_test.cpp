// The condition list: order by attribute name, membership, removal and
// deletion.
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include <twfile/condition/condition_list.h>

#include "condition/list_behaviour.h"

namespace {

using twtest::Elements;
using twtest::ElementsOf;

const char kInsertFailed[] = "Unable to insert Condition object into Condition list";
const char kSource[] = "TWFileQDFConditionList";

// Conditions on attributes of table T that live as long as the fixture; a
// null name gives a condition without an attribute.
class ConditionListTest : public ::testing::Test {
  protected:
    CTWFileQDFCondition* On(const char* name) {
        CTWFileQDFCondition* condition = &m_conditions.emplace_back();
        if (name != nullptr)
            condition->SetAttribute(&m_attributes.emplace_back(&m_table, name, TWDB_Integer));
        return condition;
    }

    CTWDB_Table m_table{"T"};
    std::deque<CTWDB_Attribute> m_attributes;
    std::deque<CTWFileQDFCondition> m_conditions;
};

TEST_F(ConditionListTest, InsertKeepsAttributeNameOrderAndInsertionOrderForEqualNames) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* b = On("B");
    CTWFileQDFCondition* a1 = On("A");
    CTWFileQDFCondition* c = On("C");
    CTWFileQDFCondition* a2 = On("A");
    CTWFileQDFCondition* lower = On("a");  // lower case sorts after upper case
    CTWFileQDFCondition* z = On("Z");
    CTWFileQDFCondition* high = On("\xE9");  // bytes compare unsigned
    for (auto* condition : {b, a1, c, a2, lower, z, high})
        ASSERT_EQ(list.Insert(condition), 0);
    EXPECT_EQ(ElementsOf(list), (Elements{a1, a2, b, c, z, lower, high}));
}

TEST_F(ConditionListTest, ConditionWithoutAttributeSortsAsTheEmptyNameAndHasNoTable) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* a = On("A");
    CTWFileQDFCondition* unbound = On(nullptr);
    list.CPtrList::AddTail(nullptr);  // skipped by Insert
    ASSERT_EQ(list.Insert(a), 0);
    ASSERT_EQ(list.Insert(unbound), 0);
    EXPECT_EQ(ElementsOf(list), (Elements{nullptr, unbound, a}));

    CTWFileQDFConditionList unboundOnly;
    unboundOnly.AddTail(unbound);
    EXPECT_EQ(unboundOnly.InList(&m_table), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

TEST_F(ConditionListTest, NullIsRefused) {
    twtest::ExpectNullRefused<CTWFileQDFConditionList, CTWFileQDFCondition>(kInsertFailed, kSource);
    CTWFileQDFConditionList list;
    ASSERT_EQ(list.Insert(On("M")), 0);
    EXPECT_EQ(list.Insert(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), kInsertFailed);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(ConditionList, MembershipRemovalAndDeletion) {
    twtest::ExpectMembershipRemovalAndDeletion<CTWFileQDFConditionList, CTWFileQDFCondition>();
}

TEST(ConditionList, InListByTable) {
    twtest::ExpectInListByTable<CTWFileQDFConditionList, CTWFileQDFCondition>(
        [](CTWFileQDFCondition& condition, CTWDB_Attribute* attribute) {
            condition.SetAttribute(attribute);
        },
        kSource);
}

}  // namespace
