// Reading: lines and fields across refills, typed values, texts, skips,
// views of the buffer and positioning.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
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

// Opens a file holding bytes, with the buffer halved the given times.
std::unique_ptr<CTWFile32> OpenHolding(const twtest::TempDir& dir, const std::string& bytes,
                                       int halvings = 0) {
    const std::string path = dir.File("data.bin");
    twtest::WriteAll(path, bytes);
    return twtest::OpenExisting(path, halvings);
}

long CurrentPoint(CTWFile32& file) {
    long offset = -1;
    file.GetCurLoc(offset);
    return offset;
}

TEST(Reader, FixedWidthValues) {
    twtest::TempDir dir;
    auto file = OpenHolding(
        dir, B("\x01\0\0\0\xfe\xff\xff\xff\0\0\x80\x3f", 12) + B("\0\0\0\0\0\0\xf0\xbf", 8));
    int i = 0;
    long l = 0;
    float f = 0;
    double d = 0;
    int eof = -1;
    ASSERT_GE(file->Read(i, eof), 0);
    EXPECT_EQ(eof, 0);
    EXPECT_EQ(i, 1);
    ASSERT_GE(file->Read(l, eof), 0);
    EXPECT_EQ(l, -2);
    ASSERT_GE(file->Read(f, eof), 0);
    EXPECT_EQ(f, 1.0f);
    ASSERT_GE(file->Read(d, eof), 0);
    EXPECT_EQ(d, -1.0);
    ASSERT_GE(file->Read(i, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(i, 1);
}

TEST(Reader, ValuesCutShortByTheEndOfTheFileAreNotTaken) {
    struct Case {
        const char* name;
        std::string bytes;
        std::function<int(CTWFile32&, int&)> read;
    };
    const Case cases[] = {
        {"int of 0", "",
         [](CTWFile32& f, int& eof) {
             int v = 9;
             int r = f.Read(v, eof);
             EXPECT_EQ(v, 9);
             return r;
         }},
        {"int of 3", "abc",
         [](CTWFile32& f, int& eof) {
             int v = 9;
             int r = f.Read(v, eof);
             EXPECT_EQ(v, 9);
             return r;
         }},
        {"long of 2", "ab",
         [](CTWFile32& f, int& eof) {
             long v = 9;
             int r = f.Read(v, eof);
             EXPECT_EQ(v, 9);
             return r;
         }},
        {"float of 1", "a",
         [](CTWFile32& f, int& eof) {
             float v = 9;
             int r = f.Read(v, eof);
             EXPECT_EQ(v, 9);
             return r;
         }},
        {"double of 7", "abcdefg",
         [](CTWFile32& f, int& eof) {
             double v = 9;
             int r = f.Read(v, eof);
             EXPECT_EQ(v, 9);
             return r;
         }},
        {"skip int of 3", "abc", [](CTWFile32& f, int& eof) { return f.SkipInt(eof); }},
        {"skip long of 3", "abc", [](CTWFile32& f, int& eof) { return f.SkipLong(eof); }},
        {"text without NUL", "abc",
         [](CTWFile32& f, int& eof) {
             char t[8] = "#######";
             int r = f.Read(t, 6, eof);
             EXPECT_STREQ(t, "#######");
             return r;
         }},
        {"length only", B("\x04\0\0\0", 4),
         [](CTWFile32& f, int& eof) {
             char t[8] = "#######";
             int r = f.ReadLen(t, 6, eof);
             EXPECT_STREQ(t, "#######");
             return r;
         }},
        {"length and part", B("\x04\0\0\0ab", 6),
         [](CTWFile32& f, int& eof) {
             char t[8] = "#######";
             int r = f.ReadLen(t, 6, eof);
             EXPECT_STREQ(t, "#######");
             return r;
         }},
        {"part of length", B("\x04\0", 2),
         [](CTWFile32& f, int& eof) {
             char t[8] = "#######";
             return f.ReadLen(t, 6, eof);
         }},
    };
    for (const Case& c : cases) {
        for (int halvings : {0, 12}) {
            twtest::TempDir dir;
            // Two bytes consumed first, so the value also crosses a refill.
            auto file = OpenHolding(dir, "zz" + c.bytes, halvings);
            char zz[3];
            int count = 0;
            int eof = 0;
            ASSERT_GE(file->ReadBytes(zz, 2, count, eof), 0);
            ASSERT_EQ(count, 2);
            eof = 0;
            EXPECT_GE(c.read(*file, eof), 0) << c.name;
            EXPECT_EQ(eof, 1) << c.name;
            EXPECT_EQ(CurrentPoint(*file), 2) << c.name << ": nothing taken";
            EXPECT_EQ(CTWError::m_nError, 0) << c.name;
        }
    }
}

TEST(Reader, TextIntoCharacterArray) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir, B("abc\0abcd\0\0", 10));
    char target[8];
    std::memset(target, '#', sizeof target);
    int eof = 0;
    ASSERT_GE(file->Read(target, 3, eof), 0);
    EXPECT_STREQ(target, "abc");
    std::memset(target, '#', sizeof target);
    EXPECT_EQ(file->Read(target, 3, eof), -1);
    EXPECT_EQ(twtest::TakeError(), "Error - target too small for read operation");
    EXPECT_EQ(CurrentPoint(*file), 4);  // not moved
    EXPECT_EQ(target[0], '#');
    ASSERT_GE(file->Read(target, 4, eof), 0);
    EXPECT_STREQ(target, "abcd");
    ASSERT_GE(file->Read(target, 0, eof), 0);  // the empty text
    EXPECT_STREQ(target, "");
    EXPECT_EQ(eof, 0);
    ASSERT_GE(file->Read(target, 4, eof), 0);
    EXPECT_EQ(eof, 1);
}

