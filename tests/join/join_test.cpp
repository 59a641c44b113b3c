// A join's SQL text and its buffer.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/join/join.h>
#include "testing/fault_switch.h"

namespace fault = win32::fault;

namespace {

std::string Text(const char* text) {
    return text != nullptr ? text : "<null>";
}

// Attributes named "<table>.<name>" (or just the name without a table)
// that live as long as the fixture.
class JoinTest : public ::testing::Test {
  protected:
    CTWDB_Attribute* Attribute(const char* table, const char* name) {
        CTWDB_Table* owner = table != nullptr ? &m_tables.emplace_back(table) : nullptr;
        return &m_attributes.emplace_back(owner, name, TWDB_Integer);
    }
    static void Fill(CTWFileQDFJoin& join, const std::vector<CTWDB_Attribute*>& attributes) {
        join.RemoveAll();
        for (auto* attribute : attributes)
            join.AddTail(attribute);
    }

    std::deque<CTWDB_Table> m_tables;
    std::deque<CTWDB_Attribute> m_attributes;
};

// The names, qualified by their tables, joined by " = "; no names give the
// empty text, with or without a buffer. After a failed
// allocation the buffer is null with size 0: the next call allocates again,
// whatever length it needs.
TEST_F(JoinTest, TextJoinsTheNamesInABufferThatSurvivesFailedAllocations) {
    CTWFileQDFJoin join;
    CTWDB_Attribute* n1 = Attribute("T1", "N1");
    CTWDB_Attribute* n2 = Attribute("T2", "N2");
    CTWDB_Attribute* y = Attribute(nullptr, "Y");
    CTWDB_Attribute* quoted = Attribute("C", "it's");
    const struct {
        std::vector<CTWDB_Attribute*> attributes;
        bool fail;
        unsigned long allocations;
        const char* text;
    } steps[] = {
        {{}, false, 1, ""},  // a buffer of one byte
        {{n1}, true, 1, "<null>"},
        {{n1}, false, 1, "T1.N1"},
        {{n1, n2}, false, 1, "T1.N1 = T2.N2"},  // 14 bytes
        {{n2, n1}, false, 0, "T2.N2 = T1.N1"},  // the same length fits
        {{y, n1, n2}, false, 1, "Y = T1.N1 = T2.N2"},
        {{n1, quoted}, false, 0, "T1.N1 = C.it's"},
        {{}, false, 0, ""},
        {{n1, n2, n1, n2}, true, 1, "<null>"},
        {{n1}, false, 1, "T1.N1"},
    };
    for (const auto& step : steps) {
        Fill(join, step.attributes);
        fault::ScopedDisarm disarm;
        step.fail ? fault::Arm(fault::Kind::Buffer, 1) : fault::StartCounting();
        EXPECT_EQ(Text(join.GetText()), step.text);
        EXPECT_EQ(fault::Calls(fault::Kind::Buffer), step.allocations) << step.text;
        EXPECT_STREQ(CTWError::GetMessage(), step.fail ? IDS_TWErrors_UnExpected : "");
        CTWError::Clear();
    }
    // Initialise frees the buffer and keeps the attributes.
    EXPECT_EQ(join.Initialise(), 0);
    fault::StartCounting();
    EXPECT_STREQ(join.GetText(), "T1.N1");
    EXPECT_EQ(fault::Calls(fault::Kind::Buffer), 1u);
    fault::Disarm();
}

// A null attribute or a failing schema raises an error and gives the
// earlier or partly built text.
TEST_F(JoinTest, NullAttributeOrFailingSchemaGivesAnEarlierOrPartlyBuiltText) {
    CTWFileQDFJoin fresh;
    fresh.AddTail(nullptr);
    EXPECT_EQ(fresh.GetText(), nullptr);  // never had a buffer
    EXPECT_STREQ(CTWError::GetMessage(), IDS_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFJoin"), std::string::npos);
    CTWError::Clear();

    // The names are asked for in calls 1, 2 (length) and 3, 4 (text).
    for (auto [nth, text] :
         {std::pair{1ul, "<null>"}, {2ul, "<null>"}, {3ul, ""}, {4ul, "T1.N1"}}) {
        CTWFileQDFJoin join;
        Fill(join, {Attribute("T1", "N1"), Attribute("T2", "N2")});
        fault::Arm(fault::Kind::Schema, nth);
        EXPECT_EQ(Text(join.GetText()), text) << nth;
        fault::Disarm();
        EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
        CTWError::Clear();
        ASSERT_STREQ(join.GetText(), "T1.N1 = T2.N2");
        join.AddTail(nullptr);
        EXPECT_STREQ(join.GetText(), "T1.N1 = T2.N2");
        EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
        CTWError::Clear();
    }
}

}  // namespace
