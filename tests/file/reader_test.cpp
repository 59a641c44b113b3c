// Reading: lines and fields across refills, character arrays that are too
// small, items cut short by the end of the file, views, skips, positioning,
// and failed system calls during a refill.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
using twtest::CurrentPoint;
using twtest::OpenHolding;
using win32::fault::Kind;

constexpr char kTooSmall[] = "Error - target too small for read operation";
constexpr char kReading[] = "Error reading a file";
constexpr char kLocating[] = "Error locating specific position within a file";

struct LineCase {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
    std::string rest;  // a last line without CR LF
};

class ReaderLines : public ::testing::TestWithParam<LineCase> {};

// Both forms in buffers of 65534, 15, 7, 3 and 1 bytes, so that lines and
// their CR LF cross refills; the array form gets exactly the longest line's
// length as max.
TEST_P(ReaderLines, BothFormsInEveryBufferSize) {
    const LineCase& c = GetParam();
    std::size_t longest = 0;
    for (const std::string& line : c.lines)
        longest = std::max(longest, line.size());
    for (int halvings : {0, 12, 13, 14, 15}) {
        twtest::TempDir dir;
        auto strings = OpenHolding(dir.File("s"), c.content, halvings);
        auto arrays = OpenHolding(dir.File("a"), c.content, halvings);
        std::vector<std::string> fromStrings;
        std::vector<std::string> fromArrays;
        int eof = 0;
        CString line;
        while (strings->ReadLine(&line, eof) >= 0 && eof == 0)
            fromStrings.emplace_back(line.GetString());
        EXPECT_EQ(std::string(line.GetString()), c.rest);
        std::vector<char> target(longest + 1);
        while (arrays->ReadLine(target.data(), static_cast<int>(longest), eof) >= 0 && eof == 0)
            fromArrays.emplace_back(target.data());
        EXPECT_EQ(twtest::TakeError(), "");
        EXPECT_EQ(fromStrings, c.lines) << "buffer " << strings->m_nBufSize;
        EXPECT_EQ(fromArrays, c.lines) << "buffer " << arrays->m_nBufSize;
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
        // With a 15-byte buffer the CR is the last loaded byte and its LF
        // the first of the next refill.
        LineCase{"CrAtBufferEnd", "ABCDEFGHIJKLMN\r\nOP\r\n", {"ABCDEFGHIJKLMN", "OP"}, ""},
        LineCase{"LongerThanBuffer", std::string(40, 'q') + "\r\n", {std::string(40, 'q')}, ""}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(Reader, FieldsEndAtTabOrCrLf) {
    struct Case {
        const char* name;
        std::string bytes;
        bool array;
        std::vector<std::pair<std::string, int>> fields;  // text, end of line
    };
    const Case cases[] = {
        {"array", "a\tb\r\n", true, {{"a", 0}, {"b", 1}}},
        // An LF directly after a TAB ends the line in the array form only.
        {"array tab lf", "a\t\nb\r\n", true, {{"a", 1}, {"b", 1}}},
        {"string tab lf", "a\t\nb\r\n", false, {{"a", 0}, {"\nb", 1}}},
        {"tab at the end", "\t\t", true, {{"", 0}, {"", 0}}},
        {"cr inside", "a\rb\tc\r\n", false, {{"a\rb", 0}, {"c", 1}}},
    };
    for (const Case& c : cases) {
        for (int halvings : {0, 14, 15}) {  // 65534, 3 and 1 bytes
            twtest::TempDir dir;
            auto file = OpenHolding(dir.File("d"), c.bytes, halvings);
            std::vector<std::pair<std::string, int>> fields;
            for (;;) {
                int eof = 0;
                int end = 7;
                char target[16];
                CString text;
                ASSERT_GE(c.array ? file->ReadField(target, 15, end, eof)
                                  : file->ReadField(&text, end, eof),
                          0);
                if (eof != 0) {
                    EXPECT_EQ(end, 7) << c.name << ": not set at end of file";
                    break;
                }
                fields.emplace_back(c.array ? target : text.GetString(), end);
            }
            EXPECT_EQ(fields, c.fields) << c.name << ", halvings " << halvings;
        }
    }
}

using ArrayRead = int (*)(CTWFile32&, char*, int, int&);
const ArrayRead kLine = [](CTWFile32& f, char* t, int max, int& eof) {
    return f.ReadLine(t, max, eof);
};
const ArrayRead kField = [](CTWFile32& f, char* t, int max, int& eof) {
    int end = 0;
    return f.ReadField(t, max, end, eof);
};
const ArrayRead kText = [](CTWFile32& f, char* t, int max, int& eof) {
    return f.Read(t, max, eof);
};
const ArrayRead kLen = [](CTWFile32& f, char* t, int max, int& eof) {
    return f.ReadLen(t, max, eof);
};

// Reads into a character array of max + 1 bytes never write past it, nor
// take bytes beyond those loaded; a refused item leaves the current point on
// the first byte that was not taken.
TEST(Reader, CharacterArrayReadsStayInTheTargetAndTheBuffer) {
    const std::string text20(20, 't');
    struct Case {
        const char* name;
        std::string bytes;
        int halvings;
        int max;
        ArrayRead read;
        const char* outcome;  // the text read, or the error raised
        long point;
    };
    const Case cases[] = {
        {"line longer than max", "ABCD\r\n", 0, 3, kLine, kTooSmall, 3},
        {"CR that is content, after a refill", "ABCDEFGHIJKLMN\rX\r\n", 12, 14, kLine, kTooSmall,
         14},
        {"field longer than max", "abcd\tx\r\n", 0, 2, kField, kTooSmall, 2},
        {"text longer than max", B("abcd\0", 5), 0, 3, kText, kTooSmall, 0},
        {"empty text", B("\0", 1), 0, 0, kText, "", 1},
        {"text longer than the buffer", text20 + B("\0", 1), 12, 30, kText, kReading, 0},
        {"stored length over max", B("\x04\0\0\0abc\0", 8), 0, 2, kLen, kTooSmall, 4},
        {"stored length zero", B("\0\0\0\0abc\0", 8), 0, 3, kLen, kReading, 4},
        {"stored length negative", B("\xff\xff\xff\xff", 4) + B("abc\0", 4), 0, 3, kLen, kReading,
         4},
        {"stored length over the buffer", twtest::Le32(21) + text20 + B("\0", 1), 12, 30, kLen,
         kReading, 4},
        {"no NUL stored", B("\x03\0\0\0abc", 7), 0, 3, kLen, "ab", 7},
    };
    for (const Case& c : cases) {
        twtest::TempDir dir;
        auto file = OpenHolding(dir.File("d"), c.bytes, c.halvings);
        std::vector<char> target(static_cast<std::size_t>(c.max) + 2, '#');
        int eof = 0;
        if (c.read(*file, target.data(), c.max, eof) < 0) {
            EXPECT_EQ(twtest::TakeError(), c.outcome) << c.name;
        } else {
            EXPECT_EQ(eof, 0) << c.name;
            EXPECT_STREQ(target.data(), c.outcome) << c.name;
        }
        EXPECT_EQ(target.back(), '#') << c.name;
        EXPECT_EQ(CurrentPoint(*file), c.point) << c.name;
    }
}

template <class T>
int Fixed(CTWFile32& file, int& eof) {
    T value = 9;
    const int status = file.Read(value, eof);
    EXPECT_EQ(value, T(9));
    return status;
}

int ArrayUntouched(ArrayRead read, CTWFile32& file, int& eof) {
    char target[8] = "#######";
    const int status = read(file, target, 6, eof);
    EXPECT_STREQ(target, "#######");
    return status;
}

// An item that the end of the file cuts short gives end of file and takes
// nothing: the value or target keeps its contents, the current point stays.
TEST(Reader, ItemsCutShortGiveEndOfFileAndConsumeNothing) {
    using Read = int (*)(CTWFile32&, int&);
    const std::pair<std::string, Read> cases[] = {
        {"", Fixed<int>},
        {"abc", Fixed<int>},
        {"ab", Fixed<long>},
        {"a", Fixed<float>},
        {"abcdefg", Fixed<double>},
        {"abc", [](CTWFile32& f, int& eof) { return f.SkipInt(eof); }},
        {"abc", [](CTWFile32& f, int& eof) { return f.SkipLong(eof); }},
        {"abc", [](CTWFile32& f, int& eof) { return ArrayUntouched(kText, f, eof); }},
        {B("\x04\0\0\0", 4), [](CTWFile32& f, int& eof) { return ArrayUntouched(kLen, f, eof); }},
        {B("\x04\0\0\0ab", 6), [](CTWFile32& f, int& eof) { return ArrayUntouched(kLen, f, eof); }},
        {B("\x04\0", 2), [](CTWFile32& f, int& eof) { return ArrayUntouched(kLen, f, eof); }},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        for (int halvings : {0, 12}) {
            twtest::TempDir dir;
            // Two bytes consumed first, so the item also crosses a refill.
            auto file = OpenHolding(dir.File("d"), "zz" + cases[i].first, halvings);
            int eof = 0;
            ASSERT_GE(file->SkipBLOB(2, eof), 0);
            EXPECT_GE(cases[i].second(*file, eof), 0) << "case " << i;
            EXPECT_EQ(eof, 1) << "case " << i;
            EXPECT_EQ(CurrentPoint(*file), 2) << "case " << i;
            EXPECT_EQ(twtest::TakeError(), "") << "case " << i;
        }
    }
}

TEST(Reader, LengthPrefixedStringCutShortConsumesNothing) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir.File("d"), B("\x05\0\0\0ab", 6));
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
    auto file = OpenHolding(dir.File("d"), bytes);
    std::vector<char> target(70000);
    int eof = 0;
    ASSERT_GE(file->Read(target.data(), 65535, eof), 0);  // the first loads the file
    win32::fault::StartCounting();
    for (int i = 1; i < 100; ++i) {
        ASSERT_GE(file->Read(target.data(), 65535, eof), 0);
        ASSERT_EQ(eof, 0);
        ASSERT_STREQ(target.data(), "abc");
    }
    EXPECT_EQ(win32::fault::Calls(Kind::Read), 0u);
}