TEST(Reader, CharacterArrayTextsLongerThanTheBufferAreRefused) {
    twtest::TempDir dir;
    // A 15-byte buffer: a text of 20 bytes cannot lie in it.
    std::string text(20, 't');
    auto file = OpenHolding(dir, text + B("\0", 1) + B("\x15\0\0\0", 4) + text + B("\0", 1), 12);
    std::vector<char> target(102, '#');
    int eof = 0;
    EXPECT_EQ(file->Read(target.data(), 100, eof), -1);
    EXPECT_EQ(twtest::TakeError(), "Error reading a file");
    EXPECT_EQ(target[101], '#');
    ASSERT_GE(file->SkipString(eof), 0);
    EXPECT_EQ(CurrentPoint(*file), 21);
    EXPECT_EQ(file->ReadLen(target.data(), 100, eof), -1);
    EXPECT_EQ(twtest::TakeError(), "Error reading a file");
    EXPECT_EQ(target[101], '#');
}

TEST(Reader, LengthPrefixedTexts) {
    struct Case {
        const char* name;
        std::string bytes;
        int max;
        const char* text;   // null: an error
        const char* error;  // the error's text
        long after;         // the current point afterwards
    };
    const Case cases[] = {
        {"fits", B("\x04\0\0\0abc\0", 8), 3, "abc", nullptr, 8},
        {"too small", B("\x04\0\0\0abc\0", 8), 2, nullptr,
         "Error - target too small for read operation", 4},
        {"empty", B("\x01\0\0\0\0", 5), 0, "", nullptr, 5},
        {"zero length", B("\0\0\0\0abc\0", 8), 3, nullptr, "Error reading a file", 4},
        {"negative length",
         B("\xff\xff\xff\xff"
           "abc\0",
           8),
         3, nullptr, "Error reading a file", 4},
        {"no NUL stored", B("\x03\0\0\0abc", 7), 3, "ab", nullptr, 7},
    };
    for (const Case& c : cases) {
        twtest::TempDir dir;
        auto file = OpenHolding(dir, c.bytes);
        char target[8];
        std::memset(target, '#', sizeof target);
        int eof = 0;
        const int status = file->ReadLen(target, c.max, eof);
        if (c.text != nullptr) {
            EXPECT_GE(status, 0) << c.name;
            EXPECT_EQ(eof, 0) << c.name;
            EXPECT_STREQ(target, c.text) << c.name;
        } else {
            EXPECT_EQ(status, -1) << c.name;
            EXPECT_EQ(twtest::TakeError(), c.error) << c.name;
        }
        EXPECT_EQ(target[c.max + 1], '#') << c.name;
        EXPECT_EQ(CurrentPoint(*file), c.after) << c.name;
    }
}

