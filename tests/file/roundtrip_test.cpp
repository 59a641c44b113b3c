// Every writing primitive: the exact bytes it appends, and the reading
// primitives that give them back whatever the buffer sizes of the writer and
// the reader; then the same run with each system call failing in turn.

#include <algorithm>
#include <climits>

#include "file/file_support.h"

namespace twtest {
namespace {

// Longer than the small buffers, with a TAB and a lone CR in it.
const std::string kLong = "a text longer than the smallest buffers, with\ttab and \r lone CR";
const std::string kBlob = B("\0\xff\x10", 3);

// The primitives take char* but do not change the text.
char* M(const std::string& text) {
    return const_cast<char*>(text.c_str());
}

// The statuses of calls made in order: at least 0 when all are.
int All(std::initializer_list<int> statuses) {
    return std::min(statuses);
}

// Reading primitives, each giving the text of what it read.
using Reader = std::string (*)(CTWFile32&, int&);

template <class T>
std::string Value(CTWFile32& f, int& eof) {
    T value{};
    f.Read(value, eof);
    return ::testing::PrintToString(value);
}

template <int (CTWFile32::*read)(CString*, int&)>
std::string Text(CTWFile32& f, int& eof) {
    CString text;
    (f.*read)(&text, eof);
    return text.GetString();
}

template <int (CTWFile32::*read)(char*, int, int&)>
std::string Array(CTWFile32& f, int& eof) {
    char target[4] = "";
    (f.*read)(target, 3, eof);
    return target;
}

std::string Field(CTWFile32& f, int& eof) {
    CString text;
    int end = -1;
    f.ReadField(&text, end, eof);
    return text.GetString() + std::to_string(end);
}

std::string Bytes(CTWFile32& f, int& eof) {
    char target[4] = "";
    int count = 0;
    f.ReadBytes(target, 3, count, eof);
    return B(target, static_cast<std::size_t>(count));
}

template <int (CTWFile32::*skip)(int&)>
std::string Skip(CTWFile32& f, int& eof) {
    return std::to_string((f.*skip)(eof));
}

using Write = std::function<int(CTWFile32&)>;

// One writing call, the bytes it appends, and the reading call that takes
// them back (none for calls that append nothing).
struct Item {
    const char* name;
    Write write;
    std::string bytes;
    Reader read;
    std::string back;  // what the reader gives
};

std::vector<Item> Items() {
    const auto text = Text<&CTWFile32::Read>;
    const auto line = Text<&CTWFile32::ReadLine>;
    const auto len = Text<&CTWFile32::ReadLen>;
    return {
        {"Int", [](CTWFile32& f) { return f.Write(1); }, Le32(1), Value<int>, "1"},
        {"Long", [](CTWFile32& f) { return f.Write(-1L); }, Le32(~0u), Value<long>, "-1"},
        {"Float", [](CTWFile32& f) { return f.Write(1.0f); }, B("\0\0\x80\x3f", 4), Value<float>,
         "1"},
        {"Double", [](CTWFile32& f) { return f.Write(-2.5); }, B("\0\0\0\0\0\0\x04\xc0", 8),
         Value<double>, "-2.5"},
        {"Text", [](CTWFile32& f) { return f.Write("abc"); }, B("abc\0", 4),
         Array<&CTWFile32::Read>, "abc"},
        {"NullText", [](CTWFile32& f) { return f.Write(static_cast<const char*>(nullptr)); }, "",
         nullptr, ""},
        {"Nul", [](CTWFile32& f) { return f.WriteNull(); }, B("\0", 1), text, ""},
        {"LongText", [](CTWFile32& f) { return f.Write(kLong.c_str()); }, kLong + B("\0", 1), text,
         kLong},
        {"Blob",
         [](CTWFile32& f) {
             return All(
                 {f.WriteBLOB(M(kBlob), 3), f.WriteBLOB(M(kBlob), 0), f.WriteBLOB(M(kBlob), -4)});
         },
         kBlob, Bytes, kBlob},
        {"Field", [](CTWFile32& f) { return f.WriteField(M("a"), 0); }, "a\t", Field, "a0"},
        {"NullField", [](CTWFile32& f) { return f.WriteField(nullptr, 0); }, "\t", Field, "0"},
        {"LastField", [](CTWFile32& f) { return f.WriteField(M("b"), 1); }, "b\r\n", Field, "b1"},
        {"Line", [](CTWFile32& f) { return f.WriteLine("x y"); }, "x y\r\n",
         Array<&CTWFile32::ReadLine>, "x y"},
        {"EmptyLine", [](CTWFile32& f) { return f.WriteLine(""); }, "\r\n", line, ""},
        {"NullLine", [](CTWFile32& f) { return f.WriteLine(nullptr); }, "\r\n", line, ""},
        {"LongLine", [](CTWFile32& f) { return f.WriteLine(kLong.c_str()); }, kLong + "\r\n", line,
         kLong},
        {"Texts",
         [](CTWFile32& f) {
             return All({f.WriteText("ab"), f.WriteText(""), f.WriteText(nullptr),
                         f.WriteText(-25L), f.WriteText(static_cast<long>(INT_MIN)),
                         f.WriteLine(nullptr)});
         },
         "ab-25-2147483648\r\n", line, "ab-25-2147483648"},
        {"Len", [](CTWFile32& f) { return f.WriteLen(M("abc")); }, B("\x04\0\0\0abc\0", 8),
         Array<&CTWFile32::ReadLen>, "abc"},
        {"NullLen", [](CTWFile32& f) { return f.WriteLen(nullptr); }, B("\x01\0\0\0\0", 5), len,
         ""},
        {"LongLen", [](CTWFile32& f) { return f.WriteLen(M(kLong)); },
         Le32(static_cast<unsigned>(kLong.size()) + 1) + kLong + B("\0", 1), len, kLong},
        {"SkippedInt", [](CTWFile32& f) { return f.Write(1); }, Le32(1), Skip<&CTWFile32::SkipInt>,
         "0"},
        {"SkippedLong", [](CTWFile32& f) { return f.Write(2L); }, Le32(2),
         Skip<&CTWFile32::SkipLong>, "0"},
        {"SkippedText", [](CTWFile32& f) { return f.Write("skip"); }, B("skip\0", 5),
         Skip<&CTWFile32::SkipString>, "0"},
        {"SkippedBlob",
         [](CTWFile32& f) { return f.WriteBLOB(M(kLong), static_cast<long>(kLong.size())); }, kLong,
         [](CTWFile32& f, int& eof) {
             return std::to_string(f.SkipBLOB(static_cast<long>(kLong.size()), eof));
         },
         "0"},
    };
}

TEST(Writer, EachPrimitiveAppendsItsExactBytes) {
    TestFile file("");
    for (const Item& item : Items()) {
        const int before = file->m_nBufPos;
        EXPECT_GE(item.write(*file), 0) << item.name;
        EXPECT_EQ(B(reinterpret_cast<char*>(file->m_pBuffer) + before,
                    static_cast<std::size_t>(file->m_nBufPos - before)),
                  item.bytes)
            << item.name;
    }
}

class RoundTrip : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(RoundTrip, ReadsBackWhatWasWritten) {
    TestFile file("", GetParam().first);
    const std::vector<Item> items = Items();
    std::string expected;
    // Three times, so that the items start anywhere in a buffer.
    for (int i = 0; i < 3; ++i) {
        for (const Item& item : items) {
            ASSERT_GE(item.write(*file), 0) << item.name;
            expected += item.bytes;
        }
    }
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file.Contents(), expected);
    file.Reopen(GetParam().second);
    int eof = 0;
    for (int i = 0; i < 3; ++i) {
        for (const Item& item : items) {
            if (item.read == nullptr) continue;
            EXPECT_EQ(item.read(*file, eof), item.back) << item.name;
            EXPECT_EQ(eof, 0) << item.name;
        }
    }
    EXPECT_EQ(TakeError(), "");
    int value = 5;
    ASSERT_GE(file->Read(value, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(value, 5);
}

// Halvings of the writer's and the reader's buffer: 65534, 15, 7 and 1 bytes
// (the reader's buffer must hold the largest fixed-width value).
INSTANTIATE_TEST_SUITE_P(Buffers, RoundTrip,
                         ::testing::Values(std::make_pair(0, 0), std::make_pair(12, 12),
                                           std::make_pair(13, 0), std::make_pair(15, 12)));

// Writes every item through a 15-byte buffer, updates the first, reads all
// back and closes; gives the error pending at the end (after a failure every
// later call passes the error on).
int WriteUpdateRead(const std::string& path, const std::vector<Item>& items) {
    CTWFile32 file;
    file.SetFileName(path.c_str());
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file.SetCreationDistribution(win32::CREATE_ALWAYS);
    file.m_nBufSize = 15;
    file.CreateFileA();
    for (const Item& item : items)
        item.write(file);
    file.PrePreUpdate();
    file.PreUpdate(0, 4);
    file.Write(7);
    file.PostUpdate();
    file.PostPostUpdate();
    file.WriteFile();
    file.Locate(0);
    int eof = 0;
    int first = 0;
    file.Read(first, eof);
    EXPECT_TRUE(CTWError::m_nError != 0 || first == 7);
    for (std::size_t i = 1; i < items.size(); ++i) {
        if (items[i].read == nullptr) continue;
        const std::string back = items[i].read(file, eof);
        EXPECT_TRUE(CTWError::m_nError != 0 || back == items[i].back) << items[i].name;
    }
    file.Flush();
    return CTWError::m_nError;  // before the destructor reports and clears it
}

// Each call of the run fails in turn, then is cut short in turn: the failure
// is reported, and the sanitizer build shows that none reads or writes
// outside a buffer or leaks.
TEST(Faults, EveryCallOfARunCanFail) {
    TempDir dir;
    const std::string path = dir.File("sweep.bin");
    const std::vector<Item> items = Items();
    ASSERT_EQ(WriteUpdateRead(path, items), 0);
    for (auto action : {win32::fault::Action::Fail, win32::fault::Action::Short}) {
        for (unsigned long nth = 1;; ++nth) {
            win32::fault::ArmAny(nth, action, 1);
            const int status = WriteUpdateRead(path, items);
            const unsigned long injected = win32::fault::Injected();
            win32::fault::Disarm();
            CTWError::Clear();
            if (injected == 0) {
                EXPECT_EQ(status, 0);
                EXPECT_GT(nth, 50u);
                break;
            }
            EXPECT_LT(status, 0) << "call " << nth;
        }
    }
}

}  // namespace
}  // namespace twtest
