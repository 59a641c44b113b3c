// The document's life: defaults, saving, opening, copying, the report of
// sections not read, and the string lists.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/platform/colours.h>
#include <twfile/query/qdf.h>

#include "qdf_support.h"

namespace qdftest {
namespace {

using Document = CTWFileQDF;

const char kHeading[] =
    "The QDF file contained unsupported versions of the following sections:\r\n";

std::string StatusOf(Document& document) {
    CString report("not emptied");
    EXPECT_GE(document.GetStatusString(&report), 0);
    return report.GetString();
}

class DocumentTest : public QdfTest {};

TEST_F(DocumentTest, NewDocumentHasTheInitialValues) {
    Document doc;
    EXPECT_EQ(CTWError::GetNumber(), 0);
    EXPECT_EQ(doc.IsFileOpen(), 0);
    EXPECT_EQ(Indicators(doc), "00000000000000");
    EXPECT_EQ(doc.m_nDocumentVersion[0], 2);
    EXPECT_EQ(doc.m_nDocumentVersion[1], 0);
    const int written[16][2] = {{2, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {2, 1}, {1, 0},
                                {1, 0}, {1, 0}, {2, 0}, {2, 0}, {1, 0}, {2, 0}, {3, 0}, {1, 0}};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(doc.m_nSectionVersion[i][0], written[i][0]) << i;
        EXPECT_EQ(doc.m_nSectionVersion[i][1], written[i][1]) << i;
    }
    EXPECT_EQ(doc.m_pOutputFile, &doc);
    for (CPtrList* list : {doc.m_pTableList, doc.m_pAttributeList, doc.m_pAttributeNonDisplayList,
                           doc.m_pConditionList, doc.m_pJoinList, doc.m_pDefaultValuesList}) {
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->IsEmpty());
    }
    EXPECT_EQ(doc.GetTableList(), doc.m_pTableList);
    EXPECT_EQ(doc.m_nTimeZone, 1);
    EXPECT_EQ(doc.m_strBackgroundColour, "16777215");
    EXPECT_EQ(doc.m_strTextColour, "0");
}

TEST_F(DocumentTest, DisplayColoursComeFromTheSystem) {
    struct RestoreColours {
        ~RestoreColours() {
            win32::SetSysColor(5, 0x00FFFFFF);
            win32::SetSysColor(8, 0);
        }
    } restore;
    win32::SetSysColor(5, 0x00123456);
    win32::SetSysColor(8, 0x00FF0000);
    Document doc;
    EXPECT_EQ(doc.m_strBackgroundColour, std::to_string(0x123456).c_str());
    EXPECT_EQ(doc.m_strTextColour, "16711680");
}

TEST_F(DocumentTest, NewDocumentIsWrittenAsTheStandardFile) {
    const std::string path = File("new.qdf");
    {
        Document doc;
        ASSERT_GE(doc.SaveAs(path.c_str()), 0);
        EXPECT_EQ(doc.IsFileOpen(), 1);
    }
    EXPECT_EQ(twtest::ReadAll(path), Fixture("new_document.qdf"));

    Document doc;
    ASSERT_GE(doc.Open(path.c_str(), 1), 0);
    EXPECT_EQ(Indicators(doc), kAllRead);
    EXPECT_EQ(StatusOf(doc), "");
}

TEST_F(DocumentTest, StatusStringNamesTheFirstTwelveSectionsNotRead) {
    Document doc;
    EXPECT_EQ(StatusOf(doc),
              std::string(kHeading) +
                  "HEADER\r\nDATABASE\r\nTABLES\r\nATTRIBUTES\r\nCONDITIONS\r\n"
                  "JOINS\r\nFLAGS\r\nWINDOW-POSITION\r\nEDITED-SQL\r\n"
                  "CUSTOM-DATA-STRING\r\nDEFAULT-VALUES\r\nNON-DISPLAY-ATTRIBUTES\r\n");
    for (int& read : doc.m_bSectionRead)
        read = 1;
    doc.m_bSectionRead[2] = 0;
    doc.m_bSectionRead[12] = 0;  // TIME and DISPLAY-PROPERTIES are never named
    doc.m_bSectionRead[13] = 0;
    EXPECT_EQ(StatusOf(doc), std::string(kHeading) + "TABLES\r\n");
    EXPECT_LT(doc.GetStatusString(nullptr), 0);
    EXPECT_EQ(TakeError().number, ID_TWErrors_InvalidParam);
}

// Every member with a value other than its initial one, texts with TAB,
// bare CR, bare LF and bytes above 0x7F among them.
void FillEveryMember(Document& doc) {
    doc.m_strDatabase = "DB\twith tab \xE9";
    Fill(doc.m_pTableList, {"T1", "T\x80\xFF", "a\rb", "c\nd", "e\r"});
    Fill(doc.m_pAttributeList, {"T1.A", "\tT1.B"});
    Fill(doc.m_pAttributeNonDisplayList, {"T1.HIDDEN"});
    Fill(doc.m_pConditionList, {"T1.A = 'x\ty'", "T1.B > <<limit>>"});
    Fill(doc.m_pJoinList, {"T1.A = T2.A"});
    Fill(doc.m_pDefaultValuesList, {"limit\t5", "\xC0\xC1"});
    doc.m_bEditedSQL = 1;
    doc.m_bActiveQuery = 1;
    doc.m_bReadOnly = 1;
    doc.m_bSelectionByRow = 1;
    doc.m_bAutoRunWithoutConditions = 1;
    doc.m_strWindowPosition = "\t1\r2\n3\xA0";
    doc.m_strEditedSQL = "SELECT a\tb\r\nFROM t\rX\nY\r\n\r\nWHERE \xE4 = 1";
    doc.m_strCustomDataString = "cu\tst\xFFom\r";
    doc.m_nTimeZone = -7;
    doc.m_strTimeZone = "CET\t+1";
    doc.m_nDisplayProperty1 = INT_MIN;
    doc.m_strBackgroundColour = "red";
    doc.m_strTextColour = "4294967295";
    doc.m_nDisplayProperty2 = INT_MAX;
    const char* printer[8] = {"p1", "", "p\t3", "p\r4", "p\n5", "p6\x85", "7", "p8"};
    CString* printerMembers[8] = {&doc.m_strPrinterProperty1, &doc.m_strPrinterProperty2,
                                  &doc.m_strPrinterProperty3, &doc.m_strPrinterProperty4,
                                  &doc.m_strPrinterProperty5, &doc.m_strPrinterProperty6,
                                  &doc.m_strPrinterProperty7, &doc.m_strPrinterProperty8};
    for (int i = 0; i < 8; ++i)
        *printerMembers[i] = printer[i];
    doc.m_nPrinterProperty1 = -1;
    doc.m_nPrinterProperty2 = 12345;
    doc.m_strDynamicSort = "ORDER BY x\r";
    doc.m_nDynamicSort1 = 1;
    doc.m_nDynamicSort2 = -2;
    doc.m_nDynamicSort3 = 3;
}

void ExpectSameMembers(const Document& a, const Document& b) {
    EXPECT_EQ(a.m_strDatabase, b.m_strDatabase);
    EXPECT_EQ(Texts(a.m_pTableList), Texts(b.m_pTableList));
    EXPECT_EQ(Texts(a.m_pAttributeList), Texts(b.m_pAttributeList));
    EXPECT_EQ(Texts(a.m_pAttributeNonDisplayList), Texts(b.m_pAttributeNonDisplayList));
    EXPECT_EQ(Texts(a.m_pConditionList), Texts(b.m_pConditionList));
    EXPECT_EQ(Texts(a.m_pJoinList), Texts(b.m_pJoinList));
    EXPECT_EQ(Texts(a.m_pDefaultValuesList), Texts(b.m_pDefaultValuesList));
    EXPECT_EQ(a.m_bEditedSQL, b.m_bEditedSQL);
    EXPECT_EQ(a.m_bActiveQuery, b.m_bActiveQuery);
    EXPECT_EQ(a.m_bReadOnly, b.m_bReadOnly);
    EXPECT_EQ(a.m_bSelectionByRow, b.m_bSelectionByRow);
    EXPECT_EQ(a.m_bAutoRunWithoutConditions, b.m_bAutoRunWithoutConditions);
    EXPECT_EQ(a.m_strWindowPosition, b.m_strWindowPosition);
    EXPECT_EQ(a.m_strEditedSQL, b.m_strEditedSQL);
    EXPECT_EQ(a.m_strCustomDataString, b.m_strCustomDataString);
    EXPECT_EQ(a.m_nTimeZone, b.m_nTimeZone);
    EXPECT_EQ(a.m_strTimeZone, b.m_strTimeZone);
    EXPECT_EQ(a.m_nDisplayProperty1, b.m_nDisplayProperty1);
    EXPECT_EQ(a.m_strBackgroundColour, b.m_strBackgroundColour);
    EXPECT_EQ(a.m_strTextColour, b.m_strTextColour);
    EXPECT_EQ(a.m_nDisplayProperty2, b.m_nDisplayProperty2);
    EXPECT_EQ(a.m_strPrinterProperty1, b.m_strPrinterProperty1);
    EXPECT_EQ(a.m_strPrinterProperty2, b.m_strPrinterProperty2);
    EXPECT_EQ(a.m_strPrinterProperty3, b.m_strPrinterProperty3);
    EXPECT_EQ(a.m_strPrinterProperty4, b.m_strPrinterProperty4);
    EXPECT_EQ(a.m_strPrinterProperty5, b.m_strPrinterProperty5);
    EXPECT_EQ(a.m_strPrinterProperty6, b.m_strPrinterProperty6);
    EXPECT_EQ(a.m_strPrinterProperty7, b.m_strPrinterProperty7);
    EXPECT_EQ(a.m_strPrinterProperty8, b.m_strPrinterProperty8);
    EXPECT_EQ(a.m_nPrinterProperty1, b.m_nPrinterProperty1);
    EXPECT_EQ(a.m_nPrinterProperty2, b.m_nPrinterProperty2);
    EXPECT_EQ(a.m_strDynamicSort, b.m_strDynamicSort);
    EXPECT_EQ(a.m_nDynamicSort1, b.m_nDynamicSort1);
    EXPECT_EQ(a.m_nDynamicSort2, b.m_nDynamicSort2);
    EXPECT_EQ(a.m_nDynamicSort3, b.m_nDynamicSort3);
}

TEST_F(DocumentTest, EveryMemberSurvivesSaveAsAndOpen) {
    const std::string path = File("full.qdf");
    Document saved;
    FillEveryMember(saved);
    ASSERT_GE(saved.SaveAs(path.c_str()), 0);

    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0);
    EXPECT_EQ(Indicators(opened), kAllRead);
    ExpectSameMembers(saved, opened);
    // The text it holds is what it would write again.
    const std::string again = File("again.qdf");
    ASSERT_GE(opened.SaveAs(again.c_str()), 0);
    EXPECT_EQ(twtest::ReadAll(again), twtest::ReadAll(path));
}

