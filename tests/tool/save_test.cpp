// Saving through a new file that replaces the old one: a failure at any
// point leaves the old file whole and no stray file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "save.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

namespace fault = win32::fault;

TEST(Save, AFailureAtAnyCallLeavesTheOldFileWhole) {
    twtest::CaptureMessages();
    twtest::TempDir dir;
    const std::string path = dir.File("a.qdf");
    CTWFileQDF doc;
    doc.m_strEditedSQL = CString('x', 200000);  // several buffers' worth
    std::ostringstream counted;
    fault::StartCounting();
    ASSERT_TRUE(qdf::SaveDocument(doc, path, counted)) << counted.str();
    const unsigned long calls = fault::TotalCalls();
    fault::Disarm();
    const std::string written = twtest::ReadAll(path);
    ASSERT_GT(calls, 3u);

    for (unsigned long n = 1; n <= calls; ++n) {
        SCOPED_TRACE("call " + std::to_string(n));
        twtest::WriteAll(path, "old contents");
        fault::ArmAny(n);
        std::ostringstream err;
        const bool saved = qdf::SaveDocument(doc, path, err);
        const bool injected = fault::Injected() > 0;
        fault::Disarm();
        EXPECT_EQ(twtest::ReadAll(path), saved ? written : "old contents");
        EXPECT_TRUE(saved || (injected && err.str().rfind("qdf: " + path + ": ", 0) == 0))
            << err.str();
        const std::filesystem::directory_iterator files(dir.path());
        EXPECT_EQ(std::distance(begin(files), end(files)), 1);  // nothing stray
        EXPECT_EQ(CTWError::GetNumber(), 0);
        twtest::CaptureMessages();
    }
}

}  // namespace
