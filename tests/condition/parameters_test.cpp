// Parameters in conditions: listing their names and replacing them by sample
// values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/condition/condition.h>
#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

namespace fault = win32::fault;

namespace {

using Names = std::vector<std::string>;

// The keys of map, in key order.
Names Keys(const CMapStringToString& map) {
    Names keys;
    CString key;
    CString value;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        map.GetNextAssoc(pos, key, value);
        keys.emplace_back(key.GetString(), static_cast<std::size_t>(key.GetLength()));
    }
    return keys;
}

std::string Parameters(int count) {
    std::string text;
    for (int k = 0; k < count; ++k)
        text += "<<P" + std::to_string(k) + ">> ";
    return text;
}

TEST(ConditionParameters, NamesBetweenTheMarkers) {
    const struct {
        const char* text;
        Names names;
    } cases[] = {
        {"<<>>", {}},  // four characters hold no parameter
        {"'<<>>'", {""}},
        {"<<A<<B>>", {"B"}},
        {"<<A", {}},
        {"A>> B", {}},
        {"A >> <<B", {}},
        {"<<P>> and <<P>>", {"P"}},
        {"X BETWEEN <<Low>> AND <<High>>", {"High", "Low"}},
        {"<<<x>>", {"x"}},
        {"<<a>>>>", {"a"}},
        {"<<a b>>", {"a b"}},
        {"(<<A>>,<<B>>,<<C>>)", {"A", "B", "C"}},
        {"no parameters here", {}},
    };
    for (const auto& c : cases) {
        CTWFileQDFCondition condition;
        CMapStringToString map;
        EXPECT_EQ(condition.GetParameterMap(c.text, &map), 0) << c.text;
        EXPECT_EQ(Keys(map), c.names) << c.text;
    }
}

TEST(ConditionParameters, MapKeepsOtherKeysAndEmptiesTheValuesOfFoundOnes) {
    CTWFileQDFCondition condition;
    CMapStringToString map;
    map.SetAt("Low", "10");
    map.SetAt("Other", "x");
    EXPECT_EQ(condition.GetParameterMap("A > <<Low>> AND B < <<High>>", &map), 0);
    EXPECT_EQ(Keys(map), (Names{"High", "Low", "Other"}));
    CString value;
    ASSERT_TRUE(map.Lookup("Low", value));
    EXPECT_STREQ(value.GetString(), "");
    ASSERT_TRUE(map.Lookup("Other", value));
    EXPECT_STREQ(value.GetString(), "x");
}

TEST(ConditionParameters, MapOfTheConditionsOwnText) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    int valid = 0;
    ASSERT_EQ(condition.ValidateCondition("ORDERS.QTY IN (<<Low>>,<<High>>)", &qty, valid, 0), 0);
    CMapStringToString map;
    EXPECT_EQ(condition.GetParameterMap(&map), 0);
    EXPECT_EQ(Keys(map), (Names{"High", "Low"}));
}

TEST(ConditionParameters, NullArgumentsAreRefused) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    CMapStringToString map;
    EXPECT_EQ(condition.GetParameterMap(nullptr, &map), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(condition.GetParameterMap("<<A>>", nullptr), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(condition.GetParameterMap(nullptr), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(condition.UnParameteriseOperand(nullptr, &qty), ID_TWErrors_InvalidParam);
    CTWError::Clear();
    EXPECT_EQ(condition.UnParameteriseOperand("<<A>>", nullptr), ID_TWErrors_InvalidParam);
    EXPECT_EQ(condition.GetUnParameterisedOperand(), nullptr);
}

TEST(ConditionParameters, EighteenParametersAtMost) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;

    CMapStringToString map;
    EXPECT_EQ(condition.GetParameterMap(Parameters(18).c_str(), &map), 0);
    EXPECT_EQ(map.GetCount(), 18);
    ASSERT_EQ(condition.UnParameteriseOperand(Parameters(18).c_str(), &qty), 0);
    std::string samples;
    for (int k = 0; k < 18; ++k)
        samples += "1 ";
    EXPECT_EQ(std::string(condition.GetUnParameterisedOperand()), samples);

    CMapStringToString refused;
    EXPECT_EQ(condition.GetParameterMap(Parameters(19).c_str(), &refused), ID_TWErrors_UnExpected);
    EXPECT_STREQ(CTWError::GetMessage(), IDS_TWErrors_UnExpected);
    EXPECT_EQ(refused.GetCount(), 0);
    CTWError::Clear();
    EXPECT_EQ(condition.UnParameteriseOperand(Parameters(19).c_str(), &qty),
              ID_TWErrors_UnExpected);
    EXPECT_EQ(std::string(condition.GetUnParameterisedOperand()), samples);
}

TEST(ConditionParameters, NamesOfMoreThan1023CharactersAreRefused) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    const std::string longest(1023, 'n');
    const std::string tooLong(1024, 'n');

    CMapStringToString map;
    EXPECT_EQ(condition.GetParameterMap(("<<" + longest + ">>").c_str(), &map), 0);
    EXPECT_EQ(Keys(map), Names{longest});
    ASSERT_EQ(condition.UnParameteriseOperand(("<<" + longest + ">>").c_str(), &qty), 0);
    EXPECT_STREQ(condition.GetUnParameterisedOperand(), "1");

    CMapStringToString refused;
    const std::string text = "<<A>> <<" + tooLong + ">>";
    EXPECT_EQ(condition.GetParameterMap(text.c_str(), &refused), ID_TWErrors_InvalidParam);
    EXPECT_EQ(refused.GetCount(), 0);
    CTWError::Clear();
    EXPECT_EQ(condition.UnParameteriseOperand(text.c_str(), &qty), ID_TWErrors_InvalidParam);
    EXPECT_STREQ(condition.GetUnParameterisedOperand(), "1");
}