TEST_F(DocumentTest, EditedSQLTextsReadBackUnchanged) {
    const std::string longLine(5000, 'x');
    const std::string huge = std::string(200000, 'a') + "\r\n" + std::string(70000, 'b');
    const std::vector<std::string> texts = {
        "",       "a\r\nb", "ends with a line end\r\n", "\r\n", "bare\rCR and bare\nLF",
        longLine,  // a line longer than any fixed line buffer
        huge,      // lines longer than the file object's buffer
    };
    for (const std::string& text : texts) {
        const std::string path = File("sql.qdf");
        Document saved;
        saved.m_strEditedSQL = CString(text.data(), static_cast<int>(text.size()));
        ASSERT_GE(saved.SaveAs(path.c_str()), 0);
        Document opened;
        ASSERT_GE(opened.Open(path.c_str(), 1), 0) << CTWError::GetMessage();
        EXPECT_EQ(std::string(opened.m_strEditedSQL.GetString(),
                              static_cast<std::size_t>(opened.m_strEditedSQL.GetLength())),
                  text);
        EXPECT_EQ(Indicators(opened), kAllRead);
    }
}

TEST_F(DocumentTest, EmptyListElementsAreLeftOutSoNoElementIsLost) {
    const std::string path = File("lists.qdf");
    Document saved;
    Fill(saved.m_pTableList, {"A", "", "B", "", ""});
    Fill(saved.m_pDefaultValuesList, {"", "V"});
    ASSERT_GE(saved.SaveAs(path.c_str()), 0);

    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0);
    EXPECT_EQ(Texts(opened.m_pTableList), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Texts(opened.m_pDefaultValuesList), (std::vector<std::string>{"V"}));
    EXPECT_EQ(Indicators(opened), kAllRead);
}

