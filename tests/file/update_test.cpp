// In-place update: regions in the buffer and in the file, at the start, the
// middle and the end, one or several per update, and the writer carrying on
// where it stopped.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "file/file_support.h"
#include "support/support.h"

namespace {

using twtest::B;

std::string Pattern(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

long CurrentPoint(CTWFile32& file) {
    long offset = -1;
    file.GetCurLoc(offset);
    return offset;
}

TEST(Update, PlaceholderAtTheStartOfANewFile) {
    twtest::TempDir dir;
    const std::string path = dir.File("counted.bin");
    auto file = twtest::OpenNew(path);
    ASSERT_GE(file->Write(0L), 0);
    ASSERT_GE(file->WriteText(Pattern(100).c_str()), 0);
    EXPECT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(0, 4), 0);
    ASSERT_GE(file->Write(104L), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(CurrentPoint(*file), 104);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), B("\x68\0\0\0", 4) + Pattern(100));
}

struct Region {
    long offset;
    std::string bytes;
};

struct UpdateCase {
    const char* name;
    std::vector<Region> regions;
    friend void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }
};

class UpdateRegions : public ::testing::TestWithParam<UpdateCase> {};

// 1000 bytes written through buffers of 65534, 255 and 15 bytes (most of
// them already in the file), the regions updated in one update, then more
// output.
TEST_P(UpdateRegions, FileHoldsExactlyTheExpectedBytes) {
    for (int halvings : {0, 8, 12}) {
        twtest::TempDir dir;
        const std::string path = dir.File("regions.bin");
        std::string expected = Pattern(1000);
        auto file = twtest::OpenNew(path, halvings);
        ASSERT_GE(file->WriteText(expected.c_str()), 0);
        EXPECT_EQ(file->PrePreUpdate(), 0);
        for (const Region& region : GetParam().regions) {
            const long length = static_cast<long>(region.bytes.size());
            ASSERT_GE(file->PreUpdate(region.offset, length), 0);
            ASSERT_GE(file->WriteText(region.bytes.c_str()), 0);
            ASSERT_GE(file->PostUpdate(), 0);
            expected.replace(static_cast<std::size_t>(region.offset), region.bytes.size(),
                             region.bytes);
        }
        ASSERT_GE(file->PostPostUpdate(), 0);
        EXPECT_EQ(CurrentPoint(*file), 1000);
        ASSERT_GE(file->WriteText("tail"), 0);
        ASSERT_GE(file->WriteFile(), 0);
        EXPECT_EQ(twtest::ReadAll(path), expected + "tail")
            << GetParam().name << ", buffer " << file->m_nBufSize;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, UpdateRegions,
    ::testing::Values(UpdateCase{"Start", {{0, "0123"}}}, UpdateCase{"Middle", {{500, "MIDDLE"}}},
                      UpdateCase{"End", {{996, "END!"}}},
                      UpdateCase{"StartMiddleEnd", {{0, "0123"}, {500, "MID"}, {996, "END!"}}},
                      UpdateCase{"Backwards", {{996, "END!"}, {500, "MID"}, {0, "0123"}}},
                      // The second region lies in the bytes loaded for the
                      // first, with a gap between them.
                      UpdateCase{"SameWindowWithGap", {{0, "AB"}, {6, "CD"}}},
                      UpdateCase{"SameWindowBefore", {{6, "CD"}, {2, "AB"}}},
                      UpdateCase{"Adjacent", {{0, "0123"}, {4, "4567"}}},
                      UpdateCase{"Twice", {{10, "one"}, {10, "two"}}}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

TEST(Update, RegionInsideTheBufferNeedsNoFileAccess) {
    twtest::TempDir dir;
    const std::string path = dir.File("inside.txt");
    twtest::WriteAll(path, "header: ????\r\nold body\r\n");
    auto file = twtest::OpenForUpdate(path);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    ASSERT_GE(file->WriteLine("new body, longer than the old one"), 0);
    win32::fault::StartCounting();
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(8, 4), 0);
    ASSERT_GE(file->WriteText("0035"), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(win32::fault::TotalCalls(), 0u);
    EXPECT_EQ(CurrentPoint(*file), 49);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "header: 0035\r\nnew body, longer than the old one\r\n");
}

TEST(Update, SecondUpdateAfterAReloadStaysInTheBuffer) {
    twtest::TempDir dir;
    const std::string path = dir.File("twice.bin");
    auto file = twtest::OpenNew(path);
    ASSERT_GE(file->Write(0), 0);
    ASSERT_GE(file->WriteText("records"), 0);
    // The first update takes the output to the file and loads it again.
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(0, 4), 0);
    ASSERT_GE(file->Write(1), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    ASSERT_GE(file->WriteText(" more"), 0);
    win32::fault::StartCounting();
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(0, 4), 0);
    ASSERT_GE(file->Write(2), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(win32::fault::TotalCalls(), 0u);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), B("\x02\0\0\0", 4) + "records more");
}

