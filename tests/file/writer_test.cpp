// Writing: when the buffer goes to the file, where the file ends afterwards,
// items larger than the buffer, values and offsets outside 32 bits, and
// failed system calls during a flush.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "file/file_support.h"

namespace twtest {
namespace {

using win32::fault::Action;
using win32::fault::Kind;

TEST(Writer, OutputGoesToTheFileWhenAnItemDoesNotFitAndEndsTheFile) {
    // 15 bytes; the file is rewritten from outside below.
    TestFile file(std::string(100, 'z'), 12, win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE);
    ASSERT_GE(file->WriteText("123456789012"), 0);
    EXPECT_EQ(file.Contents(), std::string(100, 'z'));
    ASSERT_GE(file->Write(7), 0);  // 3 bytes of room left
    EXPECT_EQ(file.Contents(), "123456789012");
    EXPECT_EQ(file->m_nBufStart, 12);
    char* at = nullptr;
    long room = 0;
    ASSERT_EQ(file->GetCurLoc(at, room), 0);
    EXPECT_EQ(
        std::make_pair(static_cast<long>(at - reinterpret_cast<char*>(file->m_pBuffer)), room),
        std::make_pair(4L, 11L));
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "123456789012" + Le32(7));
    // With nothing pending the end is still set, at the current point.
    WriteAll(file.path(), std::string(30, 'z'));
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file->IsFileOpen(), 0);
    EXPECT_EQ(file.Contents(), std::string(16, 'z'));
}

TEST(Writer, ItemsLargerThanTheBufferAreWrittenThrough) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    TestFile file("");
    ASSERT_GE(file->WriteText("head"), 0);
    ASSERT_GE(file->WriteLine(big.c_str()), 0);
    ASSERT_GE(file->WriteLen(&big[0]), 0);
    ASSERT_GE(file->WriteBLOB(&big[0], static_cast<long>(big.size())), 0);
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file.Contents(), "head" + big + "\r\n" + Le32(static_cast<unsigned>(big.size() + 1)) +
                                   big + B("\0", 1) + big);
}

TEST(Writer, ValuesAndOffsetsOutsideThirtyTwoBitsAreRefused) {
    TestFile file("");
    const long tooLarge = static_cast<long>(static_cast<long long>(INT_MAX) + 1);
    const long tooSmall = static_cast<long>(static_cast<long long>(INT_MIN) - 1);
    if (sizeof(long) > 4) {
        EXPECT_EQ(file->Write(tooLarge), ID_TWErrors_InvalidParam);
        CTWError::Clear();
        EXPECT_EQ(file->WriteText(tooSmall), ID_TWErrors_InvalidParam);
        CTWError::Clear();
    }
    // As though 2 GiB less 5 bytes were written already: 4 bytes reach the
    // largest offset, and nothing more fits.
    file->m_nBufStart = INT_MAX - 4;
    EXPECT_GE(file->Write(1), 0);
    char text[] = "x";
    const std::function<int()> writes[] = {[&] { return file->WriteNull(); },
                                           [&] { return file->WriteBLOB(text, 1); },
                                           [&] { return file->WriteText("x"); }};
    for (const auto& write : writes) {
        EXPECT_EQ(write(), -1);
        EXPECT_EQ(TakeError(), "Error - file of 2 GiB or more is not supported");
        EXPECT_EQ(file->m_nBufPos, 4);
    }
    EXPECT_GE(file->WriteText(""), 0);  // an empty item still fits
}

// A flush that fails inside a primitive leaves the item unwritten and the
// positions as they were: after the error the caller writes again and loses
// nothing. Only a failed end-of-file setting shows the system's reason too.
TEST(WriterFaults, FailedFlushKeepsTheOutput) {
    // A failed write says why: the injected one is a full disk.
#ifdef _WIN32
    std::string full = SystemText(112);  // ERROR_DISK_FULL
    full.erase(full.find_last_not_of(" .\r\n") + 1);
#else
    const std::string full = std::strerror(ENOSPC);
#endif
    const std::string writing = "Error writing a file: " + full;
    const struct {
        Kind kind;
        Action action;
        int number;
        std::string text;
    } cases[] = {
        {Kind::Write, Action::Fail, -1, writing},
        {Kind::Write, Action::Short, -1, writing},
        {Kind::EndOfFile, Action::Fail, -1, "Error locating specific position within a file"},
        {Kind::Seek, Action::Fail, ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected},
    };
    for (const auto& c : cases) {
        MessageRecorder messages;
        TestFile file("", 12);  // 15 bytes
        ASSERT_GE(file->WriteText("123456789012"), 0);
        win32::fault::Arm(c.kind, 1, c.action, 2);
        EXPECT_EQ(file->Write(0x41424344), c.number);
        EXPECT_EQ(TakeError(), c.text);
        const auto& shown = messages.texts();
#ifdef _WIN32
        const std::string failedEnd = SystemText(29);  // ERROR_WRITE_FAULT
#else
        const std::string failedEnd = std::strerror(EIO);
#endif
        EXPECT_EQ(std::count(shown.begin(), shown.end(), failedEnd),
                  c.kind == Kind::EndOfFile ? 1 : 0);
        EXPECT_EQ(CurrentPoint(*file), 12);
        ASSERT_GE(file->Write(0x41424344), 0);
        ASSERT_GE(file->WriteFile(), 0);
        EXPECT_EQ(file.Contents(), "123456789012DCBA") << c.text;
    }
}

}  // namespace
}  // namespace twtest
