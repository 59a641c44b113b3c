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
    ASSERT_EQ(document.m_pTableList->GetCount(), 4);

    Document reread;
    SaveAndReopen(document, reread);
    EXPECT_EQ(MembersOf(reread)["pTableList"], "ORDERS|CUSTOMERS|REGIONS");
    EXPECT_EQ(MembersOf(reread)["pAttributeList"], MembersOf(document)["pAttributeList"]);
}

// A line "}" followed by a NUL closes the edited SQL text, as it closes any
// section skipped to its end. Kept as a line of the text, it was written as
// "}" and closed the section early in the saved file, so that the sections
// after it were not read.
TEST_F(NulByteTest, ClosingLineFollowedByANulEndsTheEditedSql) {
    FileText sections = SampleSections();
    sections[8].body = {"SELECT *", "}\0 junk"s, "FROM ORDERS"};
    Document document;
    ASSERT_GE(OpenBytes(document, Render(sections)), 0);
    EXPECT_STREQ(document.m_strEditedSQL.GetString(), "SELECT *");

    Document reread;
    SaveAndReopen(document, reread);
    EXPECT_STREQ(reread.m_strEditedSQL.GetString(), "SELECT *");
    EXPECT_STREQ(reread.m_strCustomDataString.GetString(),
                 document.m_strCustomDataString.GetString());
}

// Texts with a NUL inside are saved up to the NUL, which is what the
// application sees of them through their character pointers; each line of
// the edited SQL ends at its own NUL, so no later line is lost.
TEST_F(NulByteTest, TextsAreSavedUpToTheirFirstNul) {
    FileText sections = SampleSections();
    sections[1].body = {"SALES\0 2"s};
    sections[8].body = {"SELECT *\0 x"s, "FROM ORDERS"};
    sections[6].body[1] = "Active Query\0 x"s;
    Document document;
    ASSERT_GE(OpenBytes(document, Render(sections)), 0);
    EXPECT_EQ(document.m_bActiveQuery, 1);
    EXPECT_EQ(document.m_strEditedSQL.GetLength(), 21);

    Document reread;
    SaveAndReopen(document, reread);
    EXPECT_STREQ(reread.m_strDatabase.GetString(), "SALES");
    EXPECT_STREQ(reread.m_strEditedSQL.GetString(), "SELECT *\r\nFROM ORDERS");
    EXPECT_EQ(reread.m_bActiveQuery, 1);
}

}  // namespace
}  // namespace qdftest