TEST_F(DocumentTest, ElementsWithLineEndsOrALeadingNulLoseNoOtherElement) {
    // An element ending in CR LF, one with CR LF twice in a row, and one whose
    // first byte is NUL would each write an empty line and end the list.
    const std::string path = File("pieces.qdf");
    const std::string longLine(150, 'x');
    Document saved;
    Fill(saved.m_pTableList, {"A", "B\r\n", "C"});
    Fill(saved.m_pAttributeList, {"P\r\n\r\n" + longLine, "Q"});
    Fill(saved.m_pConditionList, {std::string("\0z", 2), "R"});
    ASSERT_GE(saved.SaveAs(path.c_str()), 0);

    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0) << CTWError::GetMessage();
    EXPECT_EQ(Texts(opened.m_pTableList), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(Texts(opened.m_pAttributeList), (std::vector<std::string>{"P", longLine, "Q"}));
    EXPECT_EQ(Texts(opened.m_pConditionList), (std::vector<std::string>{"R"}));
    EXPECT_EQ(Indicators(opened), kAllRead);
}

TEST_F(DocumentTest, NullListElementFailsTheWrite) {
    Document doc;
    doc.m_pJoinList->AddTail(nullptr);
    EXPECT_LT(doc.SaveAs(File("null.qdf").c_str()), 0);
    EXPECT_EQ(TakeError().number, ID_TWErrors_UnExpected);
    doc.m_pJoinList->RemoveAll();
}