TEST(Reader, RawBytesViewsSkipsAndEnsure) {
    twtest::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 40; ++i)
        bytes += static_cast<char>('A' + i);
    auto file = OpenHolding(dir.File("d"), bytes, 12);  // 15 bytes
    char* view = nullptr;
    long count = 0;
    int eof = 0;
    int bShort = 0;
    ASSERT_GE(file->ReadBLOB(view, count, eof), 0);
    EXPECT_EQ(B(view, static_cast<std::size_t>(count)), bytes.substr(0, 15));
    EXPECT_EQ(CurrentPoint(*file), 0);  // a view consumes nothing
    ASSERT_GE(file->SkipBLOB(12, eof), 0);
    // Fewer than 10 unread: the buffer is refilled so that 10 lie together.
    ASSERT_GE(file->ReadBLOB(view, count, 10, eof), 0);
    EXPECT_EQ(B(view, 10), bytes.substr(12, 10));
    ASSERT_GE(file->Ensure(16, eof, bShort), 0);  // more than the buffer holds
    EXPECT_EQ(bShort, 1);
    char target[11];
    int taken = 0;
    ASSERT_GE(file->ReadBytes(target, 10, taken, eof), 0);
    EXPECT_STREQ(target, "MNOPQRSTUV");
    ASSERT_GE(file->SkipBLOB(15, eof), 0);
    ASSERT_GE(file->Ensure(4, eof, bShort), 0);  // the file ends within
    EXPECT_EQ(eof + 10 * bShort, 10);
    // The rest, fewer than asked: end of file only when nothing is left.
    ASSERT_GE(file->ReadBytes(target, 10, taken, eof), 0);
    EXPECT_EQ(B(target, static_cast<std::size_t>(taken)) + std::to_string(eof), "fgh0");
    ASSERT_GE(file->ReadBytes(target, 10, taken, eof), 0);
    EXPECT_EQ(taken + 10 * eof, 10);
    // Skipping past the end stops at the end with eof.
    ASSERT_GE(file->SkipBLOB(5, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(CurrentPoint(*file), 40);
}

TEST(Reader, LocateMovesInsideTheLoadedBytesOrLoadsFromThere) {
    twtest::TempDir dir;
    std::string content;
    for (int i = 0; i < 20; ++i)
        content += "line " + std::to_string(i) + "\r\n";
    auto file = OpenHolding(dir.File("d"), content, 12);  // 15 bytes
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    win32::fault::StartCounting();
    ASSERT_GE(file->Locate(2), 0);
    EXPECT_EQ(win32::fault::Calls(Kind::Read), 0u);
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "ne 0");
    const long at = static_cast<long>(content.find("line 13"));
    ASSERT_GE(file->Locate(at), 0);
    EXPECT_EQ(file->m_nBufStart, at);
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "line 13");
    char* point = nullptr;
    long room = 0;
    EXPECT_EQ(file->GetCurLoc(point, room), 0);
    EXPECT_EQ(room, 15 - 9);
    EXPECT_EQ(point, reinterpret_cast<char*>(file->m_pBuffer) + 9);
    // At or beyond the end: nothing is loaded and the current point is the
    // offset asked for, so that a writer can go on from there.
    const long size = static_cast<long>(content.size());
    for (long offset : {size, size + 1, -1L, 0x80000000L}) {
        EXPECT_EQ(file->Locate(offset), -1) << offset;
        EXPECT_EQ(twtest::TakeError(), kLocating);
    }
    ASSERT_EQ(file->Locate(size), -1);
    CTWError::Clear();
    EXPECT_EQ(CurrentPoint(*file), size);
    EXPECT_EQ(file->m_nBufValid, 0);
}

