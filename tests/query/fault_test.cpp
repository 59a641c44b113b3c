// Allocation and system call failures while the document is reset, read
// and written: each gives its error, nothing crashes, nothing leaks and no
// exception escapes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <twfile/host/error.h>
#include <twfile/platform/fault.h>
#include <twfile/query/qdf.h>

#include "qdf_support.h"

namespace qdftest {
namespace {

namespace fault = win32::fault;
using Document = CTWFileQDF;

class DocumentFaultTest : public QdfTest {};

TEST_F(DocumentFaultTest, ListThatCannotBeCreatedStopsInitialise) {
    Document doc;
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::ListNode, 3);
    EXPECT_EQ(doc.Initialise(), -100);
    fault::Disarm();
    const Error error = TakeError();
    EXPECT_EQ(error.number, -100);
    EXPECT_EQ(error.text, "Unable to create an application object");
    EXPECT_NE(doc.m_pTableList, nullptr);
    EXPECT_NE(doc.m_pAttributeList, nullptr);
    EXPECT_EQ(doc.m_pAttributeNonDisplayList, nullptr);

    // Operations skip the missing list.
    doc.AddAttributeNonDisplay(nullptr);
    doc.DeleteAttributeNonDisplayList();
    EXPECT_GE(doc.ClearQueryText(), 0);
    EXPECT_GE(doc.SaveAs(File("partial.qdf").c_str()), 0);
    EXPECT_GE(doc.Open(FixturePath("sample.qdf").c_str(), 1), 0);
    EXPECT_EQ(doc.m_bSectionRead[11], 1);

    ASSERT_GE(doc.Initialise(), 0);
    EXPECT_NE(doc.m_pAttributeNonDisplayList, nullptr);
}

TEST_F(DocumentFaultTest, ConstructionLeavesAFailedInitialisePending) {
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::ListNode, 1);
    Document doc;
    fault::Disarm();
    EXPECT_EQ(TakeError().number, -100);
    EXPECT_EQ(doc.m_pTableList, nullptr);
}

TEST_F(DocumentFaultTest, ListThatCannotGrowWhileReadingKeepsTheElementsRead) {
    FileText sections = SampleSections();
    sections[2].body.clear();
    for (int i = 1; i <= 12; ++i)
        sections[2].body.push_back("T" + std::to_string(i));
    sections[2].body.push_back("");
    Document doc;
    fault::ScopedDisarm disarm;
    // Nodes come in blocks of ten: the second block is the eleventh table.
    fault::Arm(fault::Kind::ListNode, 2);
    EXPECT_LT(OpenBytes(doc, Render(sections)), 0);
    fault::Disarm();
    EXPECT_EQ(TakeError().number, ID_TWErrors_MemoryAlloc);
    EXPECT_EQ(Texts(doc.m_pTableList).size(), 10u);
    EXPECT_EQ(Indicators(doc), "11000000000000");
}

TEST_F(DocumentFaultTest, AddThatCannotGrowTheListLeavesTheItemToTheCaller) {
    Document doc;
    for (int i = 0; i < 10; ++i)
        doc.AddJoin(new CString("J"));
    CString* item = new CString("eleventh");
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::ListNode, 1);
    doc.AddJoin(item);
    fault::Disarm();
    EXPECT_EQ(TakeError().number, ID_TWErrors_UnExpected);
    EXPECT_EQ(doc.m_pJoinList->GetCount(), 10);
    delete item;
}

// Fails each call that op makes, in turn (of one kind, or of any kind), on
// a document made by make: a failure is reported only when one was
// injected, as the pending error, and nothing else happens. The switch is
// disarmed and the error cleared before the document goes, so that its
// destruction is not part of the sweep.
template <typename Make, typename Op>
void FailEachCallOf(Make make, Op op, fault::Kind kind, bool anyKind) {
    fault::ScopedDisarm disarm;
    unsigned long total = 0;
    {
        std::unique_ptr<Document> doc = make();
        fault::StartCounting();
        ASSERT_GE(op(*doc), 0);
        total = anyKind ? fault::TotalCalls() : fault::Calls(kind);
        fault::Disarm();
    }
    ASSERT_GT(total, 0u);
    for (unsigned long n = 1; n <= total; ++n) {
        std::unique_ptr<Document> doc = make();
        if (anyKind) {
            fault::ArmAny(n);
        } else {
            fault::Arm(kind, n);
        }
        const int status = op(*doc);
        const bool injected = fault::Injected() > 0;
        fault::Disarm();
        if (status < 0) {
            EXPECT_TRUE(injected) << "call " << n;
        }
        EXPECT_EQ(CTWError::GetNumber(), status < 0 ? status : 0) << "call " << n;
        CTWError::Clear();
    }
}

std::unique_ptr<Document> NewDocument() {
    return std::make_unique<Document>();
}

TEST_F(DocumentFaultTest, EveryFailureWhileOpening) {
    const std::string path = FixturePath("sample.qdf");
    const auto open = [&](Document& doc) { return doc.Open(path.c_str(), 1); };
    FailEachCallOf(NewDocument, open, fault::Kind::Open, true);
    FailEachCallOf(NewDocument, open, fault::Kind::String, false);
}

TEST_F(DocumentFaultTest, EveryFailureWhileSaving) {
    const std::string path = File("saved.qdf");
    const auto make = [] {
        std::unique_ptr<Document> doc = NewDocument();
        Fill(doc->m_pTableList, {"A", "B"});
        doc->m_strEditedSQL = "SELECT 1\r\nFROM T";
        return doc;
    };
    const auto saveAs = [&](Document& doc) { return doc.SaveAs(path.c_str()); };
    FailEachCallOf(make, saveAs, fault::Kind::Open, true);

    // Save in place of a document opened for writing; an earlier failure
    // may have left the file short, which the open then reports.
    ASSERT_GE(saveAs(*make()), 0);
    const auto openForSave = [&] {
        std::unique_ptr<Document> doc = NewDocument();
        doc->Open(path.c_str(), 0);
        CTWError::Clear();
        doc->m_strDatabase = "SAVED";
        return doc;
    };
    const auto save = [](Document& doc) { return doc.Save(); };
    FailEachCallOf(openForSave, save, fault::Kind::Open, true);

    // Whatever failed before, the next save writes the whole document.
    ASSERT_GE(saveAs(*make()), 0);
    Document opened;
    ASSERT_GE(opened.Open(path.c_str(), 1), 0);
    EXPECT_EQ(Indicators(opened), kAllRead);
    EXPECT_EQ(opened.m_strEditedSQL, "SELECT 1\r\nFROM T");
}

}  // namespace
}  // namespace qdftest
