// Allocation and system call failures while the document is reset, read
// and written: each gives its error, nothing crashes, nothing leaks and no
// exception escapes.
#include <gtest/gtest.h>

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
    for (int i = 1; i <= 12; ++i) sections[2].body.push_back("T" + std::to_string(i));
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
    for (int i = 0; i < 10; ++i) doc.AddJoin(new CString("J"));
    CString* item = new CString("eleventh");
    fault::ScopedDisarm disarm;
    fault::Arm(fault::Kind::ListNode, 1);
    doc.AddJoin(item);
    fault::Disarm();
    EXPECT_EQ(TakeError().number, ID_TWErrors_UnExpected);
    EXPECT_EQ(doc.m_pJoinList->GetCount(), 10);
    delete item;
}

// Fails each call of the library in turn (of one kind, or of any kind)
// while op runs: a failure is reported only when one was injected, and
// nothing else happens. op checks the pending error before its document
// goes (the file object's destructor clears it).
template <typename Op>
void FailEachCallOf(Op op, fault::Kind kind, bool anyKind) {
    fault::ScopedDisarm disarm;
    fault::StartCounting();
    ASSERT_GE(op(), 0);
    const unsigned long total = anyKind ? fault::TotalCalls() : fault::Calls(kind);
    fault::Disarm();
    CTWError::Clear();
    ASSERT_GT(total, 0u);
    for (unsigned long n = 1; n <= total; ++n) {
        if (anyKind) {
            fault::ArmAny(n);
        } else {
            fault::Arm(kind, n);
        }
        const int status = op();
        const bool injected = fault::Injected() > 0;
        fault::Disarm();
        if (status < 0) EXPECT_TRUE(injected) << "call " << n;
        CTWError::Clear();
    }
}

TEST_F(DocumentFaultTest, EveryFailureWhileOpening) {
    const std::string path = FixturePath("sample.qdf");
    const auto open = [&] {
        Document doc;
        const int status = doc.Open(path.c_str(), 1);
        EXPECT_EQ(CTWError::GetNumber(), status < 0 ? status : 0);
        return status;
    };
    FailEachCallOf(open, fault::Kind::Open, true);
    FailEachCallOf(open, fault::Kind::String, false);
}

TEST_F(DocumentFaultTest, EveryFailureWhileSaving) {
    const std::string path = File("saved.qdf");
    const auto save = [&] {
        Document doc;
        Fill(doc.m_pTableList, {"A", "B"});
        doc.m_strEditedSQL = "SELECT 1\r\nFROM T";
        const int status = doc.SaveAs(path.c_str());
        EXPECT_EQ(CTWError::GetNumber(), status < 0 ? status : 0);
        return status;
    };
    FailEachCallOf(save, fault::Kind::Open, true);
}

}  // namespace
}  // namespace qdftest
