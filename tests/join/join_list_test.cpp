// The join list: appending, membership, removal and deletion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/join/join_list.h>
#include <twfile/platform/fault.h>

namespace fault = win32::fault;

namespace {

// A join that counts its destruction.
class CountedJoin : public CTWFileQDFJoin {
  public:
    explicit CountedJoin(int* deleted) : m_deleted(deleted) {}
    ~CountedJoin() override { ++*m_deleted; }

  private:
    int* m_deleted;
};

std::vector<const void*> Elements(const CPtrList& list) {
    std::vector<const void*> elements;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        elements.push_back(list.GetNext(pos));
    return elements;
}

TEST(JoinList, NullJoinIsRefusedAndTheListIsUnchanged) {
    CTWFileQDFJoinList list;
    CTWFileQDFJoin join;
    ASSERT_EQ(list.AddTail(&join), 0);
    EXPECT_EQ(list.AddTail(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), "Unable to insert Join object into Join list");
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFJoinList"), std::string::npos);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(JoinList, FailedNodeAllocationRaisesTheAppendMessage) {
    CTWFileQDFJoinList list;
    CTWFileQDFJoin join;
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::ListNode, 1);
        EXPECT_EQ(list.AddTail(&join), -1);
    }
    EXPECT_STREQ(CTWError::GetMessage(), "Unable to add Join object to tail of Join list");
    EXPECT_TRUE(list.IsEmpty());
    CTWError::Clear();
    EXPECT_EQ(list.AddTail(&join), 0);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(JoinList, SameJoinTwiceIsRemovedTwice) {
    CTWFileQDFJoinList list;
    CTWFileQDFJoin twice;
    CTWFileQDFJoin other;
    EXPECT_EQ(list.InList(&twice), 0);  // empty list
    ASSERT_EQ(list.AddTail(&twice), 0);
    ASSERT_EQ(list.AddTail(&other), 0);
    ASSERT_EQ(list.AddTail(&twice), 0);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.InList(&twice), 1);
    EXPECT_EQ(list.InList(static_cast<CTWFileQDFJoin*>(nullptr)), 0);

    EXPECT_EQ(list.Remove(&twice), 0);
    EXPECT_EQ(Elements(list), (std::vector<const void*>{&other}));
    EXPECT_EQ(list.InList(&twice), 0);
    EXPECT_EQ(list.Remove(nullptr), 0);
    EXPECT_EQ(list.Remove(&other), 0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Remove(&other), 0);
}

TEST(JoinList, InListByTable) {
    CTWDB_Table t1("T1");
    CTWDB_Table t2("T2");
    CTWDB_Table t3("T3");
    CTWDB_Attribute a1(&t1, "A", TWDB_Integer);
    CTWDB_Attribute a2(&t2, "B", TWDB_Integer);
    CTWDB_Attribute b2(&t2, "C", TWDB_Integer);
    CTWFileQDFJoin first;
    first.AddTail(&a1);
    first.AddTail(&a2);
    CTWFileQDFJoin second;
    second.AddTail(&b2);

    CTWFileQDFJoinList list;
    EXPECT_EQ(list.InList(&t1), 0);  // empty list
    list.AddTail(&second);
    list.AddTail(&first);
    EXPECT_NE(list.InList(&t1), 0);
    EXPECT_NE(list.InList(&t2), 0);
    EXPECT_EQ(list.InList(&t3), 0);
    EXPECT_EQ(list.InList(static_cast<CTWDB_Table*>(nullptr)), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

TEST(JoinList, InListByTableStopsAtANullElementOrAFailingSchema) {
    CTWDB_Table t1("T1");
    CTWDB_Attribute a1(&t1, "A", TWDB_Integer);
    CTWFileQDFJoin join;
    join.AddTail(&a1);

    CTWFileQDFJoinList list;
    list.CPtrList::AddTail(nullptr);
    list.AddTail(&join);
    EXPECT_EQ(list.InList(&t1), 0);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFJoinList"), std::string::npos);
    CTWError::Clear();

    CTWFileQDFJoinList healthy;
    healthy.AddTail(&join);
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Schema, 1);
        EXPECT_EQ(healthy.InList(&t1), 0);
    }
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    EXPECT_NE(healthy.InList(&t1), 0);
}

TEST(JoinList, RemoveAllKeepsAndDeleteAllDeletesTheJoins) {
    int deleted = 0;
    auto* first = new CountedJoin(&deleted);
    auto* second = new CountedJoin(&deleted);
    CTWFileQDFJoinList list;
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
}

}  // namespace
