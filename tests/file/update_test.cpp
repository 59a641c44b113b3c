// In-place update: regions in the buffer and in the file, at the start, the
// middle and the end, one or several per update, and the writer carrying on
// where it stopped (the file campaign fails each step's calls).

#include "file/file_support.h"

namespace twtest {
namespace {

std::string Pattern(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

// One region: PreUpdate, its new bytes, PostUpdate.
int UpdateRegion(CTWFile32& file, long offset, const std::string& bytes) {
    if (file.PreUpdate(offset, static_cast<long>(bytes.size())) < 0) return -1;
    if (file.WriteText(bytes.c_str()) < 0) return -1;
    return file.PostUpdate();
}

// 1000 bytes written through buffers of 65534, 255 and 15 bytes (in the
// smaller ones most of them are in the file already), the regions updated in
// one update, then more output.
TEST(UpdateRegions, FileHoldsExactlyTheExpectedBytes) {
    const std::vector<std::pair<long, std::string>> cases[] = {
        {{0, "0123"}},
        {{500, "MIDDLE"}},
        {{996, "END!"}},
        {{0, "0123"}, {500, "MID"}, {996, "END!"}},
        {{996, "END!"}, {500, "MID"}, {0, "0123"}},
        // The second region lies in the bytes loaded for the first, after it
        // or before it.
        {{0, "AB"}, {6, "CD"}},
        {{6, "CD"}, {2, "AB"}},
        {{10, "one"}, {10, "two"}},
    };
    for (const auto& regions : cases) {
        for (int halvings : {0, 8, 12}) {
            TestFile file("", halvings);
            std::string expected = Pattern(1000);
            ASSERT_GE(file->WriteText(expected.c_str()), 0);
            EXPECT_EQ(file->PrePreUpdate(), 0);
            for (const auto& region : regions) {
                ASSERT_GE(UpdateRegion(*file, region.first, region.second), 0);
                expected.replace(static_cast<std::size_t>(region.first), region.second.size(),
                                 region.second);
            }
            ASSERT_GE(file->PostPostUpdate(), 0);
            EXPECT_EQ(CurrentPoint(*file), 1000);
            ASSERT_GE(file->WriteText("tail"), 0);
            ASSERT_GE(file->WriteFile(), 0);
            EXPECT_EQ(file.Contents(), expected + "tail")
                << "first region at " << regions[0].first << ", buffer " << file->m_nBufSize;
        }
    }
}

// The window moves on to the next region: the one before it goes to the file
// even without its PostUpdate.
TEST(Update, ARegionWithoutItsPostUpdateIsKeptWhenTheWindowMoves) {
    TestFile file("", 12);  // 15 bytes
    std::string expected = Pattern(1000);
    ASSERT_GE(file->WriteText(expected.c_str()), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(0, 4), 0);
    ASSERT_GE(file->WriteText("AAAA"), 0);
    ASSERT_GE(UpdateRegion(*file, 500, "BBBB"), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "AAAA" + expected.substr(4, 496) + "BBBB" + expected.substr(504));
}

TEST(Update, RegionInsideTheBufferNeedsNoFileAccess) {
    TestFile file("header: ????\r\nold body\r\n");
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    ASSERT_GE(file->WriteLine("new body, longer than the old one"), 0);
    win32::fault::StartCounting();
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(UpdateRegion(*file, 8, "0035"), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(win32::fault::TotalCalls(), 0u);
    EXPECT_EQ(CurrentPoint(*file), 49);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "header: 0035\r\nnew body, longer than the old one\r\n");
}

// One region after the output: the file's bytes once it is written, the
// current point after the update, and the bytes after more output.
TEST(Update, RegionsAtTheEdgesOfTheOutput) {
    const struct {
        const char* name;
        std::string bytes;  // the file before
        bool load;          // the file's bytes loaded before the output
        bool flush;         // the output written before the update
        long offset;
        const char* region;
        std::string updated;  // the file after the region
        long point;
        std::string after;  // the file after "ab" and WriteFile
    } cases[] = {
        {"ending after the current point", std::string(30, '.'), true, false, 8, "XXXXXX",
         "01234567XXXXXX" + std::string(16, '.'), 10, "01234567XXab"},
        {"after a flush, nothing pending", "", false, true, 0, "0008", "0008456789", 10,
         "0008456789ab"},
        {"beyond the end", "", false, false, 20, "ZZZZ",
         "0123456789" + std::string(10, '\0') + "ZZZZ", 10, "0123456789ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestFile file(c.bytes);
        EXPECT_GE(c.load ? file->Locate(0) : 0, 0);
        ASSERT_GE(file->WriteText("0123456789"), 0);
        EXPECT_GE(c.flush ? file->WriteFile() : 0, 0);
        ASSERT_EQ(file->PrePreUpdate(), 0);
        ASSERT_GE(UpdateRegion(*file, c.offset, c.region), 0);
        ASSERT_GE(file->PostPostUpdate(), 0);
        EXPECT_EQ(file.Contents(), c.updated);
        EXPECT_EQ(CurrentPoint(*file), c.point);
        ASSERT_GE(file->WriteText("ab"), 0);
        ASSERT_GE(file->WriteFile(), 0);
        EXPECT_EQ(file.Contents(), c.after);
    }
}

TEST(Update, BadRegionsAreRefused) {
    TestFile file("", 12);  // 15 bytes
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    // A negative offset or length, and a region larger than the buffer.
    for (const auto& region : {std::make_pair(-1L, 4L), {0L, -1L}, {0L, 16L}}) {
        EXPECT_EQ(file->PreUpdate(region.first, region.second), ID_TWErrors_InvalidParam);
        CTWError::Clear();
        EXPECT_EQ(CurrentPoint(*file), 10);
    }
    EXPECT_GE(UpdateRegion(*file, 0, std::string(15, '=')), 0);  // as large as the buffer
    EXPECT_EQ(file->PreUpdate(0x7FFFFFF0L, 16), -1);
    EXPECT_EQ(TakeError(), "Error - file of 2 GiB or more is not supported");
}

}  // namespace
}  // namespace twtest
