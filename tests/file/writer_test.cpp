// Writing: the exact bytes of every primitive, the flushes, items larger
// than the buffer, and the end of the file after WriteFile.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>

#include "file/file_support.h"
#include "support/support.h"

namespace {

using twtest::B;

struct Encoding {
    const char* name;
    std::function<int(CTWFile32&)> write;
    std::string bytes;
    friend void PrintTo(const Encoding& e, std::ostream* os) { *os << e.name; }
};

class WriterEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(WriterEncoding, AppendsExactBytes) {
    twtest::TempDir dir;
    const std::string path = dir.File("out.bin");
    {
        auto file = twtest::OpenNew(path);
        EXPECT_GE(GetParam().write(*file), 0);
        EXPECT_GE(file->WriteFile(), 0);
    }
    EXPECT_EQ(twtest::ReadAll(path), GetParam().bytes);
}

char g_a[] = "a";
char g_b[] = "b";
char g_abc[] = "abc";
char g_blob[] = {'\x00', '\xff', '\x10'};

INSTANTIATE_TEST_SUITE_P(
    Primitives, WriterEncoding,
    ::testing::Values(
        Encoding{"IntOne", [](CTWFile32& f) { return f.Write(1); }, B("\x01\0\0\0", 4)},
        Encoding{"IntMin", [](CTWFile32& f) { return f.Write(INT_MIN); }, B("\0\0\0\x80", 4)},
        Encoding{"LongMinusOne", [](CTWFile32& f) { return f.Write(-1L); },
                 B("\xff\xff\xff\xff", 4)},
        Encoding{"Double", [](CTWFile32& f) { return f.Write(1.0); }, B("\0\0\0\0\0\0\xf0\x3f", 8)},
        Encoding{"Float", [](CTWFile32& f) { return f.Write(1.0f); }, B("\0\0\x80\x3f", 4)},
        Encoding{"String", [](CTWFile32& f) { return f.Write("abc"); }, B("abc\0", 4)},
        Encoding{"NullString",
                 [](CTWFile32& f) { return f.Write(static_cast<const char*>(nullptr)); }, ""},
        Encoding{"Null", [](CTWFile32& f) { return f.WriteNull(); }, B("\0", 1)},
        Encoding{"Blob", [](CTWFile32& f) { return f.WriteBLOB(g_blob, 3); }, B("\0\xff\x10", 3)},
        Encoding{"BlobEmpty",
                 [](CTWFile32& f) { return f.WriteBLOB(g_blob, 0) + f.WriteBLOB(g_blob, -4); }, ""},
        Encoding{"Fields", [](CTWFile32& f) { return f.WriteField(g_a, 0) + f.WriteField(g_b, 1); },
                 "a\tb\r\n"},
        Encoding{"NullField", [](CTWFile32& f) { return f.WriteField(nullptr, 0); }, "\t"},
        Encoding{"Line", [](CTWFile32& f) { return f.WriteLine("x y"); }, "x y\r\n"},
        Encoding{"EmptyLines", [](CTWFile32& f) { return f.WriteLine("") + f.WriteLine(nullptr); },
                 "\r\n\r\n"},
        Encoding{"Text", [](CTWFile32& f) { return f.WriteText("ab") + f.WriteText(""); }, "ab"},
        Encoding{"NullText",
                 [](CTWFile32& f) { return f.WriteText(static_cast<const char*>(nullptr)); }, ""},
        Encoding{"TextNegative", [](CTWFile32& f) { return f.WriteText(-25L); }, "-25"},
        Encoding{"TextExtremes",
                 [](CTWFile32& f) {
                     return f.WriteText(static_cast<long>(INT_MIN)) + f.WriteText(0L) +
                            f.WriteText(static_cast<long>(INT_MAX));
                 },
                 "-214748364802147483647"},
        Encoding{"Len", [](CTWFile32& f) { return f.WriteLen(g_abc); }, B("\x04\0\0\0abc\0", 8)},
        Encoding{"LenNull", [](CTWFile32& f) { return f.WriteLen(nullptr); },
                 B("\x01\0\0\0\0", 5)}),
    [](const ::testing::TestParamInfo<Encoding>& info) { return std::string(info.param.name); });

TEST(Writer, WriteFileEndsTheFileAfterTheOutput) {
    twtest::TempDir dir;
    const std::string path = dir.File("out.txt");
    twtest::WriteAll(path, std::string(100, 'z'));
    auto file = twtest::OpenForUpdate(path);
    ASSERT_GE(file->WriteText("0123456789"), 0);
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), "0123456789");
    EXPECT_EQ(file->m_nBufStart, 10);
    EXPECT_EQ(file->m_nBufPos, 0);
    // With nothing pending the end is still set, at the current point.
    twtest::WriteAll(path, std::string(30, 'z'));
    ASSERT_GE(file->WriteFile(), 0);
    EXPECT_EQ(twtest::ReadAll(path), std::string(10, 'z'));
}

TEST(Writer, ItemThatDoesNotFitWritesThePendingBytesFirst) {
    twtest::TempDir dir;
    const std::string path = dir.File("out.bin");
    auto file = twtest::OpenNew(path, 12);  // 15 bytes
    ASSERT_GE(file->WriteText("123456789012"), 0);
    EXPECT_EQ(twtest::ReadAll(path), "");
    ASSERT_GE(file->Write(7), 0);  // 3 bytes of room left
    EXPECT_EQ(twtest::ReadAll(path), "123456789012");
    EXPECT_EQ(file->m_nBufStart, 12);
    EXPECT_EQ(file->m_nBufPos, 4);
    ASSERT_GE(file->Flush(), 0);
    EXPECT_EQ(file->IsFileOpen(), 0);
    EXPECT_EQ(twtest::ReadAll(path), B("123456789012\x07\0\0\0", 16));
}