TEST(Reader, StringFormsGrowAcrossRefills) {
    twtest::TempDir dir;
    const std::string text(1000, 'x');
    auto file = OpenHolding(dir, B("\x05\0\0\0", 4) + text + B("\0", 1) + "tail", 12);
    CString s("old contents");
    int eof = 0;
    ASSERT_GE(file->ReadLen(&s, eof), 0);
    EXPECT_EQ(s.GetLength(), 1000);
    EXPECT_EQ(eof, 0);
    // A text that the file ends before its NUL: the bytes collected.
    ASSERT_GE(file->Read(&s, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_STREQ(s, "tail");
}

TEST(Reader, FieldsEndAtTabOrCrLf) {
    struct Case {
        const char* name;
        std::string bytes;
        bool array;
        std::vector<std::pair<std::string, int>> fields;  // text, end of line
    };
    const Case cases[] = {
        {"array", "a\tb\r\n", true, {{"a", 0}, {"b", 1}}},
        {"string", "a\tb\r\n", false, {{"a", 0}, {"b", 1}}},
        // An LF directly after a TAB ends the line in the array form only.
        {"array tab lf", "a\t\nb\r\n", true, {{"a", 1}, {"b", 1}}},
        {"string tab lf", "a\t\nb\r\n", false, {{"a", 0}, {"\nb", 1}}},
        {"empty fields", "\t\t\r\n", true, {{"", 0}, {"", 0}, {"", 1}}},
        {"tab at the end", "a\t", true, {{"a", 0}}},
        {"cr inside", "a\rb\tc\r\n", false, {{"a\rb", 0}, {"c", 1}}},
    };
    for (const Case& c : cases) {
        for (int halvings : {0, 14, 15}) {  // 65534, 3 and 1 bytes
            twtest::TempDir dir;
            auto file = OpenHolding(dir, c.bytes, halvings);
            std::vector<std::pair<std::string, int>> fields;
            for (;;) {
                int eof = 0;
                int end = 7;
                char target[16];
                CString text;
                if (c.array) {
                    ASSERT_GE(file->ReadField(target, 15, end, eof), 0);
                } else {
                    ASSERT_GE(file->ReadField(&text, end, eof), 0);
                }
                if (eof != 0) {
                    EXPECT_EQ(end, 7) << c.name << ": not set at end of file";
                    break;
                }
                fields.emplace_back(c.array ? std::string(target) : std::string(text.GetString()),
                                    end);
            }
            EXPECT_EQ(fields, c.fields) << c.name << ", halvings " << halvings;
        }
    }
}

TEST(Reader, ArrayFieldLongerThanMaxIsRefused) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir, "abcd\tx\r\n");
    char target[8];
    std::memset(target, '#', sizeof target);
    int eof = 0;
    int end = 0;
    EXPECT_EQ(file->ReadField(target, 2, end, eof), -1);
    EXPECT_EQ(twtest::TakeError(), "Error - target too small for read operation");
    EXPECT_EQ(target[3], '#');
    EXPECT_EQ(CurrentPoint(*file), 2);
}

