// qdf's saves go through the library's SaveAs: standard output for "-",
// nothing but a regular file is replaced, and a failure is said against the
// path with the file left whole.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include <twfile/host/error.h>
#include "testing/fault_switch.h"

#include "files.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

namespace fault = win32::fault;

TEST(Save, ToStandardOutputNeverOverAnythingButAFileAndWholeOrNotAtAll) {
    twtest::CaptureMessages();
    twtest::TempDir dir;
    CTWFileQDF doc;
    doc.m_strDatabase = "SALES";
    const std::string path = dir.File("a.qdf");
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(qdf::SaveDocument(doc, path, out, err), qdf::kExitOk) << err.str();
    ASSERT_EQ(qdf::SaveDocument(doc, "-", out, err), qdf::kExitOk) << err.str();
    EXPECT_EQ(out.str(), twtest::ReadAll(path));

    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    for (const std::string& other : {dir.path(), dir.File("fifo")}) {
        std::ostringstream refused;
        EXPECT_EQ(qdf::SaveDocument(doc, other, out, refused), qdf::kExitUsage);
        EXPECT_EQ(refused.str().rfind("qdf: " + other + ": not a regular file", 0), 0u);
    }

    twtest::WriteAll(path, "old contents");
    doc.m_strDatabase = "NEW";
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::Rename, 1);
    std::ostringstream failed;
    EXPECT_EQ(qdf::SaveDocument(doc, path, out, failed), qdf::kExitFailed);
    fault::Disarm();
    EXPECT_TRUE(twtest::Contains(failed.str(), "qdf: " + path + ": error -1: Error writing a file"))
        << failed.str();
    EXPECT_EQ(twtest::ReadAll(path), "old contents");
    const std::filesystem::directory_iterator files(dir.path());
    EXPECT_EQ(std::distance(begin(files), end(files)), 2);  // the file and the pipe
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

}  // namespace
