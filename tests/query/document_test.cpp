// The document's life: saving, opening, copying, the report of sections not
// read, and the string lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include <twfile/platform/colours.h>
#include <twfile/query/file_stamp.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif
#include "testing/fault_switch.h"

#include "qdf_support.h"

namespace qdftest {
namespace {

class DocumentTest : public QdfTest {
  protected:
    // Saves document as saved.qdf and gives the members read back from it.
    Members SavedAndReopened(Document& document) {
        EXPECT_GE(document.SaveAs(File("saved.qdf").c_str()), 0) << CTWError::GetMessage();
        return Reopened(File("saved.qdf"));
    }
    static std::string StatusOf(Document& document) {
        CString report("not emptied");
        EXPECT_GE(document.GetStatusString(&report), 0);
        return report.GetString();
    }
};

TEST_F(DocumentTest, NewDocumentIsWrittenAsTheStandardFile) {
    twtest::WriteAll(File("saved.qdf"), std::string(100000, 'z'));  // a longer file is cut
    Document doc;  // the window colours are white and black unless a test sets them
    ASSERT_GE(doc.SaveAs(File("saved.qdf").c_str()), 0);
    EXPECT_EQ(twtest::ReadAll(File("saved.qdf")), Fixture("new_document.qdf"));
    ASSERT_GE(doc.Open(File("saved.qdf").c_str(), 1), 0);
    EXPECT_EQ(Indicators(doc), kAllRead);
    EXPECT_EQ(StatusOf(doc), "");

    win32::SetSysColor(5, 0x00123456);  // the display colours are the system's
    win32::SetSysColor(8, 0x00FF0000);
    const Members coloured = MembersOf(Document());
    win32::SetSysColor(5, 0x00FFFFFF);
    win32::SetSysColor(8, 0);
    EXPECT_EQ(coloured.at("strBackgroundColour") + " " + coloured.at("strTextColour"),
              "1193046 16711680");
}

TEST_F(DocumentTest, StatusStringNamesTheFirstTwelveSectionsNotRead) {
    const std::string heading =
        "The QDF file contained unsupported versions of the following sections:\r\n";
    Document doc;
    EXPECT_EQ(StatusOf(doc),
              heading +
                  "HEADER\r\nDATABASE\r\nTABLES\r\nATTRIBUTES\r\nCONDITIONS\r\n"
                  "JOINS\r\nFLAGS\r\nWINDOW-POSITION\r\nEDITED-SQL\r\n"
                  "CUSTOM-DATA-STRING\r\nDEFAULT-VALUES\r\nNON-DISPLAY-ATTRIBUTES\r\n");
    // Neither TIME nor DISPLAY-PROPERTIES is named.
    ASSERT_GE(OpenBytes(doc, Fixture("ends_after_custom_data.qdf")), 0);
    EXPECT_EQ(StatusOf(doc), heading + "DEFAULT-VALUES\r\nNON-DISPLAY-ATTRIBUTES\r\n");
}

TEST_F(DocumentTest, EveryMemberSurvivesSaveAsAndOpen) {
    // The sample holds a value other than the initial one in every member;
    // here texts with TAB, bare CR, bare LF and bytes above 0x7F among them,
    // and lines like the closing line that a save need not refuse.
    FileText sections = SampleSections();
    sections[1].body = {"}"};
    sections[2].body = {"T1", "T\x80\xFF", "a\rb", "c\nd", "e\r", ""};
    sections[4].body = {"T1.A = 'x\ty'", "\tT1.B > <<limit>>", ""};
    sections[7].body = {"\t1\r2\n3\xA0"};
    sections[8].body = {"SELECT a\tb", "FROM t\rX\nY", "",  "WHERE \xE4 = 1",
                        "{fn NOW()}",  " }",           "}x"};
    sections[9].body = {"cu\tst\xFFom\r"};
    sections[10].body = {"limit\t5", "\xC0\xC1", ""};
    sections[12].body = {"-7", "CET\t+1"};
    sections[13].body = {"-2147483648", "red", "4294967295", "2147483647"};
    sections[14].body = {"p1", "", "p\t3", "p\r4", "p\n5", "p6\x85", "7", "p8", "-1", "12345"};
    sections[15].body = {"ORDER BY x\r", "1", "-2", "3"};
    Document saved;
    ASSERT_GE(OpenBytes(saved, Render(sections)), 0);
    EXPECT_EQ(SavedAndReopened(saved), MembersOf(saved));
    EXPECT_EQ(twtest::ReadAll(File("saved.qdf")), Render(sections));
}

TEST_F(DocumentTest, EditedSQLTextsReadBackUnchanged) {
    const std::string huge = std::string(200000, 'a') + "\r\n" + std::string(70000, 'b');
    for (const std::string& text :
         {std::string(), std::string("a\r\nb"), std::string("ends with a line end\r\n"),
          std::string("\r\n"), std::string("bare\rCR and bare\nLF"),
          std::string(5000, 'x'),  // longer than any fixed line buffer
          huge}) {                 // longer than the file object's buffer
        Document saved;
        saved.m_strEditedSQL = CString(text.data(), static_cast<int>(text.size()));
        EXPECT_EQ(SavedAndReopened(saved).at("strEditedSQL"), text);
    }
}

TEST_F(DocumentTest, ElementsThatWouldEndTheListAndTextsWithANulLoseNothingElse) {
    // An empty element, one ending in CR LF, one with CR LF twice in a row,
    // and one whose first byte is NUL would each write an empty line and end
    // the list: empty ones are left out.
    const std::string longLine(150, 'x');
    Document saved;
    Fill(saved.m_pTableList, {"A", "", "B\r\n", "C", "", ""});
    Fill(saved.m_pDefaultValuesList, {"", "V"});
    Fill(saved.m_pAttributeList, {"P\r\n\r\n" + longLine, "Q"});
    Fill(saved.m_pConditionList, {std::string("\0z", 2), "R"});
    // A CR not followed by LF is part of the text, also next to a CR LF.
    Fill(saved.m_pJoinList, {"\r\nS", "T\rU", "V\r", "W\r\r\nX", "\r"});
    // A text is written up to its first NUL, as callers see it.
    saved.m_strDatabase = CString("SALES\0 2", 8);
    const Members opened = SavedAndReopened(saved);
    EXPECT_EQ(opened.at("strDatabase"), "SALES");
    EXPECT_EQ(opened.at("pTableList"), "A|B|C");
    EXPECT_EQ(opened.at("pAttributeList"), "P|" + longLine + "|Q");
    EXPECT_EQ(opened.at("pConditionList"), "R");
    EXPECT_EQ(opened.at("pJoinList"), "S|T\rU|V\r|W\r|X|\r");
    EXPECT_EQ(opened.at("pDefaultValuesList"), "V");
}

TEST_F(DocumentTest, SaveRewritesTheFileInPlaceOnlyWhenOpenForWriting) {
    const std::string path = File("sample.qdf");
    twtest::WriteAll(path, Fixture("sample.qdf") + "text after the last section\r\n");
    Document doc;
    ASSERT_GE(doc.Open(path.c_str(), 1), 0);
    ASSERT_GE(doc.ClearQueryText(), 0);  // empties the database line and the six lists only
    EXPECT_LT(doc.Save(), 0);
    EXPECT_LT(TakeError().number, 0);
    EXPECT_EQ(twtest::ReadAll(path), Fixture("sample.qdf") + "text after the last section\r\n");

    ASSERT_GE(doc.Open(path.c_str(), 0), 0);  // appends to the emptied lists
    ASSERT_GE(doc.ClearQueryText(), 0);
    ASSERT_GE(doc.Save(), 0);
    FileText expected = SampleSections();
    for (int cleared : {1, 2, 3, 4, 5, 10, 11})
        expected[static_cast<std::size_t>(cleared)].body = {""};
    EXPECT_EQ(twtest::ReadAll(path), Render(expected));
}

TEST_F(DocumentTest, OpenAppendsListsUntilInitialiseResetsTheMembers) {
    Document doc;
    ASSERT_GE(OpenBytes(doc, Fixture("sample.qdf")), 0);
    FileText other = SampleSections();
    other[1].body = {"OTHER"};
    other[2].body = {"T3", ""};
    ASSERT_GE(OpenBytes(doc, Render(other)), 0);
    EXPECT_EQ(MembersOf(doc).at("strDatabase"), "OTHER");
    EXPECT_EQ(MembersOf(doc).at("pTableList"), "ORDERS|CUSTOMERS|T3");
    EXPECT_EQ(MembersOf(doc).at("pConditionList"), "ORDERS.ID > 10|ORDERS.ID > 10");

    doc.m_nSectionVersion[6][1] = 0;
    ASSERT_GE(doc.Initialise(), 0);
    EXPECT_EQ(doc.IsFileOpen(), 1);
    EXPECT_EQ(Indicators(doc), kNoneRead);
    EXPECT_EQ(doc.m_nSectionVersion[6][1], 1);
    const Document fresh;
    EXPECT_EQ(MembersOf(doc), MembersOf(fresh));
}

TEST_F(DocumentTest, CopyWritesTheTextIntoTheTargetsFileOnly) {
    const std::string sourcePath = File("source.qdf");
    const std::string targetPath = File("target.qdf");
    twtest::WriteAll(targetPath, "");
    Document source;
    ASSERT_GE(source.SaveAs(sourcePath.c_str()), 0);
    Document target;
    // An empty file is not a document, but stays open.
    EXPECT_EQ(target.Open(targetPath.c_str(), 1), CTWFileQDF::kNotADocument);
    TakeError();
    ASSERT_EQ(target.IsFileOpen(), 1);
    EXPECT_LT(source.Copy(&target), 0);  // the target is read-only
    EXPECT_LT(TakeError().number, 0);
    EXPECT_EQ(source.m_pOutputFile, &source);
    EXPECT_EQ(twtest::ReadAll(targetPath), "");

    // The fault campaign checks the copied text and the target's members.
    target.Open(targetPath.c_str(), 0);
    TakeError();
    ASSERT_EQ(target.IsFileOpen(), 1);
    source.m_strDatabase = "COPIED";
    ASSERT_GE(source.Copy(&target), 0);
    ASSERT_GE(source.Save(), 0);  // the source's own file receives its saves again
    EXPECT_EQ(twtest::ReadAll(sourcePath), twtest::ReadAll(targetPath));
}

TEST_F(DocumentTest, NullPointersAreReportedNotFollowed) {
    Document doc;
    EXPECT_LT(doc.Copy(nullptr), 0);
    EXPECT_EQ(TakeError().number, ID_TWErrors_InvalidParam);
    EXPECT_LT(doc.GetStatusString(nullptr), 0);
    EXPECT_EQ(TakeError().number, ID_TWErrors_InvalidParam);
    doc.m_pJoinList->AddTail(nullptr);  // a list element without a string
    EXPECT_LT(doc.SaveAs(File("null.qdf").c_str()), 0);
    EXPECT_EQ(TakeError().number, ID_TWErrors_UnExpected);
    doc.m_pJoinList->RemoveAll();
}

TEST_F(DocumentTest, ListThatCannotBeCreatedStopsInitialise) {
    namespace fault = win32::fault;
    fault::Arm(fault::Kind::ListNode, 1);
    Document doc;  // the constructor leaves the failure pending
    EXPECT_EQ(TakeError().number, -100);
    fault::Arm(fault::Kind::ListNode, 3);
    EXPECT_EQ(doc.Initialise(), -100);
    fault::Disarm();
    EXPECT_EQ(TakeError().text, "Unable to create an application object");
    EXPECT_NE(doc.m_pAttributeList, nullptr);
    EXPECT_EQ(doc.m_pAttributeNonDisplayList, nullptr);
    // Every operation skips the missing lists.
    EXPECT_GE(doc.ClearQueryText(), 0);
    EXPECT_GE(doc.SaveAs(File("partial.qdf").c_str()), 0);
    EXPECT_GE(OpenBytes(doc, Fixture("sample.qdf")), 0);
    EXPECT_EQ(Indicators(doc), kAllRead);
}

TEST_F(DocumentTest, AddThatCannotGrowTheListLeavesTheItemToTheCaller) {
    Document doc;
    Fill(doc.m_pJoinList, LineList(10, "J"));
    const auto item = std::make_unique<CString>("eleventh");
    win32::fault::Arm(win32::fault::Kind::ListNode, 1);
    doc.AddJoin(item.get());
    EXPECT_EQ(TakeError().number, ID_TWErrors_UnExpected);
    EXPECT_EQ(doc.m_pJoinList->GetCount(), 10);
}

// A stamp matches the file only in the state it recorded: other bytes of
// the same size and modification time do not match, nor does a path that
// names nothing.
TEST_F(DocumentTest, FileStampMatchesOnlyTheStateItRecorded) {
    const std::string path = File("s.qdf");
    twtest::WriteAll(path, "abc");
    CTWFileStamp stamp;
    int same = -1;
    EXPECT_EQ(stamp.Matches(path.c_str(), same), 0);
    EXPECT_EQ(same, 0);  // an empty stamp
    ASSERT_EQ(stamp.Take(path.c_str()), 0);
    const auto matches = [&] {
        EXPECT_GE(stamp.Matches(path.c_str(), same), 0) << TakeError().text;
        return same;
    };
    EXPECT_EQ(matches(), 1);
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    for (const char* bytes : {"abd", "abc"}) {
        twtest::WriteAll(path, bytes);
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        EXPECT_EQ(matches(), bytes[2] == 'c' ? 1 : 0) << bytes;
    }
#endif
    twtest::WriteAll(path, "abcd");
    EXPECT_EQ(matches(), 0);
    std::remove(path.c_str());
    EXPECT_EQ(matches(), 0);
    EXPECT_EQ(CTWFileStamp().Take(path.c_str()), -1);
    EXPECT_EQ(TakeError().text, "Error examining a file");
    win32::fault::Arm(win32::fault::Kind::Read, 1);
    twtest::WriteAll(path, "abc");
    EXPECT_EQ(stamp.Matches(path.c_str(), same), -1);
    win32::fault::Disarm();
    EXPECT_EQ(TakeError().text, "Error examining a file");
}

}  // namespace
}  // namespace qdftest
