#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <twfile/framework/memory_exception.h>
#include <twfile/framework/ptr_list.h>
#include "testing/fault_switch.h"

namespace {

using win32::fault::Kind;

std::vector<long> Contents(const CPtrList& list) {
    std::vector<long> out;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        out.push_back(static_cast<long>(reinterpret_cast<std::intptr_t>(list.GetNext(pos))));
    }
    return out;
}

void* P(long v) {
    return reinterpret_cast<void*>(v);
}

TEST(CPtrList, AddInsertRemoveInOrder) {
    CPtrList list;
    list.AddTail(P(2));
    list.AddTail(P(4));
    list.AddHead(P(1));
    POSITION four = list.Find(P(4));
    list.InsertBefore(four, P(3));
    list.InsertAfter(four, P(5));
    EXPECT_EQ(Contents(list), (std::vector<long>{1, 2, 3, 4, 5}));
    list.RemoveAt(list.Find(P(3)));
    EXPECT_EQ(list.RemoveHead(), P(1));
    EXPECT_EQ(list.RemoveTail(), P(5));
    EXPECT_EQ(Contents(list), (std::vector<long>{2, 4}));
    EXPECT_EQ(list.GetCount(), 2);
    POSITION tail = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(tail), P(4));
    EXPECT_EQ(list.GetAt(tail), P(2));
    EXPECT_EQ(list.FindIndex(1), list.Find(P(4)));
    EXPECT_EQ(list.FindIndex(2), nullptr);
}

TEST(CPtrList, NodesComeInBlocksAndAFailedBlockLeavesTheListAsItWas) {
    CPtrList list(10);
    win32::fault::ScopedDisarm guard;
    win32::fault::StartCounting();
    for (long i = 0; i < 25; ++i)
        list.AddTail(P(i));
    EXPECT_EQ(win32::fault::Calls(Kind::ListNode), 3u);  // 10 + 10 + 5
    // Freed nodes are reused before a new block is asked for.
    list.RemoveAt(list.Find(P(7)));
    win32::fault::Arm(Kind::ListNode, 1);
    list.AddTail(P(99));
    EXPECT_EQ(win32::fault::Injected(), 0u);
    for (long i = 0; i < 5; ++i)
        list.AddTail(P(100 + i));  // fills the third block
    EXPECT_THROW(list.AddTail(P(200)), CMemoryException);
    EXPECT_EQ(list.GetCount(), 30);
    EXPECT_EQ(list.GetTail(), P(104));
}

}  // namespace
