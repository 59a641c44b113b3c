// What the condition list and the join list have in common: appending and its
// failures, membership by element and by table, removal and deletion. The
// join tests use it too.
#ifndef TWFILE_TESTS_CONDITION_LIST_BEHAVIOUR_H
#define TWFILE_TESTS_CONDITION_LIST_BEHAVIOUR_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/framework/ptr_list.h>
#include <twfile/host/error.h>
#include <twfile/host/schema.h>
#include "testing/fault_switch.h"

namespace twtest {

using Elements = std::vector<const void*>;

inline Elements ElementsOf(const CPtrList& list) {
    Elements elements;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        elements.push_back(list.GetNext(pos));
    return elements;
}

// An element that counts its destruction.
template <class Element>
class Counted : public Element {
  public:
    explicit Counted(int* deleted) : m_deleted(deleted) {}
    ~Counted() override { ++*m_deleted; }

  private:
    int* m_deleted;
};

// AddTail of null raises -1 with the list's message (source names the list)
// and changes nothing; the list stays usable. (The fault campaign fails
// every node allocation of both lists.)
template <class List, class Element>
void ExpectNullRefused(const char* refused, const char* source) {
    List list;
    Element element;
    ASSERT_EQ(list.AddTail(&element), 0);
    EXPECT_EQ(list.AddTail(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), refused);
    EXPECT_NE(std::string(CTWError::GetTrail()).find(source), std::string::npos);
    EXPECT_EQ(list.GetCount(), 1);
    CTWError::Clear();
    EXPECT_EQ(list.AddTail(&element), 0);
}

// InList(element) is identity; Remove unlinks every occurrence, RemoveAll
// every element, neither deleting; DeleteAll deletes, skipping null elements.
template <class List, class Element>
void ExpectMembershipRemovalAndDeletion() {
    int deleted = 0;
    auto* twice = new Counted<Element>(&deleted);
    auto* other = new Counted<Element>(&deleted);
    Element stranger;
    List list;
    EXPECT_EQ(list.InList(twice), 0);  // empty list
    for (auto* element : {twice, other, twice})
        ASSERT_EQ(list.AddTail(element), 0);
    EXPECT_EQ(list.InList(twice), 1);
    EXPECT_EQ(list.InList(&stranger), 0);
    EXPECT_EQ(list.InList(static_cast<Element*>(nullptr)), 0);

    EXPECT_EQ(list.Remove(twice), 0);
    EXPECT_EQ(ElementsOf(list), (Elements{other}));
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

// InList(table) finds a table that the last element refers to; a failing
// schema or a null element stops the walk with an error and the result 0.
// refer(element, attribute) makes element refer to attribute.
template <class List, class Element, class Refer>
void ExpectInListByTable(Refer refer, const char* source) {
    CTWDB_Table t1("T1");
    CTWDB_Table t2("T2");
    CTWDB_Attribute a1(&t1, "A", TWDB_Integer);
    CTWDB_Attribute a2(&t2, "B", TWDB_Integer);
    Element first;
    Element last;
    refer(first, &a2);
    refer(last, &a1);
    List list;
    EXPECT_EQ(list.InList(&t1), 0);  // empty list
    list.AddTail(&first);
    EXPECT_EQ(list.InList(&t1), 0);
    list.AddTail(&last);
    EXPECT_NE(list.InList(&t1), 0);
    EXPECT_EQ(list.InList(static_cast<CTWDB_Table*>(nullptr)), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
    {
        win32::fault::ScopedDisarm disarm;
        win32::fault::Arm(win32::fault::Kind::Schema, 1);
        EXPECT_EQ(list.InList(&t1), 0);
    }
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    list.CPtrList::AddHead(nullptr);
    EXPECT_EQ(list.InList(&t1), 0);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find(source), std::string::npos);
}

}  // namespace twtest

#endif  // TWFILE_TESTS_CONDITION_LIST_BEHAVIOUR_H
