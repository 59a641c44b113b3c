// A join's SQL text and its buffer.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/join/join.h>
#include <twfile/platform/fault.h>

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

TEST_F(JoinTest, TextJoinsTheQualifiedNamesWithEquals) {
    CTWFileQDFJoin join;
    Fill(join, {Attribute("T1", "N1"), Attribute("T2", "N2")});
    EXPECT_STREQ(join.GetText(), "T1.N1 = T2.N2");
    Fill(join, {Attribute("A", "X"), Attribute(nullptr, "Y"), Attribute("C", "it's")});
    EXPECT_STREQ(join.GetText(), "A.X = Y = C.it's");
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

TEST_F(JoinTest, JoinWithoutAttributesGivesTheEmptyText) {
    CTWFileQDFJoin join;
    EXPECT_EQ(Text(join.GetText()), "");  // never had a buffer
    Fill(join, {Attribute("T", "A")});
    ASSERT_STREQ(join.GetText(), "T.A");
    Fill(join, {});
    EXPECT_EQ(Text(join.GetText()), "");
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

// After a failed allocation the buffer is null with size 0: the next call
// allocates again, whatever length it needs.
TEST_F(JoinTest, BufferGrowsOnlyWhenNeededAndSurvivesFailedAllocations) {
    CTWFileQDFJoin join;
    CTWDB_Attribute* first = Attribute("TABLE", "ATTRI");  // 11 characters
    CTWDB_Attribute* second = Attribute("T", "A");         // 3 characters
    CTWDB_Attribute* third = Attribute("T", "AB");         // 4 characters
    const struct {
        std::vector<CTWDB_Attribute*> attributes;
        bool fail;
        unsigned long allocations;
        const char* text;
    } steps[] = {
        {{second}, true, 1, "<null>"},
        {{second}, false, 1, "T.A"},
        {{first, second}, false, 1, "TABLE.ATTRI = T.A"},  // 18 bytes
        {{second, second}, false, 0, "T.A = T.A"},
        {{first, second}, false, 0, "TABLE.ATTRI = T.A"},  // the same length fits
        {{first, third}, false, 1, "TABLE.ATTRI = T.AB"},
        {{first, third, third}, true, 1, "<null>"},
        {{second}, false, 1, "T.A"},
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
    EXPECT_STREQ(join.GetText(), "T.A");
    EXPECT_EQ(fault::Calls(fault::Kind::Buffer), 1u);
    fault::Disarm();
}

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
        {
            fault::ScopedDisarm disarm;
            fault::Arm(fault::Kind::Schema, nth);
            EXPECT_EQ(Text(join.GetText()), text) << nth;
        }
        EXPECT_NE(std::string(CTWError::GetTrail()).find("TWDB"), std::string::npos);
        CTWError::Clear();
        // A null attribute leaves the earlier text.
        ASSERT_STREQ(join.GetText(), "T1.N1 = T2.N2");
        join.AddTail(nullptr);
        EXPECT_STREQ(join.GetText(), "T1.N1 = T2.N2");
        EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
        CTWError::Clear();
    }
}

}  // namespace
