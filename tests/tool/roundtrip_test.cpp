// export then import writes exactly what the library writes for the
// document: byte for byte the file itself for every file the library wrote.
#include <gtest/gtest.h>

#include <twfile/host/error.h>

#include "document_json.h"
#include "load.h"
#include "save.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

using Json = nlohmann::ordered_json;

// export | import in process, as the two commands do it.
std::string RoundTrip(const std::string& path, const std::string& dir, qdf::Encoding encoding) {
    CTWFileQDF doc;
    const qdf::LoadReport report = qdf::LoadDocument(path, doc);
    EXPECT_TRUE(report.opened) << path;
    const std::string text = qdf::DocumentToJson(doc, path, report, encoding).dump(2);

    CTWFileQDF copy;
    qdf::ApplyJson(Json::parse(text), copy, encoding);
    const std::string out = dir + "/copy.qdf";
    std::ostringstream err;
    EXPECT_TRUE(qdf::SaveDocument(copy, out, err)) << err.str();
    return twtest::ReadAll(out);
}

TEST(RoundTrip, EveryExampleAndFixtureGivesWhatTheLibraryWrites) {
    twtest::CaptureMessages();
    const auto files = twtest::SampleFiles();
    ASSERT_GE(files.size(), 3u);
    for (const std::string& file : files) {
        twtest::TempDir dir;
        EXPECT_EQ(RoundTrip(file, dir.path(), qdf::Encoding::Windows1252),
                  twtest::SavedByLibrary(file, dir.path()))
            << file;
    }
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

TEST(RoundTrip, FilesTheLibraryWroteComeBackByteIdentical) {
    twtest::CaptureMessages();
    int written = 0;
    for (const std::string& file : twtest::SampleFiles()) {
        twtest::TempDir dir;
        const std::string original = twtest::ReadAll(file);
        if (twtest::SavedByLibrary(file, dir.path()) != original) continue;  // older or damaged
        ++written;
        EXPECT_EQ(RoundTrip(file, dir.path(), qdf::Encoding::Windows1252), original) << file;
    }
    EXPECT_GE(written, 2);  // the sales example and the new document at least
}

TEST(RoundTrip, ThroughThePipeOfTheTwoCommands) {
    for (const char* name : {"sales.qdf", "legacy.qdf", "damaged.qdf"}) {
        twtest::TempDir dir;
        const std::string file = twtest::Example(name);
        const twtest::QdfRun exported = twtest::RunQdf({"export", file}, dir.path());
        const twtest::QdfRun imported =
            twtest::RunQdf({"import", "-", "-o", "copy.qdf"}, dir.path(), exported.out);
        EXPECT_EQ(imported.status, 0) << imported.err;
        EXPECT_EQ(twtest::ReadAll(dir.File("copy.qdf")), twtest::SavedByLibrary(file, dir.path()))
            << name;
    }
}

TEST(RoundTrip, Utf8TextsSurviveWhenTheyAreUtf8) {
    twtest::CaptureMessages();
    twtest::TempDir dir;
    const std::string path = dir.File("utf8.qdf");
    {
        CTWFileQDF doc;
        doc.m_strDatabase = "Z\xC3\xBCrich";
        doc.AddTable(new CString("\xE2\x82\xAC"));
        ASSERT_GE(doc.SaveAs(path.c_str()), 0);
    }
    EXPECT_EQ(RoundTrip(path, dir.path(), qdf::Encoding::Utf8), twtest::ReadAll(path));
}

}  // namespace