TEST_F(DocumentTest, SaveOfAnEmptyFileWritesTheDocument) {
    const std::string path = File("empty.qdf");
    twtest::WriteAll(path, "");
    Document doc;
    ASSERT_GE(doc.Open(path.c_str(), 0), 0);
    EXPECT_EQ(doc.IsFileOpen(), 1);
    EXPECT_EQ(Indicators(doc), "00000000000000");
    doc.m_strDatabase = "SALES";
    ASSERT_GE(doc.Save(), 0) << CTWError::GetMessage();

    const std::string other = File("other.qdf");
    ASSERT_GE(doc.SaveAs(other.c_str()), 0);
    EXPECT_EQ(twtest::ReadAll(path), twtest::ReadAll(other));
    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0);
    EXPECT_EQ(Indicators(opened), kAllRead);
    EXPECT_EQ(opened.m_strDatabase, "SALES");
}

TEST_F(DocumentTest, SaveRewritesTheOpenFileInPlace) {
    const std::string path = File("sample.qdf");
    twtest::WriteAll(path, Fixture("sample.qdf") + "text after the last section\r\n");
    Document doc;
    ASSERT_GE(doc.Open(path.c_str(), 0), 0);
    EXPECT_EQ(Indicators(doc), kAllRead);
    ASSERT_GE(doc.Save(), 0);
    EXPECT_EQ(twtest::ReadAll(path), Fixture("sample.qdf"));
    // A second save of a shorter document cuts the file.
    doc.ClearQueryText();
    ASSERT_GE(doc.Save(), 0);
    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0);
    EXPECT_EQ(opened.m_strDatabase, "");
    EXPECT_TRUE(opened.m_pTableList->IsEmpty());
    EXPECT_EQ(opened.m_strCustomDataString, "custom");
}

