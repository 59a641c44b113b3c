// Allocation and system call failures while the document is reset, read
// and written: each gives its error, nothing crashes, nothing leaks and no
// exception escapes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testing/fault_switch.h"

#include "qdf_support.h"

namespace qdftest {
namespace {

namespace fault = win32::fault;
using fault::Kind;

class DocumentFaultTest : public QdfTest {};

TEST_F(DocumentFaultTest, ListThatCannotBeCreatedStopsInitialise) {
    fault::Arm(Kind::ListNode, 1);
    Document doc;  // the constructor leaves the failure pending
    EXPECT_EQ(TakeError().number, -100);
    fault::Arm(Kind::ListNode, 3);
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

TEST_F(DocumentFaultTest, AddThatCannotGrowTheListLeavesTheItemToTheCaller) {
    Document doc;
    Fill(doc.m_pJoinList, LineList(10, "J"));
    const auto item = std::make_unique<CString>("eleventh");
    fault::Arm(Kind::ListNode, 1);
    doc.AddJoin(item.get());
    EXPECT_EQ(TakeError().number, ID_TWErrors_UnExpected);
    EXPECT_EQ(doc.m_pJoinList->GetCount(), 10);
}

}  // namespace
}  // namespace qdftest
