// The file object's life: opening, closing, resetting, the buffer and its
// allocation, temporary files, the destructor, and calls that need an open
// file or a buffer.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <twfile/platform/types.h>

#include "file/file_support.h"

namespace twtest {
namespace {

using win32::fault::Kind;

TEST(FileLifecycle, OpenSizeCloseAndReset) {
    TestFile file("0123456789");
    EXPECT_EQ(file->GetFileSize(), 0);
    EXPECT_EQ(file->m_dwFileSize, 10u);
    EXPECT_EQ(file->Reset(), -1);
    EXPECT_EQ(TakeError(), "Reset() called whilst file open");
    EXPECT_STREQ(file->GetFileName(), file.path().c_str());
    EXPECT_EQ(file->CloseFile(), 0);
    EXPECT_EQ(file->CloseFile(), 0);  // closing a closed object changes nothing
    EXPECT_EQ(file->IsFileOpen(), 0);
    EXPECT_NE(file->m_pBuffer, nullptr);  // closing keeps the buffer
    EXPECT_EQ(file->Reset(), 0);
    EXPECT_STREQ(file->GetFileName(), "");
}

TEST(FileLifecycle, AFailedOpenShowsTheSystemTextRaisesNothingAndStillAllocates) {
    TempDir dir;
    MessageRecorder recorder;
    CTWFile32 file;
    file.SetFileName(dir.File("missing").c_str());
    EXPECT_GE(file.CreateFileA(), 0);
    EXPECT_EQ(file.IsFileOpen(), 0);
    EXPECT_NE(file.m_pBuffer, nullptr);
    ASSERT_EQ(recorder.texts().size(), 1u);
#ifdef _WIN32
    EXPECT_EQ(recorder.texts()[0], SystemText(2));  // ERROR_FILE_NOT_FOUND
#else
    EXPECT_EQ(recorder.texts()[0], std::strerror(ENOENT));
#endif
    // Without a system text the open raises, and no buffer is made.
    CTWFile32 other;
    other.SetFileName(dir.File("missing").c_str());
    win32::fault::Arm(Kind::Message, 1);
    EXPECT_EQ(other.CreateFileA(), ID_TWErrors_UnExpected);
    EXPECT_EQ(other.m_pBuffer, nullptr);
}

TEST(FileLifecycle, AFailedOpenKeepsItsReasonUntilAnOpenOrAReset) {
    TestFile holder("text");  // held for writing, shared for reading
    CTWFile32 file;
    file.SetFileName(holder.path().c_str());
    file.SetShareMode(win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE);
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file.CreateFileA();
    EXPECT_EQ(file.GetOpenError(), win32::ERROR_SHARING_VIOLATION);
    file.SetDesiredAccess(win32::GENERIC_READ);
    file.CreateFileA();
    EXPECT_EQ(file.GetOpenError(), 0u);
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file.CreateFileA();
    file.Reset();
    EXPECT_EQ(file.GetOpenError(), 0u);
}

TEST(FileLifecycle, AFailedCloseRaisesAndLeavesTheFileClosed) {
    TestFile file("");
    win32::fault::Arm(Kind::Close, 1);
    EXPECT_EQ(file->CloseFile(), -1);
    EXPECT_EQ(TakeError(), "Error closing a file");
    EXPECT_EQ(file->IsFileOpen(), 0);
    EXPECT_EQ(file->CloseFile(), 0);  // the descriptor is not closed twice
    EXPECT_EQ(win32::fault::Calls(Kind::Close), 1u);
}

// (Windows names a temporary file after the prefix's first three characters.)
TEST(FileLifecycle, CreateFileTempTakesThePrefixAfterTheLastSeparator) {
#ifdef _WIN32
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\temp\\abc", "abc"}, {"plain", "pla"}, {"a\\b/c", "c"}};
#else
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\temp\\abc", "abc"}, {"plain", "plain"}, {"a\\b/c", "c"}};
#endif
    for (const auto& c : cases) {
        CTWFile32 file;
        ASSERT_EQ(file.CreateFileTemp(c.first), 0) << c.first;
        const std::string made = file.GetFileName();
        const std::size_t cut = made.find_last_of("/\\");
        EXPECT_EQ(made.substr(cut + 1).rfind(c.second, 0), 0u) << made;
        EXPECT_EQ(file.m_dwDesiredAccess, win32::GENERIC_READ | win32::GENERIC_WRITE);
        EXPECT_EQ(file.m_dwCreationDistribution, win32::OPEN_ALWAYS);
        EXPECT_EQ(file.CloseFile(), 0);
        EXPECT_TRUE(Exists(made));  // not deleted on close
        std::remove(made.c_str());
    }
}

// (A failed allocation halves the size for good: every TestFile with a small
// buffer is made so.) A failed lock gives the block back and keeps the size.
TEST(FileMemory, AFailedLockFreesTheBlockAndKeepsTheSize) {
    TestFile file("", 1);
    win32::fault::Arm(Kind::GlobalLock, 1);
    EXPECT_EQ(file->CreateFileA(), ID_TWErrors_MemoryAlloc);
    EXPECT_EQ(file->m_hMemory, nullptr);
    EXPECT_EQ(file->m_nBufSize, 32767);
    CTWError::Clear();
}

TEST(FileMemory, WhenEveryAllocationFailsTheFirstRefillAllocatesAgain) {
    TempDir dir;
    WriteAll(dir.File("f"), "only\r\n");
    CTWFile32 file;
    file.SetFileName(dir.File("f").c_str());
    win32::fault::ArmFrom(Kind::GlobalAlloc, 1);
    EXPECT_EQ(file.CreateFileA(), ID_TWErrors_MemoryAlloc);
    EXPECT_EQ(win32::fault::Calls(Kind::GlobalAlloc), 16u);  // 65534, 32767, ... 1
    win32::fault::Disarm();
    CTWError::Clear();
    EXPECT_EQ(file.m_nBufSize, 0);
    ASSERT_EQ(file.m_pBuffer, nullptr);
    file.m_nBufSize = 64;
    CString line;
    int eof = 0;
    ASSERT_GE(file.ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "only");
}

TEST(FileLifecycle, WithoutAFileOrABufferThePrimitivesRaiseInvalidContext) {
    CTWFile32 file;  // never opened: no file and no buffer
    char text[] = "t";
    int eof = 0;
    int value = 0;
    const std::function<int()> calls[] = {
        [&] { return file.GetFileSize(); },    [&] { return file.SetFilePointer(0, 0); },
        [&] { return file.Write(1.0); },       [&] { return file.WriteBLOB(text, 1); },
        [&] { return file.WriteLine("t"); },   [&] { return file.WriteText(5L); },
        [&] { return file.WriteLen(text); },   [&] { return file.Flush(); },
        [&] { return file.Read(value, eof); }, [&] { return file.Locate(3); },
    };
    for (const auto& call : calls) {
        EXPECT_EQ(call(), ID_TWErrors_InvalidContext);
        CTWError::Clear();
    }
    char* at = text;
    long room = -1;
    EXPECT_EQ(file.GetCurLoc(at, room), 0);
    EXPECT_EQ(std::make_pair(at, room), std::make_pair(static_cast<char*>(nullptr), 0L));
    // A buffer but no file: the output waits in the buffer until the flush.
    TempDir dir;
    file.SetFileName(dir.File("missing/none.bin").c_str());
    ASSERT_GE(file.CreateFileA(), 0);
    EXPECT_GE(file.WriteLine("kept in the buffer"), 0);
    EXPECT_EQ(file.WriteFile(), ID_TWErrors_InvalidContext);
    CTWError::Clear();
    // The positions these calls left do not stay for the file opened next.
    WriteAll(dir.File("in.bin"), "abc\r\n");
    file.SetFileName(dir.File("in.bin").c_str());
    ASSERT_GE(file.CreateFileA(), 0);
    EXPECT_EQ(CurrentPoint(file), 0);
    CString line;
    ASSERT_GE(file.ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "abc");
}

// The sanitizer build reports a buffer left behind.
TEST(FileLifecycle, TheDestructorFreesTheBufferWhileAnErrorIsPending) {
    MessageRecorder recorder;
    auto file = std::make_unique<TestFile>("");
    (*file)->Reset();  // raises: the file is open
    ASSERT_LT(CTWError::m_nError, 0);
    file.reset();
    EXPECT_EQ(CTWError::m_nError, 0);  // reported and cleared
    EXPECT_EQ(recorder.texts().size(), 1u);
}

TEST(Faults, FailedCloseInTheDestructorStillFreesTheBuffer) {
    {
        TestFile file("");
        win32::fault::Arm(Kind::Close, 1);
    }
    EXPECT_EQ(win32::fault::Injected(), 1u);
    EXPECT_EQ(CTWError::m_nError, 0);  // reported and cleared
}

TEST(FileLifecycle, AFileOfTwoGibibytesIsRefusedNotWrapped) {
    TestFile file("", 0, win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE);  // grown from outside
    std::error_code error;
    std::filesystem::resize_file(file.path(), 0x80000000ULL, error);  // sparse: no disk space used
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(file->GetFileSize(), -1);
    EXPECT_EQ(TakeError(), "Error - file of 2 GiB or more is not supported");
    EXPECT_EQ(file->m_dwFileSize, 0u);
}

}  // namespace
}  // namespace twtest
