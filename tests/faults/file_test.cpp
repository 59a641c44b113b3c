// The fault campaign over the file object: a sequence of every writing
// primitive, of every reading primitive, and of in-place updates (in the
// buffer and in the file), each with a small buffer so that refills and
// flushes happen inside the sequence. After a failure the same object opens
// its file again and runs the whole sequence to the complete result.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>

#include "faults/campaign.h"
#include "support/support.h"

namespace faults {
namespace {

using namespace std::string_literals;

// Each step returns at the first failure.
#define STEP(call)                             \
    do {                                       \
        const int stepStatus = (call);         \
        if (stepStatus < 0) return stepStatus; \
    } while (0)

constexpr int kBufferSize = 32;

std::string Blob(int size, char first) {
    std::string bytes;
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>(first + i % 50);
    return bytes;
}

const std::string kLongLine(80, 'L');

// What the write sequence produces.
std::string WrittenBytes() {
    return "\x01\x00\x00\x00"s + "\xFF\xFF\xFF\xFF"s + "\x00\x00\x80\x3F"s +
           "\x00\x00\x00\x00\x00\x00\xF0\x3F"s + "abc\0"s + "\0"s + Blob(100, 'A') + "a\tb\r\n" +
           kLongLine + "\r\n" + "text" + "-25" + "\x04\x00\x00\x00"s + "abc\0"s +
           "\x01\x00\x00\x00\x00"s + "\x07\x00\x00\x00"s;
}

void OpenFor(CTWFile32& file, const std::string& path, unsigned long access,
             unsigned long disposition) {
    file.SetFileName(path.c_str());
    file.SetDesiredAccess(access);
    file.SetCreationDistribution(disposition);
}

class WriteScenario : public Scenario {
  public:
    explicit WriteScenario(const std::string& path) : m_path(path) {}

    int Run() override {
        m_file = std::make_unique<CTWFile32>();
        m_file->m_nBufSize = kBufferSize;
        return Sequence();
    }
    void CheckResult() override {
        EXPECT_EQ(m_file->IsFileOpen(), 0) << "Flush closes the file";
        EXPECT_EQ(twtest::ReadAll(m_path), WrittenBytes());
    }
    void Recover() override {
        ASSERT_GE(m_file->CloseFile(), 0);
        ASSERT_GE(Sequence(), 0);
        CheckResult();
    }

  private:
    int Sequence() {
        static char abc[] = "abc";
        static char a[] = "a";
        static char b[] = "b";
        std::string blob = Blob(100, 'A');
        OpenFor(*m_file, m_path, win32::GENERIC_READ | win32::GENERIC_WRITE, win32::CREATE_ALWAYS);
        STEP(m_file->CreateFileA());
        STEP(m_file->Write(1));
        STEP(m_file->Write(-1L));
        STEP(m_file->Write(1.0f));
        STEP(m_file->Write(1.0));
        STEP(m_file->Write("abc"));
        STEP(m_file->WriteNull());
        STEP(m_file->WriteBLOB(blob.data(), static_cast<long>(blob.size())));
        STEP(m_file->WriteField(a, 0));
        STEP(m_file->WriteField(b, 1));
        STEP(m_file->WriteLine(kLongLine.c_str()));
        STEP(m_file->WriteText("text"));
        STEP(m_file->WriteText(-25L));
        STEP(m_file->WriteLen(abc));
        STEP(m_file->WriteLen(nullptr));
        STEP(m_file->WriteFile());
        STEP(m_file->Write(7));
        return m_file->Flush();
    }