TEST_F(DocumentTest, SaveOfAReadOnlyDocumentFailsAndKeepsTheFile) {
    const std::string path = File("sample.qdf");
    twtest::WriteAll(path, Fixture("sample.qdf"));
    Document doc;
    ASSERT_GE(doc.Open(path.c_str(), 1), 0);
    doc.m_strDatabase = "OTHER";
    EXPECT_LT(doc.Save(), 0);
    TakeError();
    EXPECT_EQ(twtest::ReadAll(path), Fixture("sample.qdf"));
}

TEST_F(DocumentTest, SaveAsReplacesALongerFile) {
    const std::string path = File("long.qdf");
    twtest::WriteAll(path, std::string(100000, 'z'));
    Document doc;
    ASSERT_GE(doc.SaveAs(path.c_str()), 0);
    EXPECT_EQ(twtest::ReadAll(path), Fixture("new_document.qdf"));
    // Later saves go to the same file.
    doc.m_strDatabase = "NEW";
    ASSERT_GE(doc.Save(), 0);
    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0);
    EXPECT_EQ(opened.m_strDatabase, "NEW");
}

TEST_F(DocumentTest, OpenOfAMissingFileReadsNothing) {
    twtest::MessageRecorder messages;
    Document doc;
    doc.m_strDatabase = "KEPT";
    EXPECT_GE(doc.Open(File("missing.qdf").c_str(), 1), 0);
    EXPECT_EQ(doc.IsFileOpen(), 0);
    EXPECT_EQ(doc.m_strDatabase, "KEPT");
    EXPECT_EQ(Indicators(doc), "00000000000000");
    EXPECT_EQ(messages.texts().size(), 1u);
}

TEST_F(DocumentTest, OpenAppendsListsAndReplacesTexts) {
    Document doc;
    ASSERT_GE(OpenBytes(doc, Fixture("sample.qdf")), 0);
    FileText other = SampleSections();
    other[1].body = {"OTHER"};
    other[2].body = {"T3", ""};
    ASSERT_GE(OpenBytes(doc, Render(other)), 0);
    EXPECT_EQ(doc.m_strDatabase, "OTHER");
    EXPECT_EQ(Texts(doc.m_pTableList), (std::vector<std::string>{"ORDERS", "CUSTOMERS", "T3"}));
    EXPECT_EQ(Texts(doc.m_pConditionList),
              (std::vector<std::string>{"ORDERS.ID > 10", "ORDERS.ID > 10"}));
    // Initialise first to read a file afresh.
    ASSERT_GE(doc.Initialise(), 0);
    ASSERT_GE(OpenBytes(doc, Render(other)), 0);
    EXPECT_EQ(Texts(doc.m_pTableList), (std::vector<std::string>{"T3"}));
}

TEST_F(DocumentTest, CopyWritesTheTextIntoTheTargetsFile) {
    const std::string sourcePath = File("source.qdf");
    const std::string targetPath = File("target.qdf");
    twtest::WriteAll(targetPath, "");
    Document source;
    ASSERT_GE(source.SaveAs(sourcePath.c_str()), 0);
    source.m_strDatabase = "COPIED";
    Document target;
    ASSERT_GE(target.Open(targetPath.c_str(), 0), 0);
    target.m_strDatabase = "TARGET";

    ASSERT_GE(source.Copy(&target), 0);
    EXPECT_EQ(source.m_pOutputFile, &source);
    EXPECT_EQ(target.m_strDatabase, "TARGET");
    Document copied;
    ASSERT_GE(copied.Open(targetPath.c_str(), 1), 0);
    EXPECT_EQ(copied.m_strDatabase, "COPIED");
    EXPECT_EQ(Indicators(copied), kAllRead);

    // The source's own file still receives its saves.
    ASSERT_GE(source.Save(), 0);
    EXPECT_EQ(twtest::ReadAll(sourcePath), twtest::ReadAll(targetPath));
}

