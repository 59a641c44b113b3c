// A join's SQL text and its buffer.
#include <gtest/gtest.h>

#include <memory>
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
        CTWDB_Table* owner = nullptr;
        if (table != nullptr) {
            m_tables.push_back(std::make_unique<CTWDB_Table>(table));
            owner = m_tables.back().get();
        }
        m_attributes.push_back(std::make_unique<CTWDB_Attribute>(owner, name, TWDB_Integer));
        return m_attributes.back().get();
    }

    std::vector<std::unique_ptr<CTWDB_Table>> m_tables;
    std::vector<std::unique_ptr<CTWDB_Attribute>> m_attributes;
};

TEST_F(JoinTest, TextJoinsTheQualifiedNamesWithEquals) {
    const struct {
        std::vector<std::pair<const char*, const char*>> attributes;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{{"T1", "N1"}}, "T1.N1"},
        {{{"T1", "N1"}, {"T2", "N2"}}, "T1.N1 = T2.N2"},
        {{{"A", "X"}, {"B", "Y"}, {"C", "Z"}}, "A.X = B.Y = C.Z"},
        {{{nullptr, "N1"}, {"T2", "it's"}}, "N1 = T2.it's"},
    };
    for (const auto& c : cases) {
        CTWFileQDFJoin join;
        for (const auto& a : c.attributes)
            join.AddTail(Attribute(a.first, a.second));
        EXPECT_EQ(Text(join.GetText()), c.text);
        EXPECT_EQ(CTWError::GetNumber(), 0);
    }
}

TEST_F(JoinTest, BufferGrowsToExactlyTheTextAndNeverShrinks) {
    CTWFileQDFJoin join;
    CTWDB_Attribute* first = Attribute("TABLE", "ATTRI");  // 11 characters
    CTWDB_Attribute* second = Attribute("T", "A");         // 3 characters
    CTWDB_Attribute* third = Attribute("T", "AB");         // 4 characters
    const struct {
        std::vector<CTWDB_Attribute*> attributes;
        unsigned long allocations;
        const char* text;
    } steps[] = {
        {{first, second}, 1, "TABLE.ATTRI = T.A"},  // 17 characters: 18 bytes
        {{second, second}, 0, "T.A = T.A"},         // shorter: reused
        {{first, second}, 0, "TABLE.ATTRI = T.A"},  // the same length: reused
        {{first, third}, 1, "TABLE.ATTRI = T.AB"},  // 18 characters: 19 bytes
        {{}, 0, ""},
    };
    for (const auto& step : steps) {
        join.RemoveAll();
        for (auto* attribute : step.attributes)
            join.AddTail(attribute);
        fault::StartCounting();
        EXPECT_EQ(Text(join.GetText()), step.text);
        EXPECT_EQ(fault::Calls(fault::Kind::Buffer), step.allocations) << step.text;
        fault::Disarm();
    }
}

TEST_F(JoinTest, InitialiseFreesTheBufferAndKeepsTheAttributes) {
    CTWFileQDFJoin join;
    join.AddTail(Attribute("T1", "N1"));
    join.AddTail(Attribute("T2", "N2"));
    ASSERT_STREQ(join.GetText(), "T1.N1 = T2.N2");
    EXPECT_EQ(join.Initialise(), 0);
    EXPECT_EQ(join.GetCount(), 2);
    fault::StartCounting();
    EXPECT_STREQ(join.GetText(), "T1.N1 = T2.N2");
    EXPECT_EQ(fault::Calls(fault::Kind::Buffer), 1u);
}

TEST_F(JoinTest, NullAttributeLeavesTheEarlierText) {
    CTWFileQDFJoin join;
    join.AddTail(Attribute("T1", "N1"));
    ASSERT_STREQ(join.GetText(), "T1.N1");
    join.AddTail(nullptr);
    EXPECT_EQ(Text(join.GetText()), "T1.N1");
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    EXPECT_STREQ(CTWError::GetMessage(), IDS_TWErrors_UnExpected);
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWFileQDFJoin"), std::string::npos);
    CTWError::Clear();

    CTWFileQDFJoin fresh;
    fresh.AddTail(nullptr);
    EXPECT_EQ(fresh.GetText(), nullptr);  // never had a buffer
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
}

TEST_F(JoinTest, FailingSchemaGivesAnEarlierOrPartlyBuiltText) {
    // Two attributes: their names are asked for in calls 1, 2 (length) and
    // 3, 4 (text).
    const struct {
        unsigned long nth;
        const char* text;
    } cases[] = {{1, "<null>"}, {2, "<null>"}, {3, ""}, {4, "T1.N1"}};
    for (const auto& c : cases) {
        CTWFileQDFJoin join;
        join.AddTail(Attribute("T1", "N1"));
        join.AddTail(Attribute("T2", "N2"));
        {
            fault::ScopedDisarm disarm;
            fault::Arm(fault::Kind::Schema, c.nth);
            EXPECT_EQ(Text(join.GetText()), c.text) << c.nth;
        }
        EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
        EXPECT_NE(std::string(CTWError::GetTrail()).find("TWDB"), std::string::npos);
        CTWError::Clear();
        EXPECT_STREQ(join.GetText(), "T1.N1 = T2.N2");
    }
}

TEST_F(JoinTest, FailedAllocationLeavesTheJoinUsable) {
    CTWFileQDFJoin join;
    join.AddTail(Attribute("T1", "N1"));
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Buffer, 1);
        EXPECT_EQ(join.GetText(), nullptr);
    }
    EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_UnExpected);
    CTWError::Clear();
    ASSERT_STREQ(join.GetText(), "T1.N1");

    // Growing fails; a later shorter text is not written through the lost
    // buffer.
    join.AddTail(Attribute("T2", "N2"));
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Buffer, 1);
        EXPECT_EQ(join.GetText(), nullptr);
    }
    CTWError::Clear();
    join.RemoveTail();
    EXPECT_STREQ(join.GetText(), "T1.N1");
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

}  // namespace