TEST(Update, RegionEndingAfterTheCurrentPointKeepsEveryByte) {
    twtest::TempDir dir;
    const std::string path = dir.File("dirty.txt");
    twtest::WriteAll(path, std::string(30, '.'));
    auto file = twtest::OpenForUpdate(path);
    ASSERT_GE(file->Locate(0), 0);  // loads all 30 bytes
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(8, 6), 0);  // ends 4 bytes after the current point
    ASSERT_GE(file->WriteText("XXXXXX"), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "01234567XXXXXX" + std::string(16, '.'));
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(CurrentPoint(*file), 10);
    ASSERT_GE(file->WriteText("ab"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "01234567XXab");
}

TEST(Update, PostUpdateOfARegionInTheOutputWritesNothing) {
    twtest::TempDir dir;
    const std::string path = dir.File("quiet.txt");
    twtest::WriteAll(path, "0123456789");
    auto file = twtest::OpenForUpdate(path);
    ASSERT_GE(file->Locate(0), 0);  // loads all 10 bytes
    int eof = 0;
    ASSERT_GE(file->SkipBLOB(5, eof), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(1, 2), 0);
    ASSERT_GE(file->WriteText("ab"), 0);
    win32::fault::StartCounting();
    ASSERT_GE(file->PostUpdate(), 0);
    EXPECT_EQ(win32::fault::Calls(win32::fault::Kind::Write), 0u);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "0123456789");
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "0ab34");
}

TEST(Update, SavedPointAtTheEndOfTheFileWithNothingPending) {
    twtest::TempDir dir;
    const std::string path = dir.File("flushed.bin");
    auto file = twtest::OpenNew(path);
    ASSERT_GE(file->Write(0), 0);
    ASSERT_GE(file->WriteText("body"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(0, 4), 0);
    ASSERT_GE(file->Write(8), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    EXPECT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(CurrentPoint(*file), 8);
    ASSERT_GE(file->WriteText("+"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), B("\x08\0\0\0", 4) + "body+");
}

TEST(Update, RegionBeyondTheEndIsWrittenThere) {
    twtest::TempDir dir;
    const std::string path = dir.File("beyond.bin");
    auto file = twtest::OpenNew(path);
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(file->PreUpdate(20, 4), 0);
    ASSERT_GE(file->WriteText("ZZZZ"), 0);
    ASSERT_GE(file->PostUpdate(), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "0123456789" + std::string(10, '\0') + "ZZZZ");
    EXPECT_EQ(CurrentPoint(*file), 10);
}

TEST(Update, BadRegionsAreRefused) {
    twtest::TempDir dir;
    auto file = twtest::OpenNew(dir.File("bad.bin"), 12);  // 15 bytes
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    const std::pair<long, long> regions[] = {{-1, 4}, {0, -1}, {0, 16}};
    for (const auto& region : regions) {
        EXPECT_EQ(file->PreUpdate(region.first, region.second), ID_TWErrors_InvalidParam);
        CTWError::Clear();
        EXPECT_EQ(CurrentPoint(*file), 10);
    }
    EXPECT_EQ(file->PreUpdate(0x7FFFFFF0L, 16), -1);
    EXPECT_EQ(twtest::TakeError(), "Error - file of 2 GiB or more is not supported");
}

}  // namespace
