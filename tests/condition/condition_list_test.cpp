// The condition list: order by attribute name, membership, removal and
// deletion.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <twfile/condition/condition_list.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

namespace fault = win32::fault;

namespace {

const char kInsertFailed[] = "Unable to insert Condition object into Condition list";
const char kAppendFailed[] = "Unable to add Condition object to tail of Condition list";

// A condition that counts its destruction.
class CountedCondition : public CTWFileQDFCondition {
  public:
    explicit CountedCondition(int* deleted) : m_deleted(deleted) {}
    ~CountedCondition() override { ++*m_deleted; }

  private:
    int* m_deleted;
};

// Attributes of table T by name, and conditions on them that live as long
// as the fixture.
class ConditionListTest : public ::testing::Test {
  protected:
    ConditionListTest() : m_table("T"), m_other("U") {}

    CTWFileQDFCondition* On(const char* name, CTWDB_Table* table = nullptr) {
        m_attributes.push_back(std::make_unique<CTWDB_Attribute>(
            table != nullptr ? table : &m_table, name, TWDB_Integer));
        CTWFileQDFCondition* condition = Unbound();
        condition->SetAttribute(m_attributes.back().get());
        return condition;
    }
    CTWFileQDFCondition* Unbound() {
        m_conditions.push_back(std::make_unique<CTWFileQDFCondition>());
        return m_conditions.back().get();
    }

    static std::vector<const void*> Elements(const CPtrList& list) {
        std::vector<const void*> elements;
        for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
            elements.push_back(list.GetNext(pos));
        }
        return elements;
    }

    CTWDB_Table m_table;
    CTWDB_Table m_other;
    std::vector<std::unique_ptr<CTWDB_Attribute>> m_attributes;
    std::vector<std::unique_ptr<CTWFileQDFCondition>> m_conditions;
};

TEST_F(ConditionListTest, InsertKeepsAttributeNameOrderAndInsertionOrderForEqualNames) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* b = On("B");
    CTWFileQDFCondition* a1 = On("A");
    CTWFileQDFCondition* c = On("C");
    CTWFileQDFCondition* a2 = On("A");
    for (auto* condition : {b, a1, c, a2})
        ASSERT_EQ(list.Insert(condition), 0);
    EXPECT_EQ(Elements(list), (std::vector<const void*>{a1, a2, b, c}));
}

TEST_F(ConditionListTest, InsertComparesBytesAsUnsignedAndCaseSensitive) {
    const struct {
        std::vector<const char*> present;  // inserted first, in order
        const char* added;
        int index;  // where the added condition ends up
    } cases[] = {
        {{"A", "Z"}, "a", 2},                            // lower case after upper case
        {{"A", "Z"}, "M", 1},  {{"AB", "B"}, "A", 0},    // a beginning sorts first
        {{"A", "B"}, "AB", 1}, {{"A", "z"}, "\xE9", 2},  // bytes above 127 after ASCII
        {{"\xE9"}, "\x7F", 0}, {{"A", "B"}, "", 0},      // the empty name first
        {{}, "A", 0},
    };
    for (const auto& c : cases) {
        CTWFileQDFConditionList list;
        for (const char* name : c.present)
            ASSERT_EQ(list.Insert(On(name)), 0);
        CTWFileQDFCondition* added = On(c.added);
        ASSERT_EQ(list.Insert(added), 0);
        EXPECT_EQ(list.GetAt(list.FindIndex(c.index)), added) << c.added;
    }
}

TEST_F(ConditionListTest, InsertSkipsNullElementsAndSortsUnboundConditionsFirst) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* b = On("B");
    CTWFileQDFCondition* a = On("A");
    CTWFileQDFCondition* unbound1 = Unbound();
    CTWFileQDFCondition* unbound2 = Unbound();
    list.CPtrList::AddTail(nullptr);
    for (auto* condition : {b, a, unbound1, unbound2})
        ASSERT_EQ(list.Insert(condition), 0);
    EXPECT_EQ(Elements(list), (std::vector<const void*>{nullptr, unbound1, unbound2, a, b}));
}

TEST_F(ConditionListTest, NullConditionsAreRefusedAndTheListIsUnchanged) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* a = On("A");
    ASSERT_EQ(list.AddTail(a), 0);
    EXPECT_EQ(list.AddTail(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), kInsertFailed);
    CTWError::Clear();
    EXPECT_EQ(list.Insert(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), kInsertFailed);
    EXPECT_EQ(Elements(list), (std::vector<const void*>{a}));
}

