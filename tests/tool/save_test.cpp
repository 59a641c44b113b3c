// Saving through a new file that replaces the old one: a failure at any
// point leaves the old file whole and no stray file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "save.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

namespace fault = win32::fault;

int FileCount(const std::string& dir) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        (void)entry;
        ++count;
    }
    return count;
}

class Save : public ::testing::Test {
  protected:
    void SetUp() override { twtest::CaptureMessages(); }
    twtest::TempDir m_dir;
};

TEST_F(Save, WritesTheDocument) {
    CTWFileQDF doc;
    doc.m_strDatabase = "SALES";
    std::ostringstream err;
    ASSERT_TRUE(qdf::SaveDocument(doc, m_dir.File("a.qdf"), err)) << err.str();
    EXPECT_NE(twtest::ReadAll(m_dir.File("a.qdf")).find("\r\nSALES\r\n"), std::string::npos);
    EXPECT_EQ(FileCount(m_dir.path()), 1);
    EXPECT_FALSE(doc.IsFileOpen());
}

TEST_F(Save, AFailureAtAnyCallLeavesTheOldFileWhole) {
    const std::string path = m_dir.File("a.qdf");
    twtest::WriteAll(path, "old contents");
    CTWFileQDF doc;
    doc.m_strEditedSQL = CString('x', 200000);  // several buffers' worth

    fault::StartCounting();
    {
        std::ostringstream err;
        ASSERT_TRUE(qdf::SaveDocument(doc, m_dir.File("counted.qdf"), err));
    }
    const unsigned long calls = fault::TotalCalls();
    fault::Disarm();
    const std::string written = twtest::ReadAll(m_dir.File("counted.qdf"));
    std::filesystem::remove(m_dir.File("counted.qdf"));
    ASSERT_GT(calls, 3u);

    for (unsigned long n = 1; n <= calls; ++n) {
        fault::ArmAny(n);
        std::ostringstream err;
        const bool saved = qdf::SaveDocument(doc, path, err);
        const bool injected = fault::Injected() > 0;
        fault::Disarm();
        if (injected && !saved) {
            EXPECT_EQ(twtest::ReadAll(path), "old contents") << "call " << n;
            EXPECT_EQ(err.str().rfind("qdf: " + path + ": ", 0), 0u) << err.str();
        }
        if (saved) {
            EXPECT_EQ(twtest::ReadAll(path), written) << "call " << n;
            twtest::WriteAll(path, "old contents");
        }
        EXPECT_EQ(FileCount(m_dir.path()), 1) << "call " << n;
        EXPECT_EQ(CTWError::GetNumber(), 0);
        twtest::CaptureMessages();
    }
}

TEST_F(Save, KeepsThePermissionsOfTheFileItReplaces) {
    const std::string path = m_dir.File("a.qdf");
    twtest::WriteAll(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    CTWFileQDF doc;
    std::ostringstream err;
    ASSERT_TRUE(qdf::SaveDocument(doc, path, err));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(Save, WritesThroughASymbolicLink) {
    const std::string target = m_dir.File("target.qdf");
    const std::string link = m_dir.File("link.qdf");
    twtest::WriteAll(target, "old");
    ASSERT_EQ(::symlink("target.qdf", link.c_str()), 0);
    CTWFileQDF doc;
    std::ostringstream err;
    ASSERT_TRUE(qdf::SaveDocument(doc, link, err)) << err.str();
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(twtest::ReadAll(target).rfind("HEADER 2.0\r\n", 0), 0u);
}

TEST_F(Save, ADirectoryThatDoesNotExistIsReported) {
    CTWFileQDF doc;
    std::ostringstream err;
    const std::string path = m_dir.File("missing/a.qdf");
    EXPECT_FALSE(qdf::SaveDocument(doc, path, err));
    EXPECT_EQ(err.str().rfind("qdf: " + path + ": cannot create", 0), 0u) << err.str();
}

}  // namespace