TEST(Writer, ItemsLargerThanTheBufferAreWrittenThrough) {
    twtest::TempDir dir;
    const std::string path = dir.File("big.txt");
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    std::string expected;
    {
        auto file = twtest::OpenNew(path);
        ASSERT_GE(file->WriteText("head"), 0);
        ASSERT_GE(file->WriteLine(big.c_str()), 0);
        ASSERT_GE(file->Write(big.c_str()), 0);
        ASSERT_GE(file->WriteLen(&big[0]), 0);
        ASSERT_GE(file->WriteText(big.c_str()), 0);
        ASSERT_GE(file->WriteBLOB(&big[0], static_cast<long>(big.size())), 0);
        ASSERT_GE(file->Flush(), 0);
        const unsigned length = static_cast<unsigned>(big.size() + 1);
        const char prefix[4] = {static_cast<char>(length), static_cast<char>(length >> 8),
                                static_cast<char>(length >> 16), static_cast<char>(length >> 24)};
        expected =
            "head" + big + "\r\n" + big + B("\0", 1) + B(prefix, 4) + big + B("\0", 1) + big + big;
    }
    EXPECT_EQ(twtest::ReadAll(path), expected);
}

TEST(Writer, TinyBuffersKeepEveryByte) {
    // Buffers of 1, 3 and 7 bytes: every item is larger than some of them.
    for (int halvings : {15, 14, 13}) {
        twtest::TempDir dir;
        const std::string path = dir.File("tiny.bin");
        {
            auto file = twtest::OpenNew(path, halvings);
            ASSERT_GE(file->WriteLine("line"), 0);
            ASSERT_GE(file->Write(0x01020304), 0);
            ASSERT_GE(file->Write(2.5), 0);
            ASSERT_GE(file->WriteField(g_abc, 0), 0);
            ASSERT_GE(file->Flush(), 0);
        }
        EXPECT_EQ(twtest::ReadAll(path),
                  B("line\r\n\x04\x03\x02\x01", 10) + B("\0\0\0\0\0\0\x04\x40", 8) + "abc\t")
            << "buffer of " << twtest::BufferSizeAfter(halvings);
    }
}

TEST(Writer, LongValuesOutsideThirtyTwoBitsAreRefused) {
    if (sizeof(long) <= 4) GTEST_SKIP() << "long is 32 bits here";
    twtest::TempDir dir;
    const std::string path = dir.File("out.bin");
    auto file = twtest::OpenNew(path);
    const long tooLarge = static_cast<long>(INT_MAX) + 1;
    EXPECT_EQ(file->Write(tooLarge), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(file->WriteText(-tooLarge - 1), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(file->m_nBufPos, 0);
    ASSERT_GE(file->Write(static_cast<long>(INT_MIN)), 0);
    EXPECT_EQ(file->m_nBufPos, 4);
}

TEST(Writer, WritesThatWouldPassTheLargestOffsetAreRefused) {
    twtest::TempDir dir;
    auto file = twtest::OpenNew(dir.File("out.bin"));
    // As though 2 GiB less 5 bytes were written already: 4 bytes reach the
    // largest offset.
    file->m_nBufStart = INT_MAX - 4;
    EXPECT_GE(file->Write(1), 0);
    EXPECT_EQ(file->m_nBufPos, 4);
    struct Case {
        const char* name;
        std::function<int(CTWFile32&)> write;
    };
    char text[] = "x";
    const Case cases[] = {
        {"int", [](CTWFile32& f) { return f.Write(1); }},
        {"null", [](CTWFile32& f) { return f.WriteNull(); }},
        {"line", [](CTWFile32& f) { return f.WriteLine(""); }},
        {"blob", [&](CTWFile32& f) { return f.WriteBLOB(text, 1); }},
        {"text", [](CTWFile32& f) { return f.WriteText("x"); }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.write(*file), -1) << c.name;
        EXPECT_EQ(twtest::TakeError(), "Error - file of 2 GiB or more is not supported") << c.name;
        EXPECT_EQ(file->m_nBufPos, 4) << c.name;
    }
    // An empty item still fits.
    EXPECT_GE(file->WriteText(""), 0);
}

TEST(Writer, PrimitivesWithoutABufferRaiseInvalidContext) {
    CTWFile32 file;  // never opened: no buffer
    char text[] = "t";
    const std::function<int()> calls[] = {
        [&] { return file.Write(1); },           [&] { return file.Write(1L); },
        [&] { return file.Write(1.0f); },        [&] { return file.Write(1.0); },
        [&] { return file.Write("t"); },         [&] { return file.WriteNull(); },
        [&] { return file.WriteBLOB(text, 1); }, [&] { return file.WriteField(text, 1); },
        [&] { return file.WriteLine("t"); },     [&] { return file.WriteText("t"); },
        [&] { return file.WriteText(5L); },      [&] { return file.WriteLen(text); },
        [&] { return file.WriteFile(); },        [&] { return file.Flush(); },
    };
    for (const auto& call : calls) {
        EXPECT_EQ(call(), ID_TWErrors_InvalidContext);
        CTWError::Clear();
    }
}

TEST(Writer, BufferWithoutAnOpenFileFailsAtTheFirstFlush) {
    twtest::TempDir dir;
    CTWFile32 file;
    file.SetFileName(dir.File("missing/none.bin").c_str());
    ASSERT_GE(file.CreateFileA(), 0);
    ASSERT_EQ(file.IsFileOpen(), 0);
    EXPECT_GE(file.WriteLine("kept in the buffer"), 0);
    EXPECT_EQ(file.WriteFile(), ID_TWErrors_InvalidContext);
    CTWError::Clear();
}

}  // namespace