    std::string m_path;
    std::unique_ptr<CTWFile32> m_file;
};

// The file the read sequence reads.
std::string ReadBytes() {
    return "\x01\x00\x00\x00"s + "\xFF\xFF\xFF\xFF"s + "\x00\x00\x80\x3F"s +
           "\x00\x00\x00\x00\x00\x00\xF0\x3F"s + "abc\0"s + "text\0"s + "\x04\x00\x00\x00"s +
           "abc\0"s + "\x04\x00\x00\x00"s + "xyz\0"s + "line one\r\n" + kLongLine + "\r\n" +
           "f1\tf2\r\n" + "g1\tg2\r\n" + "\x07\x00\x00\x00"s + "\x08\x00\x00\x00"s + "skip me\0"s +
           Blob(50, 'a') + "0123456789" + "END";
}

// Everything the read sequence took.
struct ReadValues {
    int i = 0;
    long l = 0;
    float f = 0;
    double d = 0;
    char text[11] = {};
    std::string string;
    char len[11] = {};
    std::string lenString;
    char line[21] = {};
    std::string longLine;
    char field1[6] = {};
    int end1 = -1;
    char field2[6] = {};
    int end2 = -1;
    std::string field3;
    int end3 = -1;
    std::string field4;
    int end4 = -1;
    int bShort = -1;
    char bytes[11] = {};
    int count = 0;
    std::string view;
    int again = 0;
    long at = -1;
    int eofs = 0;  // end-of-file flags seen (all must be 0)
};

class ReadScenario : public Scenario {
  public:
    explicit ReadScenario(const std::string& path) : m_path(path) {}

    int Run() override {
        m_file = std::make_unique<CTWFile32>();
        m_file->m_nBufSize = 16;
        return Sequence();
    }
    void CheckResult() override {
        const ReadValues& v = m_values;
        EXPECT_EQ(v.eofs, 0);
        EXPECT_EQ(v.i, 1);
        EXPECT_EQ(v.l, -1);
        EXPECT_EQ(v.f, 1.0f);
        EXPECT_EQ(v.d, 1.0);
        EXPECT_STREQ(v.text, "abc");
        EXPECT_EQ(v.string, "text");
        EXPECT_STREQ(v.len, "abc");
        EXPECT_EQ(v.lenString, "xyz");
        EXPECT_STREQ(v.line, "line one");
        EXPECT_EQ(v.longLine, kLongLine);
        EXPECT_STREQ(v.field1, "f1");
        EXPECT_EQ(v.end1, 0);
        EXPECT_STREQ(v.field2, "f2");
        EXPECT_EQ(v.end2, 1);
        EXPECT_EQ(v.field3, "g1");
        EXPECT_EQ(v.end3, 0);
        EXPECT_EQ(v.field4, "g2");
        EXPECT_EQ(v.end4, 1);
        EXPECT_EQ(v.bShort, 0);
        EXPECT_EQ(v.count, 10);
        EXPECT_STREQ(v.bytes, "0123456789");
        EXPECT_EQ(v.view, "END");
        EXPECT_EQ(v.again, 1);
        EXPECT_EQ(v.at, 4);
    }
    void Recover() override {
        ASSERT_GE(Sequence(), 0);
        CheckResult();
    }

  private:
    int Sequence() {
        m_values = ReadValues{};
        ReadValues& v = m_values;
        int eof = 0;
        const auto taken = [&] { v.eofs += eof; };
        CString text;
        OpenFor(*m_file, m_path, win32::GENERIC_READ, win32::OPEN_EXISTING);
        STEP(m_file->CreateFileA());
        STEP(m_file->Read(v.i, eof));
        taken();
        STEP(m_file->Read(v.l, eof));
        taken();
        STEP(m_file->Read(v.f, eof));
        taken();
        STEP(m_file->Read(v.d, eof));
        taken();
        STEP(m_file->Read(v.text, 10, eof));
        taken();
        STEP(m_file->Read(&text, eof));
        taken();
        v.string = text.GetString();
        STEP(m_file->ReadLen(v.len, 10, eof));
        taken();
        STEP(m_file->ReadLen(&text, eof));
        taken();
        v.lenString = text.GetString();
        STEP(m_file->ReadLine(v.line, 20, eof));
        taken();
        STEP(m_file->ReadLine(&text, eof));
        taken();
        v.longLine = text.GetString();
        STEP(m_file->ReadField(v.field1, 5, v.end1, eof));
        taken();
        STEP(m_file->ReadField(v.field2, 5, v.end2, eof));
        taken();
        STEP(m_file->ReadField(&text, v.end3, eof));
        taken();
        v.field3 = text.GetString();
        STEP(m_file->ReadField(&text, v.end4, eof));
        taken();
        v.field4 = text.GetString();
        STEP(m_file->SkipInt(eof));
        taken();
        STEP(m_file->SkipLong(eof));
        taken();
        STEP(m_file->SkipString(eof));
        taken();
        STEP(m_file->SkipBLOB(50, eof));
        taken();
        STEP(m_file->Ensure(8, eof, v.bShort));
        taken();
        STEP(m_file->ReadBytes(v.bytes, 10, v.count, eof));
        taken();
        char* data = nullptr;
        long count = 0;
        STEP(m_file->ReadBLOB(data, count, 3, eof));
        taken();
        v.view.assign(data, static_cast<std::size_t>(count));
        STEP(m_file->Locate(0));
        STEP(m_file->Read(v.again, eof));
        taken();
        m_file->GetCurLoc(v.at);
        return 0;
    }

