// Everything the writing primitives write is read back by the reading
// primitives, whatever the buffer sizes of the writer and the reader.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>

#include "file/file_support.h"
#include "support/support.h"

namespace {

const std::string kLong = "a text longer than the smallest buffers, with\ttab and \r lone CR";

std::string Blob(int count, int seed) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    for (int i = 0; i < count; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(seed + 37 * i);
    return bytes;
}

void WriteRecord(CTWFile32& file) {
    std::string blob = Blob(20, 3);
    std::string skipped = Blob(30, 11);
    std::string viewed = Blob(5, 200);
    char shortLen[] = "len";
    std::string longLen = kLong;
    char f1[] = "f1";
    char f2[] = "";
    ASSERT_GE(file.Write(-123456), 0);
    ASSERT_GE(file.Write(7L), 0);
    ASSERT_GE(file.Write(3.5f), 0);
    ASSERT_GE(file.Write(-0.1), 0);
    ASSERT_GE(file.Write("hello"), 0);
    ASSERT_GE(file.Write(kLong.c_str()), 0);
    ASSERT_GE(file.WriteNull(), 0);
    ASSERT_GE(file.WriteLen(shortLen), 0);
    ASSERT_GE(file.WriteLen(&longLen[0]), 0);
    ASSERT_GE(file.WriteField(f1, 0), 0);
    ASSERT_GE(file.WriteField(f2, 0), 0);
    ASSERT_GE(file.WriteField(f1, 1), 0);
    ASSERT_GE(file.WriteLine("line"), 0);
    ASSERT_GE(file.WriteText("t"), 0);
    ASSERT_GE(file.WriteText(-42L), 0);
    ASSERT_GE(file.WriteLine(""), 0);
    ASSERT_GE(file.WriteLine(kLong.c_str()), 0);
    ASSERT_GE(file.WriteBLOB(&blob[0], 20), 0);
    ASSERT_GE(file.Write(1), 0);
    ASSERT_GE(file.Write(2L), 0);
    ASSERT_GE(file.Write("skip me"), 0);
    ASSERT_GE(file.WriteBLOB(&skipped[0], 30), 0);
    ASSERT_GE(file.WriteBLOB(&viewed[0], 5), 0);
}

void ReadRecord(CTWFile32& file) {
    int eof = 0;
    int i = 0;
    ASSERT_GE(file.Read(i, eof), 0);
    EXPECT_EQ(i, -123456);
    long l = 0;
    ASSERT_GE(file.Read(l, eof), 0);
    EXPECT_EQ(l, 7);
    float f = 0;
    ASSERT_GE(file.Read(f, eof), 0);
    EXPECT_EQ(f, 3.5f);
    double d = 0;
    ASSERT_GE(file.Read(d, eof), 0);
    EXPECT_EQ(d, -0.1);
    char text[11];
    ASSERT_GE(file.Read(text, 10, eof), 0);
    EXPECT_STREQ(text, "hello");
    CString s;
    ASSERT_GE(file.Read(&s, eof), 0);
    EXPECT_STREQ(s, kLong.c_str());
    ASSERT_GE(file.Read(&s, eof), 0);
    EXPECT_STREQ(s, "");
    ASSERT_GE(file.ReadLen(text, 10, eof), 0);
    EXPECT_STREQ(text, "len");
    ASSERT_GE(file.ReadLen(&s, eof), 0);
    EXPECT_STREQ(s, kLong.c_str());
    int end = -1;
    ASSERT_GE(file.ReadField(text, 10, end, eof), 0);
    EXPECT_STREQ(text, "f1");
    EXPECT_EQ(end, 0);
    ASSERT_GE(file.ReadField(&s, end, eof), 0);
    EXPECT_STREQ(s, "");
    EXPECT_EQ(end, 0);
    ASSERT_GE(file.ReadField(&s, end, eof), 0);
    EXPECT_STREQ(s, "f1");
    EXPECT_EQ(end, 1);
    ASSERT_GE(file.ReadLine(text, 10, eof), 0);
    EXPECT_STREQ(text, "line");
    ASSERT_GE(file.ReadLine(&s, eof), 0);
    EXPECT_STREQ(s, "t-42");
    ASSERT_GE(file.ReadLine(&s, eof), 0);
    EXPECT_STREQ(s, kLong.c_str());
    char bytes[21];
    int count = 0;
    ASSERT_GE(file.ReadBytes(bytes, 20, count, eof), 0);
    ASSERT_EQ(count, 20);
    EXPECT_EQ(std::string(bytes, 20), Blob(20, 3));
    ASSERT_GE(file.SkipInt(eof), 0);
    ASSERT_GE(file.SkipLong(eof), 0);
    ASSERT_GE(file.SkipString(eof), 0);
    ASSERT_GE(file.SkipBLOB(30, eof), 0);
    EXPECT_EQ(eof, 0);
    char* view = nullptr;
    long viewed = 0;
    ASSERT_GE(file.ReadBLOB(view, viewed, 5, eof), 0);
    ASSERT_GE(viewed, 5);
    EXPECT_EQ(std::string(view, 5), Blob(5, 200));
    ASSERT_GE(file.SkipBLOB(5, eof), 0);
    EXPECT_EQ(eof, 0);
}

struct Sizes {
    int writer;  // halvings
    int reader;
};

class RoundTrip : public ::testing::TestWithParam<Sizes> {};

TEST_P(RoundTrip, ReadsBackWhatWasWritten) {
    twtest::TempDir dir;
    const std::string path = dir.File("record.bin");
    {
        auto file = twtest::OpenNew(path, GetParam().writer);
        // Three records, so that later ones start anywhere in a buffer.
        for (int i = 0; i < 3; ++i)
            WriteRecord(*file);
        ASSERT_GE(file->Flush(), 0);
    }
    auto file = twtest::OpenExisting(path, GetParam().reader);
    for (int i = 0; i < 3; ++i)
        ReadRecord(*file);
    EXPECT_EQ(CTWError::m_nError, 0);
    // Nothing is left.
    int eof = 0;
    int value = 5;
    ASSERT_GE(file->Read(value, eof), 0);
    EXPECT_EQ(eof, 1);
    EXPECT_EQ(value, 5);
    CString line;
    ASSERT_GE(file->ReadLine(&line, eof), 0);
    EXPECT_EQ(eof, 1);
}

// Writer buffers of 65534, 15, 7 and 1 bytes; reader buffers of 65534 and
// 15 bytes (the reader's buffer holds the largest fixed item and the
// character-array texts).
INSTANTIATE_TEST_SUITE_P(Buffers, RoundTrip,
                         ::testing::Values(Sizes{0, 0}, Sizes{0, 12}, Sizes{12, 0}, Sizes{12, 12},
                                           Sizes{13, 12}, Sizes{15, 12}, Sizes{15, 0}),
                         [](const ::testing::TestParamInfo<Sizes>& info) {
                             return "W" +
                                    std::to_string(twtest::BufferSizeAfter(info.param.writer)) +
                                    "R" +
                                    std::to_string(twtest::BufferSizeAfter(info.param.reader));
                         });

}  // namespace