TEST_F(DocumentTest, FailedCopyStillRestoresTheOutput) {
    const std::string targetPath = File("target.qdf");
    twtest::WriteAll(targetPath, "");
    Document source;
    Document target;
    ASSERT_GE(target.Open(targetPath.c_str(), 1), 0);
    EXPECT_LT(source.Copy(&target), 0);
    TakeError();
    EXPECT_EQ(source.m_pOutputFile, &source);
    EXPECT_EQ(twtest::ReadAll(targetPath), "");

    EXPECT_LT(source.Copy(nullptr), 0);
    EXPECT_EQ(TakeError().number, ID_TWErrors_InvalidParam);
    EXPECT_EQ(source.m_pOutputFile, &source);
}

TEST_F(DocumentTest, CloseKeepsTheMembers) {
    Document doc;
    ASSERT_GE(OpenBytes(doc, Fixture("sample.qdf")), 0);
    ASSERT_GE(doc.Close(), 0);
    EXPECT_EQ(doc.IsFileOpen(), 0);
    EXPECT_EQ(doc.m_strDatabase, "SALES");
    EXPECT_EQ(Indicators(doc), kAllRead);
}

TEST_F(DocumentTest, ListOperations) {
    Document doc;
    doc.AddTable(nullptr);
    EXPECT_TRUE(doc.GetTableList()->IsEmpty());
    doc.AddTable(new CString("T"));
    doc.AddDefaultValue(new CString("D"));
    EXPECT_EQ(Texts(doc.GetTableList()), std::vector<std::string>{"T"});
    EXPECT_EQ(Texts(doc.m_pDefaultValuesList), std::vector<std::string>{"D"});
    doc.DeleteTableList();
    EXPECT_TRUE(doc.m_pTableList->IsEmpty());
    EXPECT_FALSE(doc.m_pDefaultValuesList->IsEmpty());
}

TEST_F(DocumentTest, ClearQueryTextEmptiesOnlyTheQuery) {
    Document doc;
    ASSERT_GE(OpenBytes(doc, Fixture("sample.qdf")), 0);
    CPtrList* tables = doc.m_pTableList;
    ASSERT_GE(doc.ClearQueryText(), 0);
    EXPECT_EQ(doc.m_strDatabase, "");
    for (CPtrList* list : {doc.m_pTableList, doc.m_pAttributeList, doc.m_pAttributeNonDisplayList,
                           doc.m_pConditionList, doc.m_pJoinList, doc.m_pDefaultValuesList}) {
        EXPECT_TRUE(list->IsEmpty());
    }
    EXPECT_EQ(doc.m_pTableList, tables);
    EXPECT_EQ(doc.m_strEditedSQL, "SELECT *\r\nFROM ORDERS");
    EXPECT_EQ(doc.m_strWindowPosition, "10,20,300,400");
    EXPECT_EQ(doc.m_bActiveQuery, 1);
}

TEST_F(DocumentTest, InitialiseResetsEveryMemberButNotTheFile) {
    Document doc;
    ASSERT_GE(OpenBytes(doc, Fixture("sample.qdf"), 0), 0);
    doc.m_strSpare = "spare";
    doc.m_nSectionVersion[6][1] = 0;
    ASSERT_GE(doc.Initialise(), 0);
    EXPECT_EQ(doc.IsFileOpen(), 1);
    Document fresh;
    ExpectSameMembers(doc, fresh);
    EXPECT_EQ(doc.m_strSpare, "");
    EXPECT_EQ(doc.m_nSectionVersion[6][1], 1);
    EXPECT_EQ(Indicators(doc), "00000000000000");
}

}  // namespace
}  // namespace qdftest
