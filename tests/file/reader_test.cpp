// Reading: lines and fields across refills, character arrays that are too
// small, items cut short by the end of the file, views, skips, positioning,
// and failed system calls during a refill.

#include <algorithm>
#include <climits>

#include "file/items.h"

namespace twtest {
namespace {

using win32::fault::Kind;

constexpr char kTooSmall[] = "Error - target too small for read operation";
constexpr char kReading[] = "Error reading a file";
constexpr char kLocating[] = "Error locating specific position within a file";

// Both forms in buffers of 65534, 15, 7, 3 and 1 bytes, so that lines and
// their CR LF cross refills; the array form gets the longest line's length
// as max. A last line without CR LF is left in the string form.
TEST(ReaderLines, BothFormsInEveryBufferSize) {
    const struct {
        std::string content;
        std::vector<std::string> lines;
        std::string rest;
    } cases[] = {
        {"A\r\nBC\r\n", {"A", "BC"}, ""},
        {"X\r\nY", {"X"}, "Y"},
        {"", {}, ""},
        {"\r\n\r\nz\r\n", {"", "", "z"}, ""},
        {"a\rb\nc\r\r\n\n\r\n", {"a\rb\nc\r", "\n"}, ""},
        {"a\r\nb\r", {"a"}, "b\r"},
        // With a 15-byte buffer the CR is the last loaded byte and its LF
        // the first of the next refill.
        {"ABCDEFGHIJKLMN\r\nOP\r\n", {"ABCDEFGHIJKLMN", "OP"}, ""},
        {std::string(40, 'q') + "\r\n", {std::string(40, 'q')}, ""},
    };
    for (const auto& c : cases) {
        std::size_t longest = 0;
        for (const std::string& line : c.lines)
            longest = std::max(longest, line.size());
        for (int halvings : {0, 12, 13, 14, 15}) {
            TestFile strings(c.content, halvings);
            TestFile arrays(c.content, halvings);
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
            EXPECT_EQ(TakeError(), "");
            EXPECT_EQ(fromStrings, c.lines) << testing::PrintToString(c.content) << halvings;
            EXPECT_EQ(fromArrays, c.lines) << testing::PrintToString(c.content) << halvings;
        }
    }
}

// An LF directly after a TAB ends the line in the array form only; a CR
// without LF belongs to the field; at end of file the end-of-line flag is
// not set.
TEST(Reader, FieldsEndAtTabOrCrLf) {
    const std::string bytes = "a\t\nb\rc\t\r\n";
    for (int halvings : {0, 15}) {
        TestFile arrays(bytes, halvings);
        TestFile strings(bytes, halvings);
        std::string fromArrays;
        std::string fromStrings;
        int end = 0;
        int eof = 0;
        char target[8];
        while (arrays->ReadField(target, 7, end = 7, eof) >= 0 && eof == 0)
            fromArrays += target + std::to_string(end) + "|";
        EXPECT_EQ(end, 7);  // not set at end of file
        CString text;
        while (strings->ReadField(&text, end, eof) >= 0 && eof == 0)
            fromStrings += text.GetString() + std::to_string(end) + "|";
        EXPECT_EQ(fromArrays, "a1|b\rc0|1|");
        EXPECT_EQ(fromStrings, "a0|\nb\rc0|1|");
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
    const struct {
        const char* name;
        std::string bytes;
        int halvings;
        int max;
        ArrayRead read;
        const char* outcome;  // the text read, or the error raised
        long point;
    } cases[] = {
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
        {"stored length over the buffer", Le32(21) + text20 + B("\0", 1), 12, 30, kLen, kReading,
         4},
        {"no NUL stored", B("\x03\0\0\0abc", 7), 0, 3, kLen, "ab", 7},
    };
    for (const auto& c : cases) {
        TestFile file(c.bytes, c.halvings);
        std::vector<char> target(static_cast<std::size_t>(c.max) + 2, '#');
        int eof = 0;
        if (c.read(*file, target.data(), c.max, eof) < 0) {
            EXPECT_EQ(TakeError(), c.outcome) << c.name;
        } else {
            EXPECT_STREQ(target.data(), c.outcome) << c.name;
        }
        EXPECT_EQ(target.back(), '#') << c.name;
        EXPECT_EQ(CurrentPoint(*file), c.point) << c.name;
    }
}

TEST(Reader, ArrayReadsRefuseANullTargetOrANegativeMax) {
    TestFile file("abc\r\n");
    const ArrayRead bytes = [](CTWFile32& f, char* t, int max, int& eof) {
        int count = 0;
        return f.ReadBytes(t, max, count, eof);
    };
    char target[4];
    int eof = 0;
    for (ArrayRead read : {kLine, kField, kText, kLen, bytes}) {
        EXPECT_EQ(read(*file, nullptr, 3, eof), ID_TWErrors_InvalidParam);
        EXPECT_EQ(read(*file, target, -1, eof), ID_TWErrors_InvalidParam);
        CTWError::Clear();
    }
    EXPECT_EQ(CurrentPoint(*file), 0);
}

template <class T>
int Fixed(CTWFile32& file, int& eof) {
    T value = 9;
    const int status = file.Read(value, eof);
    EXPECT_EQ(value, T(9));
    return status;
}

template <const ArrayRead* read>
int Untouched(CTWFile32& file, int& eof) {
    char target[8] = "#######";
    const int status = (*read)(file, target, 6, eof);
    EXPECT_STREQ(target, "#######");
    return status;
}

// An item that the end of the file cuts short gives end of file and takes
// nothing: the value or target keeps its contents, the current point stays.
TEST(Reader, ItemsCutShortGiveEndOfFileAndConsumeNothing) {
    const std::pair<std::string, int (*)(CTWFile32&, int&)> cases[] = {
        {"", Fixed<int>},
        {"abc", Fixed<int>},
        {"abcdefg", Fixed<double>},
        {"abc", [](CTWFile32& f, int& eof) { return f.SkipInt(eof); }},
        {"abc", Untouched<&kText>},
        {B("\x04\0", 2), Untouched<&kLen>},
        {B("\x04\0\0\0ab", 6), Untouched<&kLen>},
        {B("\x05\0\0\0ab", 6),
         [](CTWFile32& f, int& eof) {
             CString text("before");
             const int status = f.ReadLen(&text, eof);
             EXPECT_STREQ(text, "before");
             return status;
         }},
    };
    for (const auto& c : cases) {
        // Two bytes consumed first, so that the refill keeps the unread ones.
        TestFile file("zz" + c.first);
        int eof = 0;
        ASSERT_GE(file->SkipBLOB(2, eof), 0);
        EXPECT_GE(c.second(*file, eof), 0) << c.first;
        EXPECT_EQ(eof, 1) << c.first;
        EXPECT_EQ(CurrentPoint(*file), 2) << c.first;
        EXPECT_EQ(TakeError(), "") << c.first;
    }
}

// Each text is taken from the loaded bytes; a max larger than what is unread
// must not make every call go back to the file.
TEST(Reader, ArrayTextWithALargeMaxTakesTextsAlreadyLoaded) {
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes.append("abc\0", 4);
    TestFile file(bytes);
    std::vector<char> target(70000);
    int eof = 0;
    ASSERT_GE(file->Read(target.data(), 65535, eof), 0);  // the first loads the file
    win32::fault::StartCounting();
    for (int i = 1; i < 100; ++i) {
        ASSERT_GE(file->Read(target.data(), 65535, eof), 0);
        ASSERT_STREQ(target.data(), "abc");
    }
    EXPECT_EQ(win32::fault::Calls(Kind::Read), 0u);
}

TEST(Reader, RawBytesViewsSkipsAndEnsure) {
    std::string bytes;
    for (int i = 0; i < 40; ++i)
        bytes += static_cast<char>('A' + i);
    TestFile file(bytes, 12);  // 15 bytes
    int eof = 0;
    ASSERT_GE(file->SkipBLOB(12, eof), 0);
    // Fewer than 10 unread: the buffer is refilled so that 10 lie together;
    // a view consumes nothing.
    char* view = nullptr;
    long count = 0;
    ASSERT_GE(file->ReadBLOB(view, count, 10, eof), 0);
    EXPECT_EQ(B(view, 10), bytes.substr(12, 10));
    int bShort = 0;
    ASSERT_GE(file->Ensure(16, eof, bShort), 0);  // more than the buffer holds
    EXPECT_EQ(bShort, 1);
    // Fewer bytes left than asked: end of file only when none was read.
    char target[31];
    int taken = 0;
    ASSERT_GE(file->ReadBytes(target, 30, taken, eof), 0);
    EXPECT_EQ(std::make_pair(std::string(target), eof), std::make_pair(bytes.substr(12), 0));
    ASSERT_GE(file->ReadBytes(target, 10, taken, eof), 0);
    EXPECT_EQ(std::make_pair(taken, eof), std::make_pair(0, 1));
    // Skipping past the end stops at the end with eof.
    ASSERT_GE(file->Locate(38), 0);
    ASSERT_GE(file->SkipBLOB(5, eof), 0);
    EXPECT_EQ(std::make_pair(CurrentPoint(*file), eof), std::make_pair(40L, 1));
}

TEST(Reader, LocateMovesInsideTheLoadedBytesOrLoadsFromThere) {
    std::string content;
    for (int i = 0; i < 20; ++i)
        content += "line " + std::to_string(i) + "\r\n";
    TestFile file(content, 12);  // 15 bytes
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
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "line 13");
    // At or beyond the end: nothing is loaded and the current point is the
    // offset asked for, so that a writer can go on from there.
    const long size = static_cast<long>(content.size());
    // 2 GiB, where a long can hold it.
    const long twoGiB = sizeof(long) > 4 ? static_cast<long>(0x80000000LL) : LONG_MAX;
    for (long offset : {-1L, twoGiB, size + 1, size}) {
        EXPECT_EQ(file->Locate(offset), -1) << offset;
        EXPECT_EQ(TakeError(), kLocating);
    }
    EXPECT_EQ(CurrentPoint(*file), size);
    EXPECT_EQ(file->m_nBufValid, 0);
}

TEST(Reader, LocateInAnEmptyFileFailsAndLeavesTheCurrentPointThere) {
    TestFile file("");
    EXPECT_EQ(file->Locate(0), -1);
    EXPECT_EQ(TakeError(), kLocating);
    EXPECT_EQ(CurrentPoint(*file), 0);
    ASSERT_GE(file->WriteLine("first"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "first\r\n");
}

TEST(Reader, WritingAfterReadingRewritesFromTheCurrentPoint) {
    TestFile file("keep\r\nold line\r\nold tail\r\n");
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    ASSERT_GE(file->WriteLine("new"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(file.Contents(), "keep\r\nnew\r\n");
    // Nothing beyond the new end is still taken as loaded.
    EXPECT_EQ(file->m_nBufValid, 0);
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_EQ(eof, 1);
}

// A refill that fails leaves the current point where the load began and
// nothing loaded: after the error the caller reads the same value again.
TEST(ReaderFaults, FailedRefillKeepsTheCurrentPoint) {
    const struct {
        Kind kind;
        win32::fault::Action action;
        const char* text;
    } cases[] = {{Kind::Read, win32::fault::Action::Fail, kReading},
                 {Kind::Read, win32::fault::Action::Short, kReading},
                 {Kind::Size, win32::fault::Action::Fail, IDS_TWErrors_UnExpected},
                 {Kind::Seek, win32::fault::Action::Fail, IDS_TWErrors_UnExpected}};
    std::string bytes;
    for (unsigned i = 0; i < 8; ++i)
        bytes += Le32(i);
    for (const auto& c : cases) {
        TestFile file(bytes, 12);  // 15 bytes
        int eof = 0;
        int value = -1;
        for (int i = 0; i < 3; ++i)
            ASSERT_GE(file->Read(value, eof), 0);
        // The fourth value crosses the end of the loaded bytes.
        win32::fault::Arm(c.kind, 1, c.action, 1);
        EXPECT_LT(file->Read(value, eof), 0);
        EXPECT_EQ(TakeError(), c.text);
        EXPECT_EQ(value, 2);  // untouched
        EXPECT_EQ(CurrentPoint(*file), 12);
        // Nothing stays loaded once the window has moved (the size query
        // comes before the move).
        EXPECT_TRUE(c.kind == Kind::Size || file->m_nBufValid == 0);
        ASSERT_GE(file->Read(value, eof), 0);
        EXPECT_EQ(value, 3);
    }
}

TEST(Faults, FailedLocateCanBeRepeated) {
    TestFile file("first\r\nsecond\r\n");
    win32::fault::Arm(Kind::Read, 1);
    EXPECT_EQ(file->Locate(7), -1);
    EXPECT_EQ(TakeError(), kReading);
    ASSERT_GE(file->Locate(7), 0);
    CString line;
    int eof = 0;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_STREQ(line, "second");
}

// Output written past the loaded bytes and not yet flushed leaves nothing
// unread: every reader of the round-trip table, and those it does not hold,
// finds the end of the file (no byte is taken from the buffer's output or
// beyond it), and the output is then written as it was.
TEST(Reader, AfterOutputPastTheLoadedBytesEveryReaderFindsTheEnd) {
    // The readers the table does not hold give their status and what they took.
    struct Case {
        std::string name;
        Reader read;
        const char* result;  // null: not compared
    };
    std::vector<Case> cases = {
        {"ReadFile", [](CTWFile32& f, int& eof) { return std::to_string(f.ReadFile(eof)); }, "0"},
        {"ReadField(char*)",
         [](CTWFile32& f, int& eof) {
             char t[4] = "";
             int end = 0;
             return std::to_string(f.ReadField(t, 3, end, eof)) + t;
         },
         "0"},
        {"ReadBLOB",
         [](CTWFile32& f, int& eof) {
             char* data = nullptr;
             long count = 0;
             return std::to_string(f.ReadBLOB(data, count, 2, eof)) + std::to_string(count);
         },
         "00"}};
    for (const Item& item : Items()) {
        if (item.read != nullptr) cases.push_back({item.name, item.read, nullptr});
    }
    for (const Case& c : cases) {
        for (int halvings : {0, 14}) {
            SCOPED_TRACE(c.name + ", buffer " + std::to_string(BufferSizeAfter(halvings)));
            TestFile file("ab", halvings);
            int eof = 0;
            ASSERT_GE(file->ReadFile(eof), 0);
            ASSERT_GE(file->WriteText("hello"), 0);
            const std::string result = c.read(*file, eof);
            EXPECT_TRUE(c.result == nullptr || result == c.result) << result;
            EXPECT_EQ(eof, 1);
            EXPECT_EQ(TakeError(), "");
            ASSERT_GE(file->WriteFile(), 0);
            EXPECT_EQ(file.Contents(), "hello");
        }
    }
}

}  // namespace
}  // namespace twtest
