// Allocation and system call failures while the document is reset, read
// and written: each gives its error, nothing crashes, nothing leaks and no
// exception escapes.
#include <gtest/gtest.h>

#include <functional>
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

// Fails each call of each kind that Open, SaveAs and Save make, in turn, on a
// document opened for writing: a failure is reported only when one was
// injected, as the pending error, an allocation failure as MemoryAlloc, and
// no exception escapes. A save then writes the whole document again.
TEST_F(DocumentFaultTest, EveryFailureOfOpenSaveAsAndSaveIsReported) {
    const std::string saved = File("saved.qdf");
    twtest::WriteAll(saved, Fixture("sample.qdf"));
    const auto prepared = [&] {
        auto doc = std::make_unique<Document>();
        doc->Open(saved.c_str(), 0);
        CTWError::Clear();  // an earlier failure may have left the file short
        doc->m_strDatabase = "SAVED";
        return doc;
    };
    const std::function<int(Document&)> operations[] = {
        [&](Document& doc) {
            doc.ClearQueryText();  // so that reading allocates list nodes again
            return OpenBytes(doc, Fixture("sample.qdf"), 0);
        },
        [&](Document& doc) { return doc.SaveAs(saved.c_str()); },
        [](Document& doc) { return doc.Save(); }};
    for (const auto& operation : operations) {
        for (int k = 0; k < fault::kKindCount; ++k) {
            const Kind kind = static_cast<Kind>(k);
            for (unsigned long n = 1;; ++n) {  // until the operation makes fewer calls
                SCOPED_TRACE(std::string(fault::KindName(kind)) + " " + std::to_string(n));
                const auto doc = prepared();
                fault::Arm(kind, n);
                const int status = operation(*doc);
                const bool injected = fault::Injected() > 0;
                fault::Disarm();
                const bool allocation = kind == Kind::String || kind == Kind::ListNode;
                EXPECT_EQ(CTWError::GetNumber(), status < 0 ? status : 0);
                EXPECT_TRUE(status >= 0 ||
                            (injected && (!allocation || status == ID_TWErrors_MemoryAlloc)));
                CTWError::Clear();
                if (!injected) break;
            }
        }
    }
    const auto doc = prepared();
    ASSERT_GE(doc->Save(), 0);
    EXPECT_EQ(Reopened(saved), MembersOf(*doc));
}

}  // namespace
}  // namespace qdftest
