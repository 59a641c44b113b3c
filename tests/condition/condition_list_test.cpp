// The condition list: order by attribute name, membership, removal and
// deletion.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include <twfile/condition/condition_list.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

namespace fault = win32::fault;

namespace {

using Elements = std::vector<const void*>;

Elements Of(const CPtrList& list) {
    Elements elements;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        elements.push_back(list.GetNext(pos));
    return elements;
}

// A condition that counts its destruction.
class CountedCondition : public CTWFileQDFCondition {
  public:
    explicit CountedCondition(int* deleted) : m_deleted(deleted) {}
    ~CountedCondition() override { ++*m_deleted; }

  private:
    int* m_deleted;
};

// Conditions on attributes of table T that live as long as the fixture; a
// null name gives a condition without an attribute.
class ConditionListTest : public ::testing::Test {
  protected:
    CTWFileQDFCondition* On(const char* name, CTWDB_Table* table = nullptr) {
        CTWFileQDFCondition* condition = &m_conditions.emplace_back();
        if (name != nullptr)
            condition->SetAttribute(&m_attributes.emplace_back(table != nullptr ? table : &m_table,
                                                               name, TWDB_Integer));
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
    EXPECT_EQ(Of(list), (Elements{a1, a2, b, c, z, lower, high}));
}

TEST_F(ConditionListTest, ConditionWithoutAttributeSortsAsTheEmptyNameAndHasNoTable) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* a = On("A");
    CTWFileQDFCondition* unbound = On(nullptr);
    list.CPtrList::AddTail(nullptr);  // skipped by Insert
    ASSERT_EQ(list.Insert(a), 0);
    ASSERT_EQ(list.Insert(unbound), 0);
    EXPECT_EQ(Of(list), (Elements{nullptr, unbound, a}));

    CTWFileQDFConditionList unboundOnly;
    unboundOnly.AddTail(unbound);
    EXPECT_EQ(unboundOnly.InList(&m_table), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

TEST_F(ConditionListTest, RefusedAndFailedAdditionsLeaveTheListUnchanged) {
    const char insertFailed[] = "Unable to insert Condition object into Condition list";
    const char appendFailed[] = "Unable to add Condition object to tail of Condition list";
    const struct {
        const char* name;  // null: a null condition; else a new node is needed
        bool insert;
        const char* message;
    } cases[] = {
        {nullptr, false, insertFailed}, {nullptr, true, insertFailed}, {"Z", false, appendFailed},
        {"Z", true, appendFailed},      {"A", true, insertFailed},  // before an element
    };
    for (const auto& c : cases) {
        CTWFileQDFConditionList list;
        for (int k = 0; k < 10; ++k)  // fills the first block of nodes
            ASSERT_EQ(list.Insert(On("M")), 0);
        const Elements before = Of(list);
        {
            fault::ScopedDisarm disarm;
            fault::Arm(fault::Kind::ListNode, 1);
            CTWFileQDFCondition* added = c.name != nullptr ? On(c.name) : nullptr;
            EXPECT_EQ(c.insert ? list.Insert(added) : list.AddTail(added), -1);
        }
        EXPECT_STREQ(CTWError::GetMessage(), c.message);
        EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFConditionList"),
                  std::string::npos);
        EXPECT_EQ(Of(list), before);
        CTWError::Clear();
        EXPECT_EQ(list.Insert(On("N")), 0);  // still usable
    }
}

TEST_F(ConditionListTest, MembershipRemovalAndDeletion) {
    int deleted = 0;
    auto* twice = new CountedCondition(&deleted);
    auto* other = new CountedCondition(&deleted);
    CTWFileQDFConditionList list;
    EXPECT_EQ(list.InList(twice), 0);  // empty list
    for (auto* condition : {twice, other, twice})
        ASSERT_EQ(list.AddTail(condition), 0);
    EXPECT_EQ(list.InList(twice), 1);
    EXPECT_EQ(list.InList(On(nullptr)), 0);  // identity, not content
    EXPECT_EQ(list.InList(static_cast<CTWFileQDFCondition*>(nullptr)), 0);

    EXPECT_EQ(list.Remove(twice), 0);  // every occurrence
    EXPECT_EQ(Of(list), (Elements{other}));
    EXPECT_EQ(list.RemoveAll(), 0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(deleted, 0);

    list.AddTail(twice);
    list.CPtrList::AddTail(nullptr);
    list.AddTail(other);
    EXPECT_EQ(list.DeleteAll(), 0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(deleted, 2);
}

TEST_F(ConditionListTest, InListByTable) {
    CTWDB_Table other("U");
    CTWFileQDFConditionList list;
    EXPECT_EQ(list.InList(&m_table), 0);  // empty list
    ASSERT_EQ(list.AddTail(On("A", &other)), 0);
    EXPECT_EQ(list.InList(&m_table), 0);
    ASSERT_EQ(list.AddTail(On("B")), 0);
    EXPECT_EQ(list.InList(&m_table), 1);  // the owner of the last condition
    EXPECT_EQ(list.InList(static_cast<CTWDB_Table*>(nullptr)), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);

    // A failing schema, then a null element, stop the walk with an error.
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Schema, 1);
        EXPECT_EQ(list.InList(&m_table), 0);
    }
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    list.CPtrList::AddHead(nullptr);
    EXPECT_EQ(list.InList(&m_table), 0);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFConditionList"), std::string::npos);
}

}  // namespace
