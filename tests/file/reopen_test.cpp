// A file object opens one file after another: each newly opened file starts
// with the current point at offset 0, whatever was done before.
#include <gtest/gtest.h>

#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>

#include "support/support.h"

namespace {

// A file that did not open still gets a buffer, and a caller that does not
// test IsFileOpen writes into it. The positions this left used to stay for
// the next file: its text then began with as many zero bytes.
TEST(Reopen, FileOpenedAfterWritesWithoutAFileStartsAtOffsetZero) {
    twtest::TempDir dir;
    CTWFile32 file;
    file.SetFileName(dir.File("missing/none.bin").c_str());
    ASSERT_GE(file.CreateFileA(), 0);
    ASSERT_EQ(file.IsFileOpen(), 0);
    ASSERT_GE(file.WriteText("stale"), 0);
    EXPECT_LT(file.WriteFile(), 0);
    CTWError::Clear();

    const std::string path = dir.File("out.bin");
    file.SetFileName(path.c_str());
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file.SetCreationDistribution(win32::CREATE_ALWAYS);
    ASSERT_GE(file.CreateFileA(), 0);
    long offset = -1;
    file.GetCurLoc(offset);
    EXPECT_EQ(offset, 0);
    ASSERT_GE(file.WriteText("new"), 0);
    ASSERT_GE(file.WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "new");
}

// Reading a closed object: the refill fails and the current point stays
// where the read began; the file opened next is read from its start.
TEST(Reopen, FileOpenedAfterAFailedLocateIsReadFromItsStart) {
    twtest::TempDir dir;
    const std::string path = dir.File("in.bin");
    twtest::WriteAll(path, "abc\r\n");
    CTWFile32 file;
    EXPECT_LT(file.Locate(3), 0);
    CTWError::Clear();
    file.SetFileName(path.c_str());
    ASSERT_GE(file.CreateFileA(), 0);
    CString line;
    int eof = -1;
    ASSERT_GE(file.ReadLine(&line, eof), 0);
    EXPECT_EQ(eof, 0);
    EXPECT_STREQ(line.GetString(), "abc");
}

}  // namespace
