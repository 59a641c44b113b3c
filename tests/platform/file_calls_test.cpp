#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file_calls.h"
#include "platform/last_error.h"
#include "platform/memory.h"
#include "platform/replace_calls.h"
#include "platform/temp_name.h"
#include "testing/fault_switch.h"

#include "support/support.h"

using namespace win32;

namespace {

struct DispositionCase {
    DWORD disposition;
    bool exists;
    bool opens;
    const char* after;  // the file's bytes after the open, when it opened
};

class CreateFileDisposition : public ::testing::TestWithParam<DispositionCase> {};

TEST_P(CreateFileDisposition, MapsOntoOpenFlags) {
    const DispositionCase& c = GetParam();
    twtest::TempDir dir;
    const std::string path = dir.File("f");
    if (c.exists) twtest::WriteAll(path, "old");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    if (h != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(CloseHandle(h));
        EXPECT_EQ(twtest::ReadAll(path), c.after);
    } else {
        EXPECT_NE(GetLastError(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Dispositions, CreateFileDisposition,
                         ::testing::Values(DispositionCase{OPEN_EXISTING, true, true, "old"},
                                           DispositionCase{OPEN_EXISTING, false, false, ""},
                                           DispositionCase{OPEN_ALWAYS, true, true, "old"},
                                           DispositionCase{OPEN_ALWAYS, false, true, ""},
                                           DispositionCase{CREATE_NEW, true, false, ""},
                                           DispositionCase{CREATE_NEW, false, true, ""},
                                           DispositionCase{CREATE_ALWAYS, true, true, ""},
                                           DispositionCase{TRUNCATE_EXISTING, true, true, ""},
                                           DispositionCase{TRUNCATE_EXISTING, false, false, ""},
                                           DispositionCase{99, false, false, ""}));

// A second open of a held file is let in exactly when each side shares the
// access the other has; a refused open changes nothing (a truncating open
// does not cut the file), and the file is free again once closed.
TEST(FileCalls, ShareModesBetweenOpens) {
    constexpr DWORD R = GENERIC_READ;
    constexpr DWORD W = GENERIC_WRITE;
    constexpr DWORD SR = FILE_SHARE_READ;
    constexpr DWORD SW = FILE_SHARE_WRITE;
    const struct {
        DWORD access1, share1, access2, share2;
        bool opens;
    } cases[] = {
        {R | W, SR, R, SR | SW, true},   // a reader beside a writer
        {R | W, SR, R | W, SR, false},   // a second writer
        {R | W, SR, R, SR, false},       // a reader that denies the writer
        {R, SR | SW, R | W, SR, true},   // a writer beside a sharing reader
        {R, SR, R | W, SR | SW, false},  // a writer beside a reader that denies it
        {R | W, SR | SW, R | W, SR | SW, true},
        {R, 0, R, SR | SW, false},  // exclusive use
        {W, 0, R, SR | SW, false},  // a writer without read access holds too
        {R, SR, R, SR, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.access1 << "/" << c.share1 << " then "
                                        << c.access2 << "/" << c.share2);
        twtest::TempDir dir;
        const std::string path = dir.File("f");
        twtest::WriteAll(path, "kept");
        HANDLE first =
            CreateFileA(path.c_str(), c.access1, c.share1, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = CreateFileA(path.c_str(), c.access2, c.share2, nullptr,
                                    c.access2 & W ? TRUNCATE_EXISTING : OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.opens);
        if (second != INVALID_HANDLE_VALUE) {
            CloseHandle(second);
        } else {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
        CloseHandle(first);
        // (Read once the holder is gone: Windows lets no reader in before.)
        if (!c.opens) {
            EXPECT_EQ(twtest::ReadAll(path), "kept");
        }
        second = CreateFileA(path.c_str(), c.access2, c.share2, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(second, INVALID_HANDLE_VALUE) << "the file stayed held after its close";
        CloseHandle(second);
    }
}

TEST(GlobalMemory, ZeroFilledMovableBlocks) {
    HGLOBAL block = GlobalAlloc(GHND, 64);
    ASSERT_NE(block, nullptr);
    unsigned char* data = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(data[i], 0);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
