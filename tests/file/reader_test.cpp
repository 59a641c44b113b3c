// Reading: lines and fields across refills, typed values, texts, skips,
// views of the buffer and positioning.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "file/file_support.h"
#include "support/support.h"

namespace {

using twtest::B;

// Reads every line of a file with the string form; the last entry is the
// text left when end of file was reported.
std::vector<std::string> ReadLines(CTWFile32& file, std::string* rest) {
    std::vector<std::string> lines;
    for (;;) {
        CString line;
        int eof = -1;
        EXPECT_GE(file.ReadLine(&line, eof), 0);
        if (eof != 0) {
            EXPECT_EQ(eof, 1);
            *rest = line.GetString();
            return lines;
        }
        lines.emplace_back(line.GetString(), static_cast<std::size_t>(line.GetLength()));
    }
}

struct LineCase {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
    std::string rest;  // a last line without CR LF
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class ReaderLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReaderLines, StringFormInEveryBufferSize) {
    // 65534 bytes, then 15, 7, 3 and 1: lines and CR LF cross refills.
    for (int halvings : {0, 12, 13, 14, 15}) {
        twtest::TempDir dir;
        const std::string path = dir.File("lines.txt");
        twtest::WriteAll(path, GetParam().content);
        auto file = twtest::OpenExisting(path, halvings);
        std::string rest;
        EXPECT_EQ(ReadLines(*file, &rest), GetParam().lines) << "halvings " << halvings;
        EXPECT_EQ(rest, GetParam().rest) << "halvings " << halvings;
    }
}

TEST_P(ReaderLines, ArrayFormInEveryBufferSize) {
    for (int halvings : {0, 12, 13, 14, 15}) {
        twtest::TempDir dir;
        const std::string path = dir.File("lines.txt");
        twtest::WriteAll(path, GetParam().content);
        auto file = twtest::OpenExisting(path, halvings);
        std::vector<std::string> lines;
        for (;;) {
            char target[64];
            int eof = 0;
            ASSERT_GE(file->ReadLine(target, 63, eof), 0);
            if (eof != 0) break;
            lines.emplace_back(target);
        }
        EXPECT_EQ(lines, GetParam().lines) << "halvings " << halvings;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReaderLines,
    ::testing::Values(
        LineCase{"TwoLines", "A\r\nBC\r\n", {"A", "BC"}, ""},
        LineCase{"NoFinalCrLf", "X\r\nY", {"X"}, "Y"}, LineCase{"Empty", "", {}, ""},
        LineCase{"EmptyLines", "\r\n\r\nz\r\n", {"", "", "z"}, ""},
        LineCase{"LoneCrAndLf", "a\rb\nc\r\r\n\n\r\n", {"a\rb\nc\r", "\n"}, ""},
        LineCase{"FinalCr", "a\r\nb\r", {"a"}, "b\r"},
        // 14 bytes then CR LF: with a 15-byte buffer the CR is the last
        // loaded byte and its LF the first of the next refill.
        LineCase{"CrAtBufferEnd", "ABCDEFGHIJKLMN\r\nOP\r\n", {"ABCDEFGHIJKLMN", "OP"}, ""},
        LineCase{"LongerThanBuffer", std::string(40, 'q') + "\r\n", {std::string(40, 'q')}, ""}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(Reader, ArrayLineLongerThanMaxIsRefused) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    twtest::WriteAll(path, "ABCD\r\nABC\r\n");
    auto file = twtest::OpenExisting(path);
    char target[8];
    std::memset(target, '#', sizeof target);
    int eof = 0;
    EXPECT_EQ(file->ReadLine(target, 3, eof), -1);
    EXPECT_EQ(twtest::TakeError(), "Error - target too small for read operation");
    EXPECT_EQ(target[4], '#');  // nothing written beyond max + 1 bytes
    long offset = -1;
    file->GetCurLoc(offset);
    EXPECT_EQ(offset, 3);  // on the byte that did not fit
    ASSERT_GE(file->Locate(6), 0);
    ASSERT_GE(file->ReadLine(target, 3, eof), 0);
    EXPECT_EQ(eof, 0);
    EXPECT_STREQ(target, "ABC");
}

TEST(Reader, LocateInsideTheLoadedBytesReadsNothing) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    twtest::WriteAll(path, "one\r\ntwo\r\nthree\r\n");
    auto file = twtest::OpenExisting(path);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    win32::fault::StartCounting();
    ASSERT_GE(file->Locate(10), 0);
    EXPECT_EQ(win32::fault::Calls(win32::fault::Kind::Read), 0u);
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "three");
    long offset = 0;
    EXPECT_EQ(file->GetCurLoc(offset), 0);
    EXPECT_EQ(offset, 17);
    char* at = nullptr;
    long room = 0;
    EXPECT_EQ(file->GetCurLoc(at, room), 0);
    EXPECT_EQ(room, 65534 - 17);
    EXPECT_EQ(at, reinterpret_cast<char*>(file->m_pBuffer) + 17);
}

TEST(Reader, LocateOutsideTheLoadedBytesLoadsFromThere) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    std::string content;
    for (int i = 0; i < 20; ++i)
        content += "line " + std::to_string(i) + "\r\n";
    twtest::WriteAll(path, content);
    auto file = twtest::OpenExisting(path, 12);  // 15 bytes
    const long at = static_cast<long>(content.find("line 13"));
    ASSERT_GE(file->Locate(at), 0);
    EXPECT_EQ(file->m_nBufStart, at);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "line 13");
    ASSERT_GE(file->Locate(0), 0);
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "line 0");
}

TEST(Reader, LocateAtOrBeyondTheEndFails) {
    twtest::TempDir dir;
    const std::string path = dir.File("ten.bin");
    twtest::WriteAll(path, "0123456789");
    auto file = twtest::OpenExisting(path);
    for (long offset : {10L, 11L, 5000L, -1L, 0x80000000L}) {
        EXPECT_EQ(file->Locate(offset), -1) << offset;
        EXPECT_EQ(twtest::TakeError(), "Error locating specific position within a file");
    }
    ASSERT_GE(file->Locate(9), 0);
    char byte[2];
    int count = 0;
    int eof = 0;
    ASSERT_GE(file->ReadBytes(byte, 1, count, eof), 0);
    EXPECT_STREQ(byte, "9");
}

TEST(Reader, LocateInAnEmptyFileFailsAndLeavesTheCurrentPointThere) {
    twtest::TempDir dir;
    const std::string path = dir.File("empty.bin");
    twtest::WriteAll(path, "");
    auto file = twtest::OpenForUpdate(path);
    EXPECT_EQ(file->Locate(0), -1);
    EXPECT_EQ(twtest::TakeError(), "Error locating specific position within a file");
    long offset = -1;
    file->GetCurLoc(offset);
    EXPECT_EQ(offset, 0);
    // A writer can start from there.
    ASSERT_GE(file->WriteLine("first"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "first\r\n");
}

}  // namespace
