// The condition list and the join list: appending and its failures,
// membership by element and by table, removal and deletion; and the order
// the condition list keeps.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include <twfile/condition/condition_list.h>
#include <twfile/host/error.h>
#include <twfile/join/join_list.h>

namespace {

using Elements = std::vector<const void*>;

Elements ElementsOf(const CPtrList& list) {
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

struct Conditions {
    using List = CTWFileQDFConditionList;
    using Element = CTWFileQDFCondition;
    static constexpr char kRefused[] = "Unable to insert Condition object into Condition list";
    static constexpr char kSource[] = "TWFileQDFConditionList";
    static void Refer(Element& element, CTWDB_Attribute* a) { element.SetAttribute(a); }
};

struct Joins {
    using List = CTWFileQDFJoinList;
    using Element = CTWFileQDFJoin;
    static constexpr char kRefused[] = "Unable to insert Join object into Join list";
    static constexpr char kSource[] = "TWFileQDFJoinList";
    static void Refer(Element& element, CTWDB_Attribute* a) { element.AddTail(a); }
};

template <class Kind>
class ListTest : public ::testing::Test {};
using Kinds = ::testing::Types<Conditions, Joins>;
struct KindNames {
    template <class Kind>
    static std::string GetName(int) {
        return Kind::kSource;
    }
};
TYPED_TEST_SUITE(ListTest, Kinds, KindNames);

// AddTail of null raises -1 with the list's message and changes nothing; the
// list stays usable. (The fault campaign fails every node allocation.)
TYPED_TEST(ListTest, NullIsRefused) {
    typename TypeParam::List list;
    typename TypeParam::Element element;
    ASSERT_EQ(list.AddTail(&element), 0);
    EXPECT_EQ(list.AddTail(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), TypeParam::kRefused);
    EXPECT_NE(std::string(CTWError::GetTrail()).find(TypeParam::kSource), std::string::npos);
    EXPECT_EQ(list.GetCount(), 1);
    CTWError::Clear();
    EXPECT_EQ(list.AddTail(&element), 0);
}

// InList(element) is identity; Remove unlinks every occurrence, RemoveAll
// every element, neither deleting; DeleteAll deletes, skipping null elements.
TYPED_TEST(ListTest, MembershipRemovalAndDeletion) {
    using Element = typename TypeParam::Element;
    int deleted = 0;
    auto* twice = new Counted<Element>(&deleted);
    auto* other = new Counted<Element>(&deleted);
    Element stranger;
    typename TypeParam::List list;
    EXPECT_EQ(list.InList(twice), 0);  // empty list
    for (auto* element : {twice, other, twice})
        ASSERT_EQ(list.AddTail(element), 0);
    EXPECT_EQ(list.InList(twice), 1);
    EXPECT_EQ(list.InList(&stranger), 0);
    EXPECT_EQ(list.InList(static_cast<Element*>(nullptr)), 0);

    EXPECT_EQ(list.Remove(nullptr), 0);
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

// InList(table) finds a table that the last element refers to; a null
// element stops the walk with an error and the result 0. (The fault campaign
// fails the schema calls of both walks.)
TYPED_TEST(ListTest, InListByTable) {
    CTWDB_Table t1("T1");
    CTWDB_Table t2("T2");
    CTWDB_Attribute a1(&t1, "A", TWDB_Integer);
    CTWDB_Attribute a2(&t2, "B", TWDB_Integer);
    typename TypeParam::Element first;
    typename TypeParam::Element last;
    TypeParam::Refer(first, &a2);
    TypeParam::Refer(last, &a1);
    typename TypeParam::List list;
    EXPECT_EQ(list.InList(&t1), 0);  // empty list
    list.AddTail(&first);
    EXPECT_EQ(list.InList(&t1), 0);
    list.AddTail(&last);
    EXPECT_NE(list.InList(&t1), 0);
    EXPECT_EQ(list.InList(static_cast<CTWDB_Table*>(nullptr)), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
    list.CPtrList::AddHead(nullptr);
    EXPECT_EQ(list.InList(&t1), 0);
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find(TypeParam::kSource), std::string::npos);
}

// Insert keeps the order of the attribute names, bytes compared unsigned,
// and for equal names the order of insertion. A condition without an
// attribute sorts as the empty name and has no table; null elements in the
// list are passed over, and a null condition is refused.
TEST(ConditionList, InsertKeepsAttributeNameOrderAndInsertionOrderForEqualNames) {
    CTWDB_Table table("T");
    std::deque<CTWDB_Attribute> attributes;
    std::deque<CTWFileQDFCondition> conditions;
    const auto on = [&](const char* name) {
        CTWFileQDFCondition* condition = &conditions.emplace_back();
        if (name != nullptr)
            condition->SetAttribute(&attributes.emplace_back(&table, name, TWDB_Integer));
        return condition;
    };
    CTWFileQDFCondition* b = on("B");
    CTWFileQDFCondition* a1 = on("A");
    CTWFileQDFCondition* c = on("C");
    CTWFileQDFCondition* a2 = on("A");
    CTWFileQDFCondition* lower = on("a");  // lower case sorts after upper case
    CTWFileQDFCondition* z = on("Z");
    CTWFileQDFCondition* high = on("\xE9");
    CTWFileQDFCondition* unbound = on(nullptr);
    CTWFileQDFConditionList list;
    list.CPtrList::AddTail(nullptr);
    for (auto* condition : {b, a1, c, a2, lower, z, high, unbound})
        ASSERT_EQ(list.Insert(condition), 0);
    EXPECT_EQ(ElementsOf(list), (Elements{nullptr, unbound, a1, a2, b, c, z, lower, high}));
    EXPECT_EQ(list.Insert(nullptr), -1);
    EXPECT_STREQ(CTWError::GetMessage(), Conditions::kRefused);
    EXPECT_EQ(list.GetCount(), 9);
    CTWError::Clear();

    CTWFileQDFConditionList unboundOnly;
    unboundOnly.AddTail(unbound);
    EXPECT_EQ(unboundOnly.InList(&table), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

}  // namespace
