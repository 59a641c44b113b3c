// Every writing primitive, the exact bytes it appends and the reading
// primitive that gives them back: the table that the round trip, the writer
// and the fault campaign over the file object run.
#ifndef TWFILE_TESTS_FILE_ITEMS_H
#define TWFILE_TESTS_FILE_ITEMS_H

#include <algorithm>
#include <climits>

#include "file/file_support.h"

namespace twtest {

// Longer than the small buffers, with a TAB and a lone CR in it.
inline const std::string kLong =
    "a text longer than the smallest buffers, with\ttab and \r lone CR";
inline const std::string kBlob = B("\0\xff\x10", 3);

// The primitives take char* but do not change the text.
inline char* M(const std::string& text) {
    return const_cast<char*>(text.c_str());
}

// The statuses of calls made in order: at least 0 when all are.
inline int All(std::initializer_list<int> statuses) {
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

inline std::string Field(CTWFile32& f, int& eof) {
    CString text;
    int end = -1;
    f.ReadField(&text, end, eof);
    return text.GetString() + std::to_string(end);
}

inline std::string Bytes(CTWFile32& f, int& eof) {
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

inline std::vector<Item> Items() {
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

}  // namespace twtest

#endif  // TWFILE_TESTS_FILE_ITEMS_H
