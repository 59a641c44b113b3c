// Every writing primitive: the exact bytes it appends (the file holds the
// table's bytes in order), and the reading primitives that give them back
// whatever the buffer sizes of the writer and the reader (the fault campaign
// runs the same table with each call failed).

#include "file/items.h"

namespace twtest {
namespace {

class RoundTrip : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(RoundTrip, ReadsBackWhatWasWritten) {
    TestFile file("", GetParam().first);
    const std::vector<Item> items = Items();
    std::string expected;
    // Three times, so that the items start anywhere in a buffer.
    for (int i = 0; i < 3; ++i) {
        for (const Item& item : items) {
            ASSERT_GE(item.write(*file), 0) << item.name;
            expected += item.bytes;
        }
    }
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file.Contents(), expected);
    file.Reopen(GetParam().second);
    int eof = 0;
    for (int i = 0; i < 3; ++i) {
        for (const Item& item : items) {
            if (item.read == nullptr) continue;
            EXPECT_EQ(item.read(*file, eof), item.back) << item.name;
            EXPECT_EQ(eof, 0) << item.name;
        }
    }
    EXPECT_EQ(TakeError(), "");
    int value = 5;
    ASSERT_GE(file->Read(value, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(value, 5);
}

// Halvings of the writer's and the reader's buffer: 65534, 15, 7 and 1 bytes
// (the reader's buffer must hold the largest fixed-width value).
INSTANTIATE_TEST_SUITE_P(Buffers, RoundTrip,
                         ::testing::Values(std::make_pair(0, 0), std::make_pair(12, 12),
                                           std::make_pair(13, 0), std::make_pair(15, 12)));

}  // namespace
}  // namespace twtest
