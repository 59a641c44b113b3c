// Failed and short system calls and allocations: the right error, positions
// that let the caller go on, nothing written outside the buffer, nothing
// lost or leaked.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "file/file_support.h"
#include "support/support.h"

namespace {

using twtest::B;
using win32::fault::Action;
using win32::fault::Kind;

struct WriteFault {
    const char* name;
    friend void PrintTo(const WriteFault& f, std::ostream* os) { *os << f.name; }
    Kind kind;
    Action action;
    int number;
    const char* text;  // null: the error service's own text
};

class WriterFaults : public ::testing::TestWithParam<WriteFault> {};

// A flush that fails inside a primitive leaves the item unwritten and the
// positions as they were: after the error the caller writes again and loses
// nothing.
TEST_P(WriterFaults, FailedFlushKeepsTheOutput) {
    const WriteFault& fault = GetParam();
    twtest::TempDir dir;
    const std::string path = dir.File("out.bin");
    twtest::MessageRecorder messages;
    auto file = twtest::OpenNew(path, 12);  // 15 bytes
    ASSERT_GE(file->WriteText("123456789012"), 0);
    win32::fault::Arm(fault.kind, 1, fault.action, 2);
    EXPECT_EQ(file->Write(0x41424344), fault.number);
    EXPECT_EQ(win32::fault::Injected(), 1u);
    win32::fault::Disarm();
    if (fault.text != nullptr) {
        EXPECT_EQ(CTWError::GetMessage(), std::string(fault.text));
    }
    CTWError::Clear();
    EXPECT_EQ(file->m_nBufStart, 0);
    EXPECT_EQ(file->m_nBufPos, 12);
    ASSERT_GE(file->Write(0x41424344), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "123456789012DCBA");
}

INSTANTIATE_TEST_SUITE_P(
    Calls, WriterFaults,
    ::testing::Values(
        WriteFault{"FailedWrite", Kind::Write, Action::Fail, -1, "Error writing a file"},
        WriteFault{"ShortWrite", Kind::Write, Action::Short, -1, "Error writing a file"},
        WriteFault{"FailedEndOfFile", Kind::EndOfFile, Action::Fail, -1,
                   "Error locating specific position within a file"},
        WriteFault{"FailedSeek", Kind::Seek, Action::Fail, ID_TWErrors_UnExpected, nullptr}),
    [](const ::testing::TestParamInfo<WriteFault>& info) { return std::string(info.param.name); });

TEST(Faults, FailedEndOfFileShowsTheSystemMessage) {
    twtest::TempDir dir;
    twtest::MessageRecorder messages;
    auto file = twtest::OpenNew(dir.File("out.bin"));
    win32::fault::Arm(Kind::EndOfFile, 1);
    EXPECT_EQ(file->WriteFile(), -1);
    ASSERT_FALSE(messages.texts().empty());
    EXPECT_EQ(messages.texts().front(), std::string(std::strerror(EIO)));
    EXPECT_EQ(twtest::TakeError(), "Error locating specific position within a file");
}

struct ReadFault {
    const char* name;
    friend void PrintTo(const ReadFault& f, std::ostream* os) { *os << f.name; }
    Kind kind;
    Action action;
    int number;
};

class ReaderFaults : public ::testing::TestWithParam<ReadFault> {};

// A refill that fails leaves the current point where the load began: after
// the error the caller reads the same value again.
TEST_P(ReaderFaults, FailedRefillKeepsTheCurrentPoint) {
    const ReadFault& fault = GetParam();
    twtest::TempDir dir;
    const std::string path = dir.File("values.bin");
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += B("\0\0\0", 3) + static_cast<char>(i);  // i << 24
    twtest::WriteAll(path, bytes);
    auto file = twtest::OpenExisting(path, 12);  // 15 bytes
    int eof = 0;
    int value = -1;
    for (int i = 0; i < 3; ++i)
        ASSERT_GE(file->Read(value, eof), 0);
    // The fourth value crosses the end of the loaded bytes.
    win32::fault::Arm(fault.kind, 1, fault.action, 1);
    EXPECT_EQ(file->Read(value, eof), fault.number);
    win32::fault::Disarm();
    if (fault.number == -1) {
        EXPECT_EQ(std::string(CTWError::GetMessage()), "Error reading a file");
    }
    CTWError::Clear();
    EXPECT_EQ(value, 0x02000000);  // untouched
    long offset = 0;
    file->GetCurLoc(offset);
    EXPECT_EQ(offset, 12);
    ASSERT_GE(file->Read(value, eof), 0);
    EXPECT_EQ(value, 0x03000000);
    CString line;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(line.GetLength(), 16);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ReaderFaults,
    ::testing::Values(ReadFault{"FailedRead", Kind::Read, Action::Fail, -1},
                      ReadFault{"ShortRead", Kind::Read, Action::Short, -1},
                      ReadFault{"FailedSize", Kind::Size, Action::Fail, ID_TWErrors_UnExpected},
                      ReadFault{"FailedSeek", Kind::Seek, Action::Fail, ID_TWErrors_UnExpected}),
    [](const ::testing::TestParamInfo<ReadFault>& info) { return std::string(info.param.name); });

TEST(Faults, FailedLocateCanBeRepeated) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    twtest::WriteAll(path, "first\r\nsecond\r\n");
    auto file = twtest::OpenExisting(path);
    win32::fault::Arm(Kind::Read, 1);
    EXPECT_EQ(file->Locate(7), -1);
    EXPECT_EQ(twtest::TakeError(), "Error reading a file");
    win32::fault::Disarm();
    ASSERT_GE(file->Locate(7), 0);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "second");
}

