// Support for the document's tests: fixture files, files built section by
// section, and views of a document's members.
#ifndef TWFILE_TESTS_QUERY_QDF_SUPPORT_H
#define TWFILE_TESTS_QUERY_QDF_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/query/qdf.h>

#include "support/support.h"

namespace qdftest {

// The bytes of tests/data/qdf/name.
std::string Fixture(const std::string& name);
std::string FixturePath(const std::string& name);

// One section as it stands in a file: its start line and its body lines
// (the "{" and "}" lines are added by Render).
struct SectionText {
    std::string start;
    std::vector<std::string> body;
};
using FileText = std::vector<SectionText>;

// The sixteen sections of sample.qdf: a value in every section.
FileText SampleSections();
// The file's bytes, every line ended by CR LF.
std::string Render(const FileText& sections);
// Lines joined, every one ended by CR LF.
std::string Lines(const std::vector<std::string>& lines);

// The texts of a list of CString elements, head to tail.
std::vector<std::string> Texts(const CPtrList* list);
// Appends texts to one of the document's lists as heap strings (nothing
// when the list does not exist).
void Fill(CPtrList* list, const std::vector<std::string>& texts);
// The fourteen read indicators as a string of 0 and 1, in file order.
std::string Indicators(const CTWFileQDF& document);

constexpr char kAllRead[] = "11111111111111";

// A temporary directory and the error state of one test.
class QdfTest : public ::testing::Test {
  protected:
    // Writes bytes to a new file and opens it into document.
    int OpenBytes(CTWFileQDF& document, const std::string& bytes, int readOnly = 1);
    std::string File(const std::string& name) const { return m_dir.File(name); }

    // The pending error's number and raised text, then clears it.
    struct Error {
        int number;
        std::string text;
    };
    static Error TakeError();

    twtest::TempDir m_dir;
    int m_nFiles = 0;
};

}  // namespace qdftest

#endif  // TWFILE_TESTS_QUERY_QDF_SUPPORT_H
