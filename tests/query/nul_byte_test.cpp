// NUL bytes inside the lines of a damaged file. The line writers take
// character strings, so a text is written up to its first NUL; the reader
// treats a line the same way where it compares lines, so that a document
// read from such a file is saved as a file that reads back the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/query/qdf.h>

#include "qdf_support.h"

namespace qdftest {
namespace {

using namespace std::string_literals;
using Document = CTWFileQDF;

class NulByteTest : public QdfTest {
  protected:
    // Saves document under a new name and opens that file into reread.
    void SaveAndReopen(Document& document, Document& reread) {
        const std::string path = File("saved" + std::to_string(++m_nSaved) + ".qdf");
        ASSERT_GE(document.SaveAs(path.c_str()), 0);
        ASSERT_GE(reread.Open(path.c_str(), 1), 0);
        EXPECT_EQ(Indicators(reread), kAllRead);
    }
    int m_nSaved = 0;
};

// A list element that begins with a NUL is empty as a character string: it
// used to be written as an empty line, which ended the list and lost every
// element after it.
TEST_F(NulByteTest, ListElementThatBeginsWithANulIsLeftOutOnSaving) {
    FileText sections = SampleSections();
    sections[2].body = {"ORDERS", "\0HIDDEN"s, "CUSTOMERS", "REGIONS", ""};
    Document document;
    ASSERT_GE(OpenBytes(document, Render(sections)), 0);
    ASSERT_EQ(Texts(document.m_pTableList).size(), 4u);

    Document reread;
    SaveAndReopen(document, reread);
    EXPECT_EQ(Texts(reread.m_pTableList),
              (std::vector<std::string>{"ORDERS", "CUSTOMERS", "REGIONS"}));
    EXPECT_EQ(Texts(reread.m_pAttributeList), Texts(document.m_pAttributeList));
}

}  // namespace
}  // namespace qdftest
