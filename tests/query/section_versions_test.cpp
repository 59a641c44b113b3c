// Files written with older versions of a section, and the bodies that only
// some versions have.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/qdf.h>

#include "qdf_support.h"

namespace qdftest {
namespace {

using Document = CTWFileQDF;
using LineList = std::vector<std::string>;

class SectionVersionsTest : public QdfTest {
  protected:
    // Opens fixture into doc and expects every section read.
    void OpenFixture(Document& doc, const std::string& name) {
        ASSERT_GE(doc.Open(FixturePath(name).c_str(), 1), 0) << CTWError::GetMessage();
        EXPECT_EQ(Indicators(doc), kAllRead) << name;
    }
    // The sample file with one section's start line and body replaced.
    std::string SampleWith(int index, const SectionText& section) {
        FileText sections = SampleSections();
        sections[static_cast<std::size_t>(index)] = section;
        return Render(sections);
    }
};

TEST_F(SectionVersionsTest, Flags10ClearsSelectionByRowAndKeepsAutoRun) {
    Document doc;
    doc.m_bSelectionByRow = 1;
    doc.m_bAutoRunWithoutConditions = 1;
    OpenFixture(doc, "flags_1_0.qdf");
    EXPECT_EQ(doc.m_bEditedSQL, 1);
    EXPECT_EQ(doc.m_bActiveQuery, 0);
    EXPECT_EQ(doc.m_bReadOnly, 1);
    EXPECT_EQ(doc.m_bSelectionByRow, 0);
    EXPECT_EQ(doc.m_bAutoRunWithoutConditions, 1);
}

TEST_F(SectionVersionsTest, Flags20KeepsAutoRun) {
    Document doc;
    doc.m_bEditedSQL = 1;
    doc.m_bAutoRunWithoutConditions = 1;
    OpenFixture(doc, "flags_2_0.qdf");
    EXPECT_EQ(doc.m_bEditedSQL, 0);
    EXPECT_EQ(doc.m_bActiveQuery, 1);
    EXPECT_EQ(doc.m_bReadOnly, 0);
    EXPECT_EQ(doc.m_bSelectionByRow, 1);
    EXPECT_EQ(doc.m_bAutoRunWithoutConditions, 1);
}

TEST_F(SectionVersionsTest, FlagLinesMustBeExactlyTheTrueText) {
    Document doc;
    doc.m_bAutoRunWithoutConditions = 1;
    ASSERT_GE(OpenBytes(doc, SampleWith(6, {"FLAGS 2.1",
                                            {"edited sql selected", "Active Query ",
                                             "The Query is Read Only", "Selection is by ROW",
                                             "Do Not Auto Run Query Without Conditions",
                                             "a sixth line is ignored"}})),
              0);
    EXPECT_EQ(Indicators(doc), kAllRead);
    EXPECT_EQ(doc.m_bEditedSQL, 0);
    EXPECT_EQ(doc.m_bActiveQuery, 0);
    EXPECT_EQ(doc.m_bReadOnly, 1);
    EXPECT_EQ(doc.m_bSelectionByRow, 1);
    EXPECT_EQ(doc.m_bAutoRunWithoutConditions, 0);
    EXPECT_EQ(doc.m_strWindowPosition, "10,20,300,400");
}

TEST_F(SectionVersionsTest, Display10KeepsTheSecondDisplaySetting) {
    Document doc;
    doc.m_nDisplayProperty2 = 77;
    OpenFixture(doc, "display_1_0.qdf");
    EXPECT_EQ(doc.m_nDisplayProperty1, 5);
    EXPECT_EQ(doc.m_strBackgroundColour, "red");
    EXPECT_EQ(doc.m_strTextColour, "0");
    EXPECT_EQ(doc.m_nDisplayProperty2, 77);
}

TEST_F(SectionVersionsTest, Printer10ReadsTheFirstAndFourthText) {
    Document doc;
    doc.m_strPrinterProperty2 = "kept";
    doc.m_nPrinterProperty1 = 5;
    OpenFixture(doc, "printer_1_0.qdf");
    EXPECT_EQ(doc.m_strPrinterProperty1, "A");
    EXPECT_EQ(doc.m_strPrinterProperty2, "kept");
    EXPECT_EQ(doc.m_strPrinterProperty4, "B");
    EXPECT_EQ(doc.m_nPrinterProperty1, 5);
    EXPECT_EQ(doc.m_strDynamicSort, "ORDERS.ID");
}

TEST_F(SectionVersionsTest, Printer20KeepsMembersOfEmptyLinesButTheFifth) {
    Document doc;
    CString* texts[8] = {&doc.m_strPrinterProperty1, &doc.m_strPrinterProperty2,
                         &doc.m_strPrinterProperty3, &doc.m_strPrinterProperty4,
                         &doc.m_strPrinterProperty5, &doc.m_strPrinterProperty6,
                         &doc.m_strPrinterProperty7, &doc.m_strPrinterProperty8};
    for (CString* text : texts)
        *text = "old";
    doc.m_nPrinterProperty1 = 5;
    doc.m_nPrinterProperty2 = 6;
    OpenFixture(doc, "printer_2_0.qdf");
    const LineList expected = {"P1", "old", "P3", "old", "", "P6", "old", "old"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(texts[i]->GetString(), expected[i]) << i;
    EXPECT_EQ(doc.m_nPrinterProperty1, 5);
    EXPECT_EQ(doc.m_nPrinterProperty2, 7);
}

TEST_F(SectionVersionsTest, Printer20OfFourLinesAtTheEndOfTheFileReadsCleanly) {
    Document doc;
    doc.m_strPrinterProperty2 = "old2";
    doc.m_strPrinterProperty5 = "old5";
    doc.m_nPrinterProperty2 = 6;
    doc.m_strDynamicSort = "kept";
    ASSERT_GE(doc.Open(FixturePath("printer_2_0_short_at_end.qdf").c_str(), 1), 0);
    EXPECT_EQ(Indicators(doc), kAllRead);
    EXPECT_EQ(doc.m_strPrinterProperty1, "Q1");
    EXPECT_EQ(doc.m_strPrinterProperty2, "old2");
    EXPECT_EQ(doc.m_strPrinterProperty3, "Q3");
    EXPECT_EQ(doc.m_strPrinterProperty4, "Q4");
    EXPECT_EQ(doc.m_strPrinterProperty5, "old5");
    EXPECT_EQ(doc.m_nPrinterProperty2, 6);
    EXPECT_EQ(doc.m_strDynamicSort, "kept");
}

TEST_F(SectionVersionsTest, EmptyNumberLinesByVersion) {
    // An empty ninth printer line gives 0 in a 3.0 body and keeps the member
    // in a 2.0 body; empty dynamic sort numbers keep theirs.
    Document doc;
    doc.m_nPrinterProperty1 = 5;
    ASSERT_GE(OpenBytes(doc, SampleWith(14, {"PRINTER-PROPERTIES 3.0",
                                             {"", "", "", "", "", "", "", "", "", "8"}})),
              0);
    EXPECT_EQ(doc.m_nPrinterProperty1, 0);
    EXPECT_EQ(doc.m_nPrinterProperty2, 8);

    Document lenient;
    lenient.m_nPrinterProperty1 = 5;
    ASSERT_GE(OpenBytes(lenient, SampleWith(14, {"PRINTER-PROPERTIES 2.0",
                                                 {"", "", "", "", "", "", "", "", "", "8"}})),
              0);
    EXPECT_EQ(lenient.m_nPrinterProperty1, 5);

    Document sort;
    sort.m_nDynamicSort1 = 4;
    sort.m_nDynamicSort3 = 6;
    ASSERT_GE(OpenBytes(sort, SampleWith(15, {"DYNAMIC-SORT 1.0", {"S", "", "7x", ""}})), 0);
    EXPECT_EQ(sort.m_strDynamicSort, "S");
    EXPECT_EQ(sort.m_nDynamicSort1, 4);
    EXPECT_EQ(sort.m_nDynamicSort2, 7);
    EXPECT_EQ(sort.m_nDynamicSort3, 6);
}

TEST_F(SectionVersionsTest, NumberLinesAreReadLeniently) {
    struct Case {
        std::string line;
        int value;
    };
    const Case cases[] = {{"12abc", 12},
                          {"abc", 0},
                          {"", 0},
                          {"  -5", -5},
                          {"+8", 8},
                          {"\t3 4", 3},
                          {"-0", 0},
                          {"2147483647", 2147483647},
                          {"99999999999", 2147483647},
                          {"-2147483648", -2147483647 - 1},
                          {"-99999999999", -2147483647 - 1}};
    for (const Case& c : cases) {
        Document doc;
        doc.m_nDisplayProperty1 = 1234;
        ASSERT_GE(
            OpenBytes(doc, SampleWith(13, {"DISPLAY-PROPERTIES 2.0", {c.line, "1", "2", "3"}})), 0);
        EXPECT_EQ(doc.m_nDisplayProperty1, c.value) << '"' << c.line << '"';
    }
}

TEST_F(SectionVersionsTest, FileEndingAfterCustomData) {
    Document doc;
    Fill(doc.m_pDefaultValuesList, {"gone"});
    Fill(doc.m_pAttributeNonDisplayList, {"kept"});
    doc.m_nTimeZone = 9;
    doc.m_strTimeZone = "zone";
    doc.m_nDisplayProperty1 = 4;
    ASSERT_GE(doc.Open(FixturePath("ends_after_custom_data.qdf").c_str(), 1), 0);
    EXPECT_EQ(Indicators(doc), "11111111110000");
    EXPECT_EQ(doc.m_strCustomDataString, "custom");
    EXPECT_TRUE(doc.m_pDefaultValuesList->IsEmpty());
    EXPECT_EQ(Texts(doc.m_pAttributeNonDisplayList), LineList{"kept"});
    EXPECT_EQ(doc.m_nTimeZone, 0);
    EXPECT_EQ(doc.m_strTimeZone, "");
    EXPECT_EQ(doc.m_nDisplayProperty1, 4);
    CString report;
    doc.GetStatusString(&report);
    EXPECT_EQ(report,
              "The QDF file contained unsupported versions of the following sections:\r\n"
              "DEFAULT-VALUES\r\nNON-DISPLAY-ATTRIBUTES\r\n");
}

TEST_F(SectionVersionsTest, FileWithoutTimeResetsTheTimeZone) {
    Document doc;
    doc.m_strBackgroundColour = "kept";
    doc.m_strDynamicSort = "kept";
    ASSERT_GE(doc.Open(FixturePath("ends_before_time.qdf").c_str(), 1), 0);
    EXPECT_EQ(Indicators(doc), "11111111111100");
    EXPECT_EQ(doc.m_nTimeZone, 0);
    EXPECT_EQ(doc.m_strTimeZone, "");
    EXPECT_EQ(doc.m_strBackgroundColour, "kept");
    EXPECT_EQ(doc.m_strDynamicSort, "kept");
    EXPECT_EQ(Texts(doc.m_pAttributeNonDisplayList), LineList{"ORDERS.SECRET"});
    CString report;
    doc.GetStatusString(&report);
    EXPECT_EQ(report, "");
}

// A version the reader does not accept, one section at a time: only that
// section is lost (or, for the readers that do not skip, see the positional
// tests). The members of the section keep their values, except the custom
// data line and the time zone.
TEST_F(SectionVersionsTest, UnacceptedVersionOfASkippingReaderLosesOnlyThatSection) {
    struct Case {
        int index;
        std::string start;
        std::string indicators;
    };
    const Case cases[] = {
        {0, "HEADER 3.0", "01111111111111"},
        {0, "HEADER 2.1", "01111111111111"},
        {1, "DATABASE 2.0", "10111111111111"},
        {2, "TABLES 1.1", "11011111111111"},
        {3, "ATTRIBUTES 0.9", "11101111111111"},
        {4, "CONDITIONS 2.0", "11110111111111"},
        {5, "JOINS 1.1", "11111011111111"},
        {6, "FLAGS 2.2", "11111101111111"},
        {6, "FLAGS 3.0", "11111101111111"},
        {7, "WINDOW-POSITION 1.1", "11111110111111"},
        {9, "CUSTOM-DATA-STRING 1.1", "11111111101111"},
        {11, "NON-DISPLAY-ATTRIBUTES 1.0", "11111111111011"},
        {12, "TIME 2.0", "11111111111101"},
        {13, "DISPLAY-PROPERTIES 3.0", "11111111111110"},
        {14, "PRINTER-PROPERTIES 4.0", kAllRead},
        {15, "DYNAMIC-SORT 1.1", kAllRead},
    };
    for (const Case& c : cases) {
        FileText sections = SampleSections();
        sections[static_cast<std::size_t>(c.index)].start = c.start;
        Document doc;
        doc.m_strDatabase = "old";
        doc.m_bActiveQuery = 0;
        doc.m_strWindowPosition = "old";
        doc.m_strCustomDataString = "old";
        doc.m_strPrinterProperty1 = "old";
        doc.m_strDynamicSort = "old";
        ASSERT_GE(OpenBytes(doc, Render(sections)), 0) << c.start;
        EXPECT_EQ(Indicators(doc), c.indicators) << c.start;
        const auto keptIf = [&](int index, const char* read) {
            return c.index == index ? "old" : read;
        };
        EXPECT_EQ(doc.m_strDatabase, keptIf(1, "SALES")) << c.start;
        EXPECT_EQ(Texts(doc.m_pTableList),
                  (c.index == 2 ? LineList{} : LineList{"ORDERS", "CUSTOMERS"}))
            << c.start;
        EXPECT_EQ(doc.m_bActiveQuery, c.index == 6 ? 0 : 1) << c.start;
        EXPECT_EQ(doc.m_strWindowPosition, keptIf(7, "10,20,300,400")) << c.start;
        EXPECT_EQ(doc.m_strCustomDataString, c.index == 9 ? "" : "custom") << c.start;
        EXPECT_EQ(doc.m_nTimeZone, c.index == 12 ? 0 : 3) << c.start;
        EXPECT_EQ(doc.m_strPrinterProperty1, keptIf(14, "p1")) << c.start;
        EXPECT_EQ(doc.m_strDynamicSort, keptIf(15, "ORDERS.ID")) << c.start;
        EXPECT_EQ(doc.m_nDynamicSort3, c.index == 15 ? 0 : 3) << c.start;
    }
}

TEST_F(SectionVersionsTest, StartLineVersionsAreReadLikeIntegers) {
    struct Case {
        std::string start;
        bool read;
    };
    const Case cases[] = {
        {"HEADER 2.0", true},   {"HEADER 02.00", true}, {"HEADER 2.0 extra", true},
        {"HEADER  2.0", true},  {"HEADER 1.0", true},   {"HEADER 2", false},
        {"HEADER2.0", false},   {"header 2.0", false},  {"HEADER 2,0", false},
        {" HEADER 2.0", false}, {"HEADER 0.0", false},  {"HEADER x.y", false},
        {"HEADER 2.0x", true},
    };
    for (const Case& c : cases) {
        FileText sections = SampleSections();
        sections[0].start = c.start;
        Document doc;
        ASSERT_GE(OpenBytes(doc, Render(sections)), 0) << c.start;
        EXPECT_EQ(Indicators(doc), c.read ? kAllRead : "01111111111111") << '"' << c.start << '"';
    }
}

TEST_F(SectionVersionsTest, EditedSQLEndsAtAClosingLine) {
    Document doc;
    const std::string path = File("brace.qdf");
    Document saved;
    saved.m_strEditedSQL = "SELECT 1\r\n}\r\nFROM T";
    ASSERT_GE(saved.SaveAs(path.c_str()), 0);
    ASSERT_GE(doc.Open(path.c_str(), 1), 0);
    EXPECT_EQ(doc.m_strEditedSQL, "SELECT 1");
    // "FROM T" is taken as CUSTOM-DATA-STRING's start line, whose skip ends
    // at the edited SQL's own closing line; from then on each reader meets
    // the section before its own.
    EXPECT_EQ(Indicators(doc), "11111111100000");
}

}  // namespace
}  // namespace qdftest
