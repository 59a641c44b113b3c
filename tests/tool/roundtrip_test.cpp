// qdf export A | qdf import - -o B writes B as the library writes A's
// document: byte for byte the file itself for every file the library wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include <twfile/host/error.h>
#include <twfile/query/qdf.h>

#include "support/support.h"
#include "tool_support.h"

namespace {

// What the library writes for the document read from file (saved in dir).
std::string SavedByLibrary(const std::string& file, const std::string& dir) {
    CTWFileQDF doc;
    doc.Open(file.c_str(), 1);
    CTWError::Clear();  // a damaged file is saved with what was read
    EXPECT_GE(doc.SaveAs((dir + "/saved.qdf").c_str()), 0) << file;
    doc.Close();
    return twtest::ReadAll(dir + "/saved.qdf");
}

// export then import through the program; what import wrote.
std::string ExportImport(const std::string& file, const std::string& dir) {
    const twtest::QdfRun exported = twtest::RunQdf({"export", file}, dir);
    const twtest::QdfRun imported =
        twtest::RunQdf({"import", "-", "-o", "copy.qdf"}, dir, exported.out);
    EXPECT_EQ(imported.status, 0) << file << "\n" << imported.err;
    return twtest::ReadAll(dir + "/copy.qdf");
}

TEST(RoundTrip, EveryExampleAndFixtureThroughThePipe) {
    twtest::CaptureMessages();
    // A document with texts of every byte (NUL aside, which the file cannot
    // hold; CR and LF stand apart).
    twtest::TempDir bytesDir;
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += static_cast<char>(b);
    CTWFileQDF doc;
    doc.m_strDatabase = CString(bytes.data(), static_cast<int>(bytes.size()));
    doc.AddTable(new CString(bytes.c_str() + 100));
    ASSERT_GE(doc.SaveAs(bytesDir.File("bytes.qdf").c_str()), 0);
    doc.Close();

    int files = 0;
    int written = 0;
    for (const std::string& root : {std::string(TWFILE_EXAMPLES_DIR),
                                    std::string(TWFILE_TEST_DATA_DIR) + "/qdf", bytesDir.path()}) {
        for (const auto& entry : std::filesystem::directory_iterator(root)) {
            if (entry.path().extension() != ".qdf") continue;
            const std::string file = entry.path().string();
            twtest::TempDir dir;
            const std::string saved = SavedByLibrary(file, dir.path());
            EXPECT_EQ(ExportImport(file, dir.path()), saved) << file;
            ++files;
            if (saved == twtest::ReadAll(file)) ++written;  // else older or damaged
        }
    }
    EXPECT_GE(files, 14);
    EXPECT_GE(written, 4);  // the sales example, the new document, the sample, every byte
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

}  // namespace