    std::string m_path;
    std::unique_ptr<CTWFile32> m_file;
    ReadValues m_values;
};

// Three updates: a placeholder at the start, part of the text after it in
// the window loaded again, and a placeholder after the buffer went out.
std::string UpdatedBytes() {
    return "\x11\x11\x11\x11"s + "abcd456789" + "\x22\x22\x22\x22"s + Blob(100, 'A') + "end\r\n";
}

class UpdateScenario : public Scenario {
  public:
    explicit UpdateScenario(const std::string& path) : m_path(path) {}

    int Run() override {
        m_file = std::make_unique<CTWFile32>();
        m_file->m_nBufSize = kBufferSize;
        return Sequence();
    }
    void CheckResult() override { EXPECT_EQ(twtest::ReadAll(m_path), UpdatedBytes()); }
    void Recover() override {
        ASSERT_GE(Sequence(), 0);
        CheckResult();
    }

  private:
    int Sequence() {
        std::string blob = Blob(100, 'A');
        OpenFor(*m_file, m_path, win32::GENERIC_READ | win32::GENERIC_WRITE, win32::CREATE_ALWAYS);
        STEP(m_file->CreateFileA());
        // Nothing is loaded while writing: the region is updated in the file.
        STEP(m_file->Write(0));
        STEP(m_file->WriteText("0123456789"));
        STEP(m_file->PrePreUpdate());
        STEP(m_file->PreUpdate(0, 4));
        STEP(m_file->Write(0x11111111));
        STEP(m_file->PostUpdate());
        STEP(m_file->PostPostUpdate());
        // The saved window is loaded again: a region in it before the
        // current point is updated in the buffer alone.
        STEP(m_file->PrePreUpdate());
        STEP(m_file->PreUpdate(4, 4));
        STEP(m_file->WriteText("abcd"));
        STEP(m_file->PostUpdate());
        STEP(m_file->PostPostUpdate());
        // In the file: the block after it makes the buffer go out.
        STEP(m_file->Write(0));
        STEP(m_file->WriteBLOB(blob.data(), static_cast<long>(blob.size())));
        STEP(m_file->PrePreUpdate());
        STEP(m_file->PreUpdate(14, 4));
        STEP(m_file->Write(0x22222222));
        STEP(m_file->PostUpdate());
        STEP(m_file->PostPostUpdate());
        STEP(m_file->WriteLine("end"));
        return m_file->WriteFile();
    }

    std::string m_path;
    std::unique_ptr<CTWFile32> m_file;
};

class FileFaults : public ::testing::Test {
  protected:
    twtest::TempDir m_dir;
};

TEST_F(FileFaults, WriteSequence) {
    const std::string path = m_dir.File("written.bin");
    const Summary summary =
        RunCampaign("file write sequence", [&] { return std::make_unique<WriteScenario>(path); });
    EXPECT_GT(summary.failedRuns, 0u);
}

TEST_F(FileFaults, ReadSequence) {
    const std::string path = m_dir.File("read.bin");
    twtest::WriteAll(path, ReadBytes());
    const Summary summary =
        RunCampaign("file read sequence", [&] { return std::make_unique<ReadScenario>(path); });
    EXPECT_GT(summary.failedRuns, 0u);
}

TEST_F(FileFaults, UpdateSequence) {
    const std::string path = m_dir.File("updated.bin");
    const Summary summary =
        RunCampaign("file update sequence", [&] { return std::make_unique<UpdateScenario>(path); });
    EXPECT_GT(summary.failedRuns, 0u);
}

}  // namespace
}  // namespace faults