TEST(Faults, StringThatCannotGrowRaisesMemoryError) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    twtest::WriteAll(path, "a line\r\n");
    auto file = twtest::OpenExisting(path);
    CString line;
    int eof = 0;
    win32::fault::Arm(Kind::String, 1);
    EXPECT_EQ(file->ReadLine(&line, eof), ID_TWErrors_MemoryAlloc);
    CTWError::Clear();
}

// Update steps whose file calls fail.
struct UpdateFault {
    const char* name;
    friend void PrintTo(const UpdateFault& f, std::ostream* os) { *os << f.name; }
    int step;  // 0 PreUpdate, 1 PostUpdate, 2 PostPostUpdate
    Kind kind;
    const char* text;
};

class UpdateFaults : public ::testing::TestWithParam<UpdateFault> {};

TEST_P(UpdateFaults, FailedStepRaisesItsError) {
    const UpdateFault& fault = GetParam();
    twtest::TempDir dir;
    const std::string path = dir.File("update.bin");
    auto file = twtest::OpenNew(path, 12);  // 15 bytes
    ASSERT_GE(file->Write(0), 0);
    ASSERT_GE(file->WriteText("0123456789abcdefghij"), 0);
    ASSERT_EQ(file->PrePreUpdate(), 0);
    const std::function<int()> steps[] = {[&] { return file->PreUpdate(0, 4); },
                                          [&] { return file->PostUpdate(); },
                                          [&] { return file->PostPostUpdate(); }};
    for (int step = 0; step < 3; ++step) {
        if (step == fault.step) win32::fault::Arm(fault.kind, 1);
        const int status = steps[step]();
        if (step == fault.step) {
            EXPECT_EQ(status, -1);
            EXPECT_EQ(twtest::TakeError(), fault.text);
            return;
        }
        ASSERT_GE(status, 0);
        if (step == 0) {
            ASSERT_GE(file->Write(24), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UpdateFaults,
    ::testing::Values(UpdateFault{"FlushBeforeMoving", 0, Kind::Write, "Error writing a file"},
                      UpdateFault{"LoadOfTheRegion", 0, Kind::Read, "Error reading a file"},
                      UpdateFault{"WriteBack", 1, Kind::Write, "Error writing a file"},
                      UpdateFault{"Reload", 2, Kind::Read, "Error reading a file"}),
    [](const ::testing::TestParamInfo<UpdateFault>& info) { return std::string(info.param.name); });

// Writes, updates and reads back through a 15-byte buffer; returns the first
// failure's status, or 0.
int WriteUpdateRead(const std::string& path) {
    CTWFile32 file;
    int status = 0;
    auto step = [&](int result) {
        if (status >= 0 && result < 0) status = result;
        return status >= 0;
    };
    file.SetFileName(path.c_str());
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file.SetCreationDistribution(win32::CREATE_ALWAYS);
    file.m_nBufSize = 15;
    if (!step(file.CreateFileA())) return status;
    char len[] = "length-prefixed text";
    if (!step(file.Write(0)) || !step(file.WriteLine("a line longer than the buffer")) ||
        !step(file.WriteLen(len)) || !step(file.Write(2.5)) || !step(file.Write("nul")) ||
        !step(file.PrePreUpdate()) || !step(file.PreUpdate(0, 4)) || !step(file.Write(7)) ||
        !step(file.PostUpdate()) || !step(file.PostPostUpdate()) || !step(file.WriteFile())) {
        return status;
    }
    if (!step(file.Locate(0))) return status;
    int eof = 0;
    int value = 0;
    CString text;
    char target[32];
    double d = 0;
    if (!step(file.Read(value, eof)) || !step(file.ReadLine(&text, eof)) ||
        !step(file.ReadLen(&text, eof)) || !step(file.Read(d, eof)) ||
        !step(file.Read(target, 10, eof))) {
        return status;
    }
    EXPECT_EQ(value, 7);
    EXPECT_EQ(d, 2.5);
    EXPECT_STREQ(target, "nul");
    step(file.Flush());
    return status;
}

// Every call of the run fails in turn, then is cut short in turn: each
// failure is reported, and the sanitizer build shows that none reads or
// writes outside a buffer or leaks.
TEST(Faults, EveryCallOfARunCanFail) {
    twtest::TempDir dir;
    const std::string path = dir.File("sweep.bin");
    ASSERT_EQ(WriteUpdateRead(path), 0);
    for (Action action : {Action::Fail, Action::Short}) {
        for (unsigned long nth = 1;; ++nth) {
            win32::fault::ArmAny(nth, action, 1);
            const int status = WriteUpdateRead(path);
            const unsigned long injected = win32::fault::Injected();
            win32::fault::Disarm();
            CTWError::Clear();
            if (injected == 0) {
                EXPECT_EQ(status, 0);
                EXPECT_GT(nth, 20u);
                break;
            }
        }
    }
}

TEST(Faults, FailedCloseInTheDestructorStillFreesTheBuffer) {
    twtest::TempDir dir;
    {
        auto file = twtest::OpenNew(dir.File("close.bin"));
        ASSERT_NE(file->m_pBuffer, nullptr);
        win32::fault::Arm(Kind::Close, 1);
    }
    // The destructor reported and cleared the error; the sanitizer build
    // shows that the buffer went too.
    EXPECT_EQ(CTWError::m_nError, 0);
}

}  // namespace
