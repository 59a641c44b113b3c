// Writing: when the buffer goes to the file, where the file ends afterwards,
// items larger than the buffer, values and offsets outside 32 bits, and
// failed system calls during a flush.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "file/file_support.h"

namespace {

using twtest::Le32;
using win32::fault::Action;
using win32::fault::Kind;

TEST(Writer, OutputGoesToTheFileWhenAnItemDoesNotFitAndEndsTheFile) {
    twtest::TestFile file(std::string(100, 'z'), 12);  // 15 bytes
    ASSERT_GE(file->WriteText("123456789012"), 0);
    EXPECT_EQ(file.Contents(), std::string(100, 'z'));
    ASSERT_GE(file->Write(7), 0);  // 3 bytes of room left
    EXPECT_EQ(file.Contents(), "123456789012");
    EXPECT_EQ(file->m_nBufStart, 12);
    EXPECT_EQ(file->m_nBufPos, 4);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "123456789012" + Le32(7));
    // With nothing pending the end is still set, at the current point.
    twtest::WriteAll(file.path(), std::string(30, 'z'));
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file->IsFileOpen(), 0);
    EXPECT_EQ(file.Contents(), std::string(16, 'z'));
}

TEST(Writer, ItemsLargerThanTheBufferAreWrittenThrough) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    twtest::TestFile file("");
    ASSERT_GE(file->WriteText("head"), 0);
    ASSERT_GE(file->WriteLine(big.c_str()), 0);
    ASSERT_GE(file->WriteLen(&big[0]), 0);
    ASSERT_GE(file->WriteBLOB(&big[0], static_cast<long>(big.size())), 0);
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file.Contents(), "head" + big + "\r\n" + Le32(static_cast<unsigned>(big.size() + 1)) +
                                   big + twtest::B("\0", 1) + big);
}

TEST(Writer, ValuesAndOffsetsOutsideThirtyTwoBitsAreRefused) {
    twtest::TestFile file("");
    const long tooLarge = static_cast<long>(INT_MAX) + 1;
    if (sizeof(long) > 4) {
        EXPECT_EQ(file->Write(tooLarge), ID_TWErrors_InvalidParam);
        CTWError::Clear();
        EXPECT_EQ(file->WriteText(-tooLarge - 1), ID_TWErrors_InvalidParam);
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
        EXPECT_EQ(twtest::TakeError(), "Error - file of 2 GiB or more is not supported");
        EXPECT_EQ(file->m_nBufPos, 4);
    }
    EXPECT_GE(file->WriteText(""), 0);  // an empty item still fits
}

struct WriteFault {
    const char* name;
    Kind kind;
    Action action;
    int number;
    const char* text;
};

class WriterFaults : public ::testing::TestWithParam<WriteFault> {};

// A flush that fails inside a primitive leaves the item unwritten and the
// positions as they were: after the error the caller writes again and loses
// nothing.
TEST_P(WriterFaults, FailedFlushKeepsTheOutput) {
    const WriteFault& fault = GetParam();
    twtest::MessageRecorder messages;
    twtest::TestFile file("", 12);  // 15 bytes
    ASSERT_GE(file->WriteText("123456789012"), 0);
    win32::fault::Arm(fault.kind, 1, fault.action, 2);
    EXPECT_EQ(file->Write(0x41424344), fault.number);
    EXPECT_EQ(win32::fault::Injected(), 1u);
    win32::fault::Disarm();
    EXPECT_EQ(twtest::TakeError(), fault.text);
    // Only a failed end-of-file setting shows the system's reason as well.
    const auto& shown = messages.texts();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::strerror(EIO)),
              fault.kind == Kind::EndOfFile ? 1 : 0);
    EXPECT_EQ(twtest::CurrentPoint(*file), 12);
    ASSERT_GE(file->Write(0x41424344), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "123456789012DCBA");
}

INSTANTIATE_TEST_SUITE_P(
    Calls, WriterFaults,
    ::testing::Values(
        WriteFault{"FailedWrite", Kind::Write, Action::Fail, -1, "Error writing a file"},
        WriteFault{"ShortWrite", Kind::Write, Action::Short, -1, "Error writing a file"},
        WriteFault{"FailedEndOfFile", Kind::EndOfFile, Action::Fail, -1,
                   "Error locating specific position within a file"},
        WriteFault{"FailedSeek", Kind::Seek, Action::Fail, ID_TWErrors_UnExpected,
                   IDS_TWErrors_UnExpected}),
    [](const ::testing::TestParamInfo<WriteFault>& info) { return std::string(info.param.name); });

}  // namespace