TEST(Reader, LineOfExactlyMaxWithCrLfSplitByARefill) {
    // A 15-byte buffer: CR is byte 15, LF byte 16; max equals the line.
    twtest::TempDir dir;
    auto file = OpenHolding(dir, "ABCDEFGHIJKLMN\r\nZ\r\n", 12);
    char target[15];
    int eof = 0;
    ASSERT_GE(file->ReadLine(target, 14, eof), 0);
    EXPECT_STREQ(target, "ABCDEFGHIJKLMN");
    ASSERT_GE(file->ReadLine(target, 14, eof), 0);
    EXPECT_STREQ(target, "Z");
    // A CR that is content and does not fit: the point stays on it.
    auto other = OpenHolding(dir, "ABCDEFGHIJKLMN\rX\r\n", 12);
    EXPECT_EQ(other->ReadLine(target, 14, eof), -1);
    EXPECT_EQ(twtest::TakeError(), "Error - target too small for read operation");
    EXPECT_EQ(CurrentPoint(*other), 14);
}

TEST(Reader, ReadBytesReportsEndOfFileOnlyWithNothingRead) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir, "123456", 14);  // 3-byte buffer
    char target[11];
    int count = -1;
    int eof = -1;
    ASSERT_GE(file->ReadBytes(target, 2, count, eof), 0);
    EXPECT_EQ(count, 2);
    ASSERT_GE(file->ReadBytes(target, 10, count, eof), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(eof, 0);
    EXPECT_STREQ(target, "3456");
    ASSERT_GE(file->ReadBytes(target, 10, count, eof), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(eof, 1);
    EXPECT_STREQ(target, "");
}

TEST(Reader, BlobViewsAndSkips) {
    twtest::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 40; ++i)
        bytes += static_cast<char>('A' + i);
    auto file = OpenHolding(dir, bytes, 12);  // 15 bytes
    char* view = nullptr;
    long count = 0;
    int eof = 0;
    ASSERT_GE(file->ReadBLOB(view, count, eof), 0);
    EXPECT_EQ(count, 15);
    EXPECT_EQ(std::string(view, 15), bytes.substr(0, 15));
    EXPECT_EQ(CurrentPoint(*file), 0);  // a view consumes nothing
    ASSERT_GE(file->SkipBLOB(12, eof), 0);
    // Fewer than 10 unread: the view is refilled so that 10 lie together.
    ASSERT_GE(file->ReadBLOB(view, count, 10, eof), 0);
    EXPECT_EQ(count, 15);
    EXPECT_EQ(std::string(view, 10), bytes.substr(12, 10));
    ASSERT_GE(file->SkipBLOB(0, eof), 0);
    EXPECT_EQ(CurrentPoint(*file), 12);
    ASSERT_GE(file->SkipBLOB(25, eof), 0);
    EXPECT_EQ(eof, 0);
    EXPECT_EQ(CurrentPoint(*file), 37);
    ASSERT_GE(file->ReadBLOB(view, count, 10, eof), 0);
    EXPECT_EQ(count, 3);  // all the file has left
    // Skipping past the end stops at the end with eof.
    ASSERT_GE(file->SkipBLOB(5, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(CurrentPoint(*file), 40);
    ASSERT_GE(file->ReadBLOB(view, count, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(count, 0);
}

TEST(Reader, EnsureTellsWhetherTheBytesLieTogether) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir, std::string(20, 'e'), 12);  // 15 bytes
    int eof = -1;
    int bShort = -1;
    ASSERT_GE(file->Ensure(10, eof, bShort), 0);
    EXPECT_EQ(eof, 0);
    EXPECT_EQ(bShort, 0);
    ASSERT_GE(file->Ensure(16, eof, bShort), 0);  // more than the buffer
    EXPECT_EQ(bShort, 1);
    ASSERT_GE(file->SkipBLOB(17, eof), 0);
    ASSERT_GE(file->Ensure(4, eof, bShort), 0);  // the file ends within
    EXPECT_EQ(eof, 0);
    EXPECT_EQ(bShort, 1);
    ASSERT_GE(file->SkipBLOB(3, eof), 0);
    ASSERT_GE(file->Ensure(1, eof, bShort), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(bShort, 0);
}

TEST(Reader, RefillCountsTheLoadedBytesAsConsumed) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir, std::string(20, 'r'), 12);  // 15 bytes
    int eof = -1;
    ASSERT_GE(file->ReadFile(eof), 0);
    EXPECT_EQ(file->m_nBufStart, 0);
    EXPECT_EQ(file->m_nBufValid, 15);
    ASSERT_GE(file->ReadFile(eof), 0);
    EXPECT_EQ(file->m_nBufStart, 15);
    EXPECT_EQ(file->m_nBufValid, 5);
    ASSERT_GE(file->ReadFile(eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(file->m_nBufStart, 15);
    EXPECT_EQ(file->m_nBufValid, 5);
}

TEST(Reader, FirstRefillMakesTheBufferWhenNoneIsHeld) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    twtest::WriteAll(path, "only\r\n");
    CTWFile32 file;
    file.SetFileName(path.c_str());
    win32::fault::ArmFrom(win32::fault::Kind::GlobalAlloc, 1);
    EXPECT_EQ(file.CreateFileA(), ID_TWErrors_MemoryAlloc);
    win32::fault::Disarm();
    CTWError::Clear();
    ASSERT_EQ(file.m_pBuffer, nullptr);
    file.m_nBufSize = 64;
    CString line;
    int eof = 0;
    ASSERT_GE(file.ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "only");
    EXPECT_NE(file.m_pBuffer, nullptr);
}

TEST(Reader, WithoutAnOpenFileTheFirstRefillRaisesInvalidContext) {
    CTWFile32 file;
    CString line;
    int eof = 0;
    EXPECT_EQ(file.ReadLine(&line, eof), ID_TWErrors_InvalidContext);
    CTWError::Clear();
    int value = 0;
    EXPECT_EQ(file.Read(value, eof), ID_TWErrors_InvalidContext);
    CTWError::Clear();
    EXPECT_EQ(file.Locate(0), ID_TWErrors_InvalidContext);
    CTWError::Clear();
}

TEST(Reader, WritingAfterReadingRewritesFromTheCurrentPoint) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    twtest::WriteAll(path, "keep\r\nold line\r\nold tail\r\n");
    auto file = twtest::OpenForUpdate(path);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    ASSERT_GE(file->WriteLine("new"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "keep\r\nnew\r\n");
    // Nothing beyond the new end is still taken as loaded.
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(file->Locate(11), -1);
    EXPECT_EQ(twtest::TakeError(), "Error locating specific position within a file");
}

}  // namespace

TEST(Reader, LengthPrefixedStringCutShortConsumesNothing) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir, B("\x05\0\0\0ab", 6));
    CString text("before");
    int eof = 0;
    EXPECT_GE(file->ReadLen(&text, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_STREQ(text, "before");
    EXPECT_EQ(CurrentPoint(*file), 0);
}

TEST(Reader, ArrayTextWithALargeMaxTakesTextsAlreadyLoaded) {
    // Each text is taken from the loaded bytes; a max larger than what is
    // unread must not make every call go back to the file.
    twtest::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes.append("abc\0", 4);
    auto file = OpenHolding(dir, bytes);
    std::vector<char> target(70000);
    int eof = 0;
    ASSERT_GE(file->Read(target.data(), 65535, eof), 0);  // the first loads the file
    win32::fault::ScopedDisarm guard;
    win32::fault::StartCounting();
    for (int i = 1; i < 100; ++i) {
        ASSERT_GE(file->Read(target.data(), 65535, eof), 0);
        ASSERT_EQ(eof, 0);
        ASSERT_STREQ(target.data(), "abc");
    }
    EXPECT_EQ(win32::fault::Calls(win32::fault::Kind::Read), 0u);
}
