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

TEST(JoinList, RefusedAndFailedAppendsLeaveTheListUnchanged) {
    CTWFileQDFJoin join;
    const struct {
        CTWFileQDFJoin* added;
        bool failNode;
        const char* message;
    } cases[] = {
        {nullptr, false, "Unable to insert Join object into Join list"},
        {&join, true, "Unable to add Join object to tail of Join list"},
    };
    for (const auto& c : cases) {
        CTWFileQDFJoinList list;
        for (int k = 0; k < 10; ++k)  // fills the first block of nodes
            ASSERT_EQ(list.AddTail(&join), 0);
        {
            fault::ScopedDisarm disarm;
            if (c.failNode) fault::Arm(fault::Kind::ListNode, 1);
            EXPECT_EQ(list.AddTail(c.added), -1);
        }
        EXPECT_STREQ(CTWError::GetMessage(), c.message);
        EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFJoinList"), std::string::npos);
        EXPECT_EQ(list.GetCount(), 10);
        CTWError::Clear();
        EXPECT_EQ(list.AddTail(&join), 0);  // still usable
    }
}

TEST(JoinList, MembershipRemovalAndDeletion) {
    int deleted = 0;
    auto* twice = new CountedJoin(&deleted);
    auto* other = new CountedJoin(&deleted);
    CTWFileQDFJoinList list;
    EXPECT_EQ(list.InList(twice), 0);  // empty list
    for (auto* join : {twice, other, twice})
        ASSERT_EQ(list.AddTail(join), 0);
    EXPECT_EQ(list.InList(twice), 1);
    EXPECT_EQ(list.InList(static_cast<CTWFileQDFJoin*>(nullptr)), 0);

    EXPECT_EQ(list.Remove(twice), 0);  // every occurrence
    EXPECT_EQ(Elements(list), (std::vector<const void*>{other}));
    EXPECT_EQ(list.InList(twice), 0);
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

TEST(JoinList, InListByTable) {
    CTWDB_Table t1("T1");
    CTWDB_Table t2("T2");
    CTWDB_Attribute a1(&t1, "A", TWDB_Integer);
    CTWDB_Attribute a2(&t2, "B", TWDB_Integer);
    CTWFileQDFJoin join;
    join.AddTail(&a2);
    CTWFileQDFJoinList list;
    EXPECT_EQ(list.InList(&t1), 0);  // empty list
    list.AddTail(&join);
    EXPECT_EQ(list.InList(&t1), 0);
    join.AddTail(&a1);
    EXPECT_NE(list.InList(&t1), 0);
    EXPECT_EQ(list.InList(static_cast<CTWDB_Table*>(nullptr)), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);

    // A failing schema, then a null element, stop the walk with an error.
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Schema, 1);
        EXPECT_EQ(list.InList(&t1), 0);
    }
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    list.CPtrList::AddHead(nullptr);
    EXPECT_EQ(list.InList(&t1), 0);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFJoinList"), std::string::npos);
}

}  // namespace