TEST(Reader, LocateInAnEmptyFileFailsAndLeavesTheCurrentPointThere) {
    twtest::TempDir dir;
    const std::string path = dir.File("empty.bin");
    auto file = OpenHolding(path, "");
    EXPECT_EQ(file->Locate(0), -1);
    EXPECT_EQ(twtest::TakeError(), kLocating);
    EXPECT_EQ(CurrentPoint(*file), 0);
    // A writer can start from there.
    ASSERT_GE(file->WriteLine("first"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "first\r\n");
}

TEST(Reader, WritingAfterReadingRewritesFromTheCurrentPoint) {
    twtest::TempDir dir;
    const std::string path = dir.File("lines.txt");
    auto file = OpenHolding(path, "keep\r\nold line\r\nold tail\r\n");
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    ASSERT_GE(file->WriteLine("new"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "keep\r\nnew\r\n");
    // Nothing beyond the new end is still taken as loaded.
    EXPECT_EQ(file->m_nBufValid, 0);
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(file->Locate(11), -1);
    EXPECT_EQ(twtest::TakeError(), kLocating);
}

struct ReadFault {
    const char* name;
    Kind kind;
    win32::fault::Action action;
    int number;
};

class ReaderFaults : public ::testing::TestWithParam<ReadFault> {};

// A refill that fails leaves the current point where the load began: after the error the caller
// reads the same value again.
TEST_P(ReaderFaults, FailedRefillKeepsTheCurrentPoint) {
    const ReadFault& fault = GetParam();
    twtest::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += twtest::Le32(static_cast<unsigned>(i));
    auto file = OpenHolding(dir.File("values.bin"), bytes, 12);  // 15 bytes
    int eof = 0;
    int value = -1;
    for (int i = 0; i < 3; ++i)
        ASSERT_GE(file->Read(value, eof), 0);
    // The fourth value crosses the end of the loaded bytes.
    win32::fault::Arm(fault.kind, 1, fault.action, 1);
    EXPECT_EQ(file->Read(value, eof), fault.number);
    win32::fault::Disarm();
    EXPECT_EQ(twtest::TakeError(), fault.number == -1 ? kReading : IDS_TWErrors_UnExpected);
    EXPECT_EQ(value, 2);  // untouched
    EXPECT_EQ(CurrentPoint(*file), 12);
    ASSERT_GE(file->Read(value, eof), 0);
    EXPECT_EQ(value, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ReaderFaults,
    ::testing::Values(
        ReadFault{"FailedRead", Kind::Read, win32::fault::Action::Fail, -1},
        ReadFault{"ShortRead", Kind::Read, win32::fault::Action::Short, -1},
        ReadFault{"FailedSize", Kind::Size, win32::fault::Action::Fail, ID_TWErrors_UnExpected},
        ReadFault{"FailedSeek", Kind::Seek, win32::fault::Action::Fail, ID_TWErrors_UnExpected}),
    [](const ::testing::TestParamInfo<ReadFault>& info) { return std::string(info.param.name); });

TEST(Faults, FailedLocateCanBeRepeated) {
    twtest::TempDir dir;
    auto file = OpenHolding(dir.File("lines.txt"), "first\r\nsecond\r\n");
    win32::fault::Arm(Kind::Read, 1);
    EXPECT_EQ(file->Locate(7), -1);
    EXPECT_EQ(twtest::TakeError(), kReading);
    win32::fault::Disarm();
    ASSERT_GE(file->Locate(7), 0);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "second");
    // A string that cannot grow raises the memory error.
    ASSERT_GE(file->Locate(0), 0);
    CString fresh;
    win32::fault::Arm(Kind::String, 1);
    EXPECT_EQ(file->ReadLine(&fresh, eof), ID_TWErrors_MemoryAlloc);
}

}  // namespace