TEST(ConditionParameters, SampleValueOfEachDataType) {
    const struct {
        TWDB_DataType type;
        const char* operand;
        const char* result;
    } cases[] = {
        {TWDB_Integer, "(<<Low>>,<<High>>)", "(1,1)"},
        {TWDB_Integer, "a<<b>>c<<d>>e", "a1c1e"},
        {TWDB_Integer, "<<A<<B>>", "<<A1"},
        {TWDB_String, "'<<Name>>'", "'ABC'"},
        {TWDB_String, "<<Name>>", "ABC"},
        {TWDB_String, "'<<>>'", "'ABC'"},
        {TWDB_Bool, "<<Flag>>", "TRUE"},
        {TWDB_Real, "<<Min>>", "1.0"},
        {TWDB_Time, "<<From>>", "12.00"},
        {TWDB_Time, "<<>>", "<<>>"},
        {TWDB_Integer, "no markers", "no markers"},
        {TWDB_Integer, "", ""},
    };
    for (const auto& c : cases) {
        CTWDB_Table orders("ORDERS");
        CTWDB_Attribute attribute(&orders, "COL", c.type);
        CTWFileQDFCondition condition;
        EXPECT_EQ(condition.UnParameteriseOperand(c.operand, &attribute), 0) << c.operand;
        ASSERT_NE(condition.GetUnParameterisedOperand(), nullptr);
        EXPECT_STREQ(condition.GetUnParameterisedOperand(), c.result) << c.operand;
    }
}

TEST(ConditionParameters, DataTypesWithoutASampleValueAreAnError) {
    for (auto type : {TWDB_Unknown, static_cast<TWDB_DataType>(6)}) {
        CTWDB_Table orders("ORDERS");
        CTWDB_Attribute attribute(&orders, "COL", type);
        CTWFileQDFCondition condition;
        EXPECT_EQ(condition.UnParameteriseOperand("no markers", &attribute),
                  ID_TWErrors_UnExpected);
        EXPECT_EQ(condition.GetUnParameterisedOperand(), nullptr);
        CTWError::Clear();
    }
}

TEST(ConditionParameters, OperandBufferGrowsToTheExactSize) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute time(&orders, "AT", TWDB_Time);
    CTWFileQDFCondition condition;
    const struct {
        const char* operand;
        unsigned long allocations;
    } steps[] = {
        {"<<T>>", 1},       // 12.00: 6 bytes
        {"abcde", 0},       // fits
        {"abcdef", 1},      // 7 bytes
        {"<<T>><<U>>", 1},  // 12.0012.00: 11 bytes
        {"abcdefghij", 0},  // fits
        {"", 0},            // never shrinks
    };
    for (const auto& step : steps) {
        fault::StartCounting();
        EXPECT_EQ(condition.UnParameteriseOperand(step.operand, &time), 0);
        EXPECT_EQ(fault::Calls(fault::Kind::Buffer), step.allocations) << step.operand;
        fault::Disarm();
    }
}

TEST(ConditionParameters, FailedAllocationLeavesTheConditionUsable) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    ASSERT_EQ(condition.UnParameteriseOperand("<<A>>", &qty), 0);
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Buffer, 1);
        EXPECT_EQ(condition.UnParameteriseOperand("a much longer operand <<A>>", &qty),
                  ID_TWErrors_UnExpected);
    }
    EXPECT_EQ(condition.GetUnParameterisedOperand(), nullptr);
    CTWError::Clear();
    // Shorter than the lost buffer: allocated again, not written through null.
    EXPECT_EQ(condition.UnParameteriseOperand("<<A>>", &qty), 0);
    EXPECT_STREQ(condition.GetUnParameterisedOperand(), "1");
}

TEST(ConditionParameters, FailuresOfTheSchemaAndOfTheMapArePassedOn) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    CTWFileQDFCondition condition;
    {
        fault::ScopedDisarm disarm;
        fault::Arm(fault::Kind::Schema, 1);
        EXPECT_EQ(condition.UnParameteriseOperand("<<A>>", &qty), ID_TWErrors_UnExpected);
    }
    EXPECT_NE(std::string(CTWError::GetTrail()).find("TWDB"), std::string::npos);
    CTWError::Clear();
    {
        CMapStringToString map;
        fault::ScopedDisarm disarm;
        fault::ArmFrom(fault::Kind::String, 1);
        EXPECT_EQ(condition.GetParameterMap("<<Name>>", &map), ID_TWErrors_MemoryAlloc);
    }
}

}  // namespace
