#include <gtest/gtest.h>

#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>
#include <twfile/platform/types.h>

#include "support/support.h"

namespace {

using win32::fault::Kind;

TEST(FileLifecycle, ANewObjectIsClosedWithTheDefaults) {
    CTWFile32 file;
    EXPECT_EQ(file.IsFileOpen(), 0);
    EXPECT_STREQ(file.GetFileName(), "");
    EXPECT_EQ(file.m_dwDesiredAccess, win32::GENERIC_READ);
    EXPECT_EQ(file.m_dwShareMode, win32::FILE_SHARE_READ);
    EXPECT_EQ(file.m_dwCreationDistribution, win32::OPEN_EXISTING);
    EXPECT_EQ(file.m_dwFlagsAndAttributes, win32::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(file.m_nBufSize, 65534);
    EXPECT_EQ(file.m_pBuffer, nullptr);
    EXPECT_EQ(file.GetFileSize(), ID_TWErrors_InvalidContext);
    CTWError::Clear();
    EXPECT_EQ(file.SetFilePointer(0, win32::FILE_BEGIN), ID_TWErrors_InvalidContext);
}

TEST(FileLifecycle, AFailedOpenShowsTheSystemTextRaisesNothingAndStillAllocates) {
    twtest::TempDir dir;
    twtest::MessageRecorder recorder;
    CTWFile32 file;
    file.SetFileName(dir.File("missing").c_str());
    EXPECT_GE(file.CreateFileA(), 0);
    EXPECT_EQ(file.IsFileOpen(), 0);
    EXPECT_NE(file.m_pBuffer, nullptr);
    ASSERT_EQ(recorder.texts().size(), 1u);
    EXPECT_EQ(recorder.texts()[0], std::strerror(ENOENT));
}

TEST(FileLifecycle, AFailedOpenWithoutSystemTextRaisesUnexpected) {
    twtest::TempDir dir;
    CTWFile32 file;
    file.SetFileName(dir.File("missing").c_str());
    win32::fault::ScopedDisarm guard;
    win32::fault::Arm(Kind::Message, 1);
    EXPECT_EQ(file.CreateFileA(), ID_TWErrors_UnExpected);
    EXPECT_EQ(file.m_pBuffer, nullptr);  // GetMemory stopped at its first check
}

TEST(FileLifecycle, OpenSizeSeekCloseAndReset) {
    twtest::TempDir dir;
    const std::string path = dir.File("f");
    twtest::WriteAll(path, "0123456789");
    CTWFile32 file;
    file.SetFileName(path.c_str());
    ASSERT_EQ(file.CreateFileA(), 0);
    ASSERT_EQ(file.IsFileOpen(), 1);
    EXPECT_EQ(file.GetFileSize(), 0);
    EXPECT_EQ(file.m_dwFileSize, 10u);
    EXPECT_EQ(file.SetFilePointer(4, win32::FILE_BEGIN), 0);

    EXPECT_EQ(file.Reset(), -1);
    EXPECT_STREQ(CTWError::GetMessage(), "Reset() called whilst file open");
    EXPECT_STREQ(file.GetFileName(), path.c_str());
    CTWError::Clear();

    EXPECT_EQ(file.CloseFile(), 0);
    EXPECT_EQ(file.IsFileOpen(), 0);
    EXPECT_NE(file.m_pBuffer, nullptr);  // closing keeps the buffer
    EXPECT_EQ(file.CloseFile(), 0);      // closing a closed file changes nothing
    EXPECT_EQ(file.Reset(), 0);
    EXPECT_STREQ(file.GetFileName(), "");
    EXPECT_EQ(file.m_dwDesiredAccess, win32::GENERIC_READ);  // open parameters stay
}

TEST(FileLifecycle, AFailedCloseRaisesAndLeavesTheFileClosed) {
    twtest::TempDir dir;
    CTWFile32 file;
    ASSERT_EQ(file.CreateFileTemp(dir.File("t").c_str()), 0);
    win32::fault::ScopedDisarm guard;
    win32::fault::Arm(Kind::Close, 1);
    EXPECT_EQ(file.CloseFile(), -1);
    EXPECT_STREQ(CTWError::GetMessage(), "Error closing a file");
    EXPECT_EQ(file.IsFileOpen(), 0);  // never closed twice
    CTWError::Clear();
    EXPECT_EQ(file.CloseFile(), 0);
    EXPECT_EQ(win32::fault::Calls(Kind::Close), 1u);
}

TEST(FileLifecycle, SystemFailuresOfSizeAndSeekAreUnexpected) {
    CTWFile32 file;
    twtest::TempDir dir;
    ASSERT_EQ(file.CreateFileTemp(dir.File("t").c_str()), 0);
    win32::fault::ScopedDisarm guard;
    win32::fault::Arm(Kind::Size, 1);
    EXPECT_EQ(file.GetFileSize(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    win32::fault::Arm(Kind::Seek, 1);
    EXPECT_EQ(file.SetFilePointer(1, win32::FILE_BEGIN), ID_TWErrors_UnExpected);
}

struct TempCase {
    const char* name;      // given to CreateFileTemp; {dir} is the test directory
    const char* expected;  // prefix of the file name made
};

class CreateFileTemp : public ::testing::TestWithParam<TempCase> {};

TEST_P(CreateFileTemp, TakesThePrefixAfterTheLastSeparator) {
    twtest::TempDir dir;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    CTWFile32 file;
    const int status = file.CreateFileTemp(GetParam().name);
    if (old != nullptr) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    ASSERT_EQ(status, 0);
    const std::string made = file.GetFileName();
    EXPECT_EQ(made.rfind(dir.path() + "/" + GetParam().expected, 0), 0u) << made;
    EXPECT_EQ(file.m_dwDesiredAccess, win32::GENERIC_READ | win32::GENERIC_WRITE);
    EXPECT_EQ(file.m_dwCreationDistribution, win32::OPEN_ALWAYS);
    EXPECT_EQ(file.CloseFile(), 0);
    EXPECT_TRUE(twtest::Exists(made));  // not deleted on close
}

INSTANTIATE_TEST_SUITE_P(Prefixes, CreateFileTemp,
                         ::testing::Values(TempCase{"C:\\temp\\abc", "abc"},
                                           TempCase{"plain", "plain"},
                                           TempCase{"dir/sub/xyz", "xyz"}, TempCase{"a\\b/c", "c"},
                                           TempCase{"", ""}));

TEST(FileMemory, OneHalvingKeepsTheSmallerSizeForTheLifeOfTheObject) {
    twtest::TempDir dir;
    CTWFile32 file;
    win32::fault::ScopedDisarm guard;
    win32::fault::Arm(Kind::GlobalAlloc, 1);
    ASSERT_EQ(file.CreateFileTemp(dir.File("t").c_str()), 0);
    EXPECT_EQ(file.m_nBufSize, 32767);
    win32::fault::Disarm();
    ASSERT_EQ(file.CreateFileTemp(dir.File("u").c_str()), 0);
    EXPECT_EQ(file.m_nBufSize, 32767);
}

TEST(FileMemory, WhenEveryAllocationFailsTheSizeEndsAtZero) {
    twtest::TempDir dir;
    CTWFile32 file;
    win32::fault::ScopedDisarm guard;
    win32::fault::ArmFrom(Kind::GlobalAlloc, 1);
    EXPECT_EQ(file.CreateFileTemp(dir.File("t").c_str()), ID_TWErrors_MemoryAlloc);
    EXPECT_EQ(file.m_nBufSize, 0);
    EXPECT_EQ(file.m_pBuffer, nullptr);
    EXPECT_EQ(win32::fault::Calls(Kind::GlobalAlloc), 16u);  // 65534, 32767, ... 1
}

TEST(FileMemory, AFailedLockReleasesTheBlock) {
    twtest::TempDir dir;
    CTWFile32 file;
    win32::fault::ScopedDisarm guard;
    win32::fault::Arm(Kind::GlobalLock, 1);
    EXPECT_EQ(file.CreateFileTemp(dir.File("t").c_str()), ID_TWErrors_MemoryAlloc);
    EXPECT_EQ(file.m_hMemory, nullptr);
    EXPECT_EQ(file.m_nBufSize, 65534);
}

TEST(FileLifecycle, TheDestructorReportsAndClearsAPendingError) {
    twtest::MessageRecorder recorder;
    {
        CTWFile32 file;
        file.GetFileSize();  // raises and shows once
        EXPECT_EQ(CTWError::m_nError, ID_TWErrors_InvalidContext);
    }
    EXPECT_EQ(CTWError::m_nError, 0);
    EXPECT_EQ(recorder.texts().size(), 1u);
}

}  // namespace

namespace {

TEST(FileLifecycle, TheDestructorFreesTheBufferWhileAnErrorIsPending) {
    // The sanitizer build reports the buffer if it is left behind.
    twtest::TempDir dir;
    auto* file = new CTWFile32;
    ASSERT_EQ(file->CreateFileTemp(dir.File("t").c_str()), 0);
    file->Reset();  // raises: the file is open
    ASSERT_LT(CTWError::m_nError, 0);
    delete file;
    EXPECT_EQ(CTWError::m_nError, 0);
}

}  // namespace

namespace {

TEST(FileLifecycle, AFileOfTwoGibibytesIsRefusedNotWrapped) {
    twtest::TempDir dir;
    const std::string path = dir.File("big");
    twtest::WriteAll(path, "");
    ASSERT_EQ(::truncate(path.c_str(), 0x80000000LL), 0);  // sparse: no disk space used
    CTWFile32 file;
    file.SetFileName(path.c_str());
    ASSERT_EQ(file.CreateFileA(), 0);
    EXPECT_EQ(file.GetFileSize(), -1);
    EXPECT_STREQ(CTWError::GetMessage(), "Error - file of 2 GiB or more is not supported");
    EXPECT_EQ(file.m_dwFileSize, 0u);
}

}  // namespace
