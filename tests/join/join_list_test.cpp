// The join list: appending, membership, removal and deletion.
#include <gtest/gtest.h>

#include <twfile/join/join_list.h>

#include "condition/list_behaviour.h"

namespace {

const char kSource[] = "TWFileQDFJoinList";

TEST(JoinList, AppendOfNullIsRefused) {
    twtest::ExpectNullRefused<CTWFileQDFJoinList, CTWFileQDFJoin>(
        "Unable to insert Join object into Join list", kSource);
}

TEST(JoinList, MembershipRemovalAndDeletion) {
    twtest::ExpectMembershipRemovalAndDeletion<CTWFileQDFJoinList, CTWFileQDFJoin>();
}

TEST(JoinList, InListByTable) {
    twtest::ExpectInListByTable<CTWFileQDFJoinList, CTWFileQDFJoin>(
        [](CTWFileQDFJoin& join, CTWDB_Attribute* attribute) { join.AddTail(attribute); }, kSource);
}

}  // namespace