TEST_F(ConditionListTest, FailedNodeAllocationsRaiseTheListsMessages) {
    // A list of ten fills its first block of nodes: the next element needs a
    // new block.
    const struct {
        const char* name;
        bool insert;
        const char* message;
    } cases[] = {
        {"Z", false, kAppendFailed},  // AddTail
        {"Z", true, kAppendFailed},   // Insert at the tail
        {"A", true, kInsertFailed},   // Insert before an element
    };
    for (const auto& c : cases) {
        CTWFileQDFConditionList list;
        for (int k = 0; k < 10; ++k)
            ASSERT_EQ(list.Insert(On("M")), 0);
        const auto before = Elements(list);
        CTWFileQDFCondition* added = On(c.name);
        {
            fault::ScopedDisarm disarm;
            fault::Arm(fault::Kind::ListNode, 1);
            EXPECT_EQ(c.insert ? list.Insert(added) : list.AddTail(added), -1) << c.name;
        }
        EXPECT_STREQ(CTWError::GetMessage(), c.message);
        EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFConditionList"),
                  std::string::npos);
        EXPECT_EQ(Elements(list), before);
        CTWError::Clear();
        // The list is still usable.
        EXPECT_EQ(list.Insert(added), 0);
        EXPECT_EQ(list.GetCount(), 11);
    }
}

TEST_F(ConditionListTest, InListByConditionIsIdentity) {
    CTWFileQDFConditionList list;
    CTWFileQDFCondition* a = On("A");
    CTWFileQDFCondition* sameName = On("A");
    EXPECT_EQ(list.InList(a), 0);  // empty list
    ASSERT_EQ(list.AddTail(a), 0);
    EXPECT_EQ(list.InList(a), 1);
    EXPECT_EQ(list.InList(sameName), 0);
    EXPECT_EQ(list.InList(static_cast<CTWFileQDFCondition*>(nullptr)), 0);
}

TEST_F(ConditionListTest, RemoveTakesOutEveryOccurrenceWithoutDeleting) {
    CTWFileQDFConditionList list;
    int deleted = 0;
    auto* twice = new CountedCondition(&deleted);
    CTWFileQDFCondition* other = On("B");
    ASSERT_EQ(list.AddTail(twice), 0);
    ASSERT_EQ(list.AddTail(other), 0);
    ASSERT_EQ(list.AddTail(twice), 0);
    EXPECT_EQ(list.Remove(twice), 0);
    EXPECT_EQ(Elements(list), (std::vector<const void*>{other}));
    EXPECT_EQ(list.InList(twice), 0);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(list.Remove(nullptr), 0);
    EXPECT_EQ(list.Remove(twice), 0);
    EXPECT_EQ(list.GetCount(), 1);
    delete twice;
}

TEST_F(ConditionListTest, RemoveAllKeepsAndDeleteAllDeletesTheConditions) {
    int deleted = 0;
    auto* first = new CountedCondition(&deleted);
    auto* second = new CountedCondition(&deleted);
    {
        CTWFileQDFConditionList list;
        list.AddTail(first);
        list.AddTail(second);
        EXPECT_EQ(list.RemoveAll(), 0);
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(deleted, 0);

        list.AddTail(first);
        list.CPtrList::AddTail(nullptr);
        list.AddTail(second);
        EXPECT_EQ(list.DeleteAll(), 0);
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(deleted, 2);

        // Destroying a list deletes nothing.
        list.AddTail(new CountedCondition(&deleted));
        delete static_cast<CTWFileQDFCondition*>(list.GetHead());
        EXPECT_EQ(deleted, 3);
    }
    EXPECT_EQ(deleted, 3);
}

TEST_F(ConditionListTest, InListByTable) {
    CTWFileQDFConditionList list;
    EXPECT_EQ(list.InList(&m_table), 0);  // empty list
    ASSERT_EQ(list.AddTail(Unbound()), 0);
    ASSERT_EQ(list.AddTail(On("A", &m_other)), 0);
    ASSERT_EQ(list.AddTail(On("B", &m_table)), 0);
    CTWDB_Table unused("V");
    EXPECT_EQ(list.InList(&unused), 0);
    EXPECT_EQ(list.InList(&m_table), 1);  // the owner of the last condition
    EXPECT_EQ(list.InList(&m_other), 1);
    EXPECT_EQ(list.InList(static_cast<CTWDB_Table*>(nullptr)), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

TEST_F(ConditionListTest, InListByTableStopsAtANullElementOrAFailingSchema) {
    CTWFileQDFConditionList list;
    list.CPtrList::AddTail(nullptr);
    ASSERT_EQ(list.AddTail(On("A")), 0);
    EXPECT_EQ(list.InList(&m_table), 0);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFConditionList"), std::string::npos);
    CTWError::Clear();

    CTWFileQDFConditionList healthy;
    ASSERT_EQ(healthy.AddTail(On("A")), 0);
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Schema, 1);
        EXPECT_EQ(healthy.InList(&m_table), 0);
    }
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    EXPECT_EQ(healthy.InList(&m_table), 1);
}

}  // namespace
