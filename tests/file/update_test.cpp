// In-place update: regions in the buffer and in the file, at the start, the
// middle and the end, one or several per update, the writer carrying on
// where it stopped, and failed steps.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "file/file_support.h"
#include "support/support.h"

namespace {

using twtest::CurrentPoint;

std::string Pattern(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

// One region: PreUpdate, its new bytes, PostUpdate.
int UpdateRegion(CTWFile32& file, long offset, const std::string& bytes) {
    const int status = file.PreUpdate(offset, static_cast<long>(bytes.size()));
    if (status < 0) return status;
    const int written = file.WriteText(bytes.c_str());
    if (written < 0) return written;
    return file.PostUpdate();
}

struct Region {
    long offset;
    std::string bytes;
};

struct UpdateCase {
    const char* name;
    std::vector<Region> regions;
};

class UpdateRegions : public ::testing::TestWithParam<UpdateCase> {};

// 1000 bytes written through buffers of 65534, 255 and 15 bytes (in the
// smaller ones most of them are in the file already), the regions updated in
// one update, then more output.
TEST_P(UpdateRegions, FileHoldsExactlyTheExpectedBytes) {
    for (int halvings : {0, 8, 12}) {
        twtest::TempDir dir;
        const std::string path = dir.File("regions.bin");
        std::string expected = Pattern(1000);
        auto file = twtest::OpenNew(path, halvings);
        ASSERT_GE(file->WriteText(expected.c_str()), 0);
        EXPECT_EQ(file->PrePreUpdate(), 0);
        for (const Region& region : GetParam().regions) {
            ASSERT_GE(UpdateRegion(*file, region.offset, region.bytes), 0);
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
                      // first, after it or before it.
                      UpdateCase{"SameWindowAfter", {{0, "AB"}, {6, "CD"}}},
                      UpdateCase{"SameWindowBefore", {{6, "CD"}, {2, "AB"}}},
                      UpdateCase{"Twice", {{10, "one"}, {10, "two"}}}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

TEST(Update, RegionInsideTheBufferNeedsNoFileAccess) {
    twtest::TempDir dir;
    const std::string path = dir.File("inside.txt");
    auto file = twtest::OpenHolding(path, "header: ????\r\nold body\r\n");
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
    EXPECT_EQ(twtest::ReadAll(path), "header: 0035\r\nnew body, longer than the old one\r\n");
}

TEST(Update, RegionEndingAfterTheCurrentPointKeepsEveryByte) {
    twtest::TempDir dir;
    const std::string path = dir.File("dirty.txt");
    auto file = twtest::OpenHolding(path, std::string(30, '.'));
    ASSERT_GE(file->Locate(0), 0);  // loads all 30 bytes
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    // The region ends 4 bytes after the current point.
    ASSERT_GE(UpdateRegion(*file, 8, "XXXXXX"), 0);
    EXPECT_EQ(twtest::ReadAll(path), "01234567XXXXXX" + std::string(16, '.'));
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(CurrentPoint(*file), 10);
    ASSERT_GE(file->WriteText("ab"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "01234567XXab");
}

TEST(Update, SavedPointAtTheEndOfTheFileWithNothingPending) {
    twtest::TempDir dir;
    const std::string path = dir.File("flushed.bin");
    auto file = twtest::OpenNew(path);
    ASSERT_GE(file->WriteText("0000body"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(UpdateRegion(*file, 0, "0008"), 0);
    // Nothing of the saved part comes back, and nothing needs to.
    EXPECT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(CurrentPoint(*file), 8);
    ASSERT_GE(file->WriteText("+"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "0008body+");
}

TEST(Update, RegionBeyondTheEndIsWrittenThere) {
    twtest::TempDir dir;
    const std::string path = dir.File("beyond.bin");
    auto file = twtest::OpenNew(path);
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    ASSERT_GE(UpdateRegion(*file, 20, "ZZZZ"), 0);
    ASSERT_GE(file->PostPostUpdate(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "0123456789" + std::string(10, '\0') + "ZZZZ");
    EXPECT_EQ(CurrentPoint(*file), 10);
}

TEST(Update, BadRegionsAreRefused) {
    twtest::TempDir dir;
    auto file = twtest::OpenNew(dir.File("bad.bin"), 12);  // 15 bytes
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    // A negative offset or length, and a region larger than the buffer.
    const std::pair<long, long> regions[] = {{-1, 4}, {0, -1}, {0, 16}};
    for (const auto& region : regions) {
        EXPECT_EQ(file->PreUpdate(region.first, region.second), ID_TWErrors_InvalidParam);
        CTWError::Clear();
        EXPECT_EQ(CurrentPoint(*file), 10);
    }
    EXPECT_EQ(file->PreUpdate(0x7FFFFFF0L, 16), -1);
    EXPECT_EQ(twtest::TakeError(), "Error - file of 2 GiB or more is not supported");
}

struct UpdateFault {
    const char* name;
    int step;  // 0 PreUpdate, 1 PostUpdate, 2 PostPostUpdate
    win32::fault::Kind kind;
    const char* text;
};

class UpdateFaults : public ::testing::TestWithParam<UpdateFault> {};

TEST_P(UpdateFaults, FailedStepRaisesItsError) {
    const UpdateFault& fault = GetParam();
    twtest::TempDir dir;
    auto file = twtest::OpenNew(dir.File("update.bin"), 12);  // 15 bytes
    ASSERT_GE(file->WriteText("0000"), 0);
    ASSERT_GE(file->WriteText("0123456789abcdefghij"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    const std::function<int()> steps[] = {[&] { return file->PreUpdate(0, 4); },
                                          [&] { return file->PostUpdate(); },
                                          [&] { return file->PostPostUpdate(); }};
    for (int step = 0; step < fault.step; ++step) {
        ASSERT_GE(steps[step](), 0);
        // The region's new bytes.
        if (step == 0) file->WriteText("0024");
    }
    win32::fault::Arm(fault.kind, 1);
    EXPECT_EQ(steps[fault.step](), -1);
    EXPECT_EQ(twtest::TakeError(), fault.text);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UpdateFaults,
    ::testing::Values(
        UpdateFault{"LoadOfTheRegion", 0, win32::fault::Kind::Read, "Error reading a file"},
        UpdateFault{"WriteBack", 1, win32::fault::Kind::Write, "Error writing a file"},
        UpdateFault{"Reload", 2, win32::fault::Kind::Read, "Error reading a file"}),
    [](const ::testing::TestParamInfo<UpdateFault>& info) { return std::string(info.param.name); });

}  // namespace
