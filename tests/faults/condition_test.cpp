// The fault campaign over conditions, the condition list, joins and the join
// list: binding, checking, texts, parameters and sample values of conditions
// of every data type; ordered insertion and membership tests of a list of
// twelve conditions (two blocks of list nodes); join texts and the join
// list. After a failure the same objects run the operations again to the
// complete result.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <twfile/condition/condition.h>
#include <twfile/condition/condition_list.h>
#include <twfile/host/error.h>
#include <twfile/join/join.h>
#include <twfile/join/join_list.h>

#include "faults/campaign.h"

namespace faults {
namespace {

// A small schema: two tables and attributes of every data type.
struct Schema {
    CTWDB_Table orders{"ORDERS"};
    CTWDB_Table customers{"CUSTOMERS"};
    CTWDB_Attribute qty{&orders, "QTY", TWDB_Integer};
    CTWDB_Attribute name{&orders, "NAME", TWDB_String};
    CTWDB_Attribute flag{&orders, "FLAG", TWDB_Bool};
    CTWDB_Attribute price{&orders, "PRICE", TWDB_Real};
    CTWDB_Attribute when{&orders, "WHEN", TWDB_Time};
    CTWDB_Attribute customer{&orders, "CUSTOMER", TWDB_Integer};
    CTWDB_Attribute id{&customers, "ID", TWDB_Integer};
};

struct ConditionCase {
    const char* text;
    CTWDB_Attribute Schema::*attribute;
    const char* operand;
};

const ConditionCase kCases[] = {
    {"ORDERS.QTY IN (<<Low>>,<<High>>,3)", &Schema::qty, "(<<Low>>,<<High>>,3)"},
    {"ORDERS.NAME LIKE '<<Name>>%'", &Schema::name, "'<<Name>>%'"},
    {"ORDERS.FLAG = true", &Schema::flag, "true"},
    {"ORDERS.PRICE >= <<Min>>", &Schema::price, "<<Min>>"},
    {"ORDERS.WHEN < <<From>>", &Schema::when, "<<From>>"},
    {"QTY > 5", &Schema::qty, "5"},
};

std::string Keys(const CMapStringToString& map) {
    std::string keys;
    CString key;
    CString value;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        map.GetNextAssoc(pos, key, value);
        keys += std::string(key.GetString()) + ";";
    }
    return keys;
}

// What the operations on each condition of kCases gave, one text each.
using Results = std::vector<std::string>;

// The conditions of kCases bound, checked, and their texts, parameters and
// sample values taken; twelve conditions on attributes named in scrambled
// order inserted into a new condition list, one more appended, membership
// asked, one removed; twelve joins of two attributes each, their texts, and
// a join list.
class ConditionScenario : public Scenario {
  public:
    ConditionScenario(Schema& schema, Results* expected) : m_schema(schema), m_expected(expected) {}

    void Prepare() override {
        const char* names[] = {"K", "B", "F", "A", "L", "C", "J", "D", "I", "E", "H", "G"};
        for (const char* name : names) {
            m_attributes.push_back(
                std::make_unique<CTWDB_Attribute>(&m_schema.orders, name, TWDB_Integer));
            m_listed.push_back(std::make_unique<CTWFileQDFCondition>());
            m_listed.back()->SetAttribute(m_attributes.back().get());
            m_joins.push_back(std::make_unique<CTWFileQDFJoin>());
            m_joins.back()->AddTail(&m_schema.customer);
            m_joins.back()->AddTail(&m_schema.id);
        }
        m_extra.SetAttribute(&m_schema.id);
    }
    int Run() override {
        for (std::size_t i = 0; i < std::size(kCases); ++i)
            m_conditions.push_back(std::make_unique<CTWFileQDFCondition>());
        m_conditionList = std::make_unique<CTWFileQDFConditionList>();
        m_joinList = std::make_unique<CTWFileQDFJoinList>();
        return Operations();
    }
    void CheckResult() override {
        for (std::size_t i = 0; i < m_results.size(); ++i)
            m_results[i] += "|" + Keys(m_maps[i]);
        if (m_expected->empty()) *m_expected = m_results;
        EXPECT_EQ(m_results, *m_expected);

        std::string order;
        for (POSITION pos = m_conditionList->GetHeadPosition(); pos != nullptr;) {
            const auto* condition =
                static_cast<const CTWFileQDFCondition*>(m_conditionList->GetNext(pos));
            order += condition->GetAttributeName();
        }
        EXPECT_EQ(order,
                  "ABCDEFGHIJK"
                  "ID");
        EXPECT_EQ(m_texts, std::vector<std::string>(12, "ORDERS.CUSTOMER = CUSTOMERS.ID"));
        EXPECT_EQ(m_joinList->GetCount(), 11);
        EXPECT_EQ(m_found, "1111");
    }
    void Recover() override {
        m_conditionList->RemoveAll();
        m_joinList->RemoveAll();
        ASSERT_GE(Operations(), 0);
        CheckResult();
    }

  private:
    // Appends whether InList found what it was asked for.
    int Found(int inList) {
        m_found += inList != 0 ? "1" : "0";
        return CTWError::GetNumber();
    }

    int Operations() {
        m_results.assign(std::size(kCases), std::string());
        for (std::size_t i = 0; i < std::size(kCases); ++i) {
            const ConditionCase& c = kCases[i];
            CTWFileQDFCondition& condition = *m_conditions[i];
            CTWDB_Attribute* attribute = &(m_schema.*c.attribute);
            int bound = -1;
            int checked = -1;
            STEP(condition.ValidateCondition(c.text, attribute, bound, 0));
            STEP(condition.CheckCondition(checked, 0));
            const char* text = condition.GetText();
            STEP(CTWError::GetNumber());
            m_results[i] = std::to_string(bound) + std::to_string(checked) + "|" + text;
            const char* fullText = condition.GetFullNameText();
            STEP(CTWError::GetNumber());
            m_results[i] += std::string("|") + fullText;
            // The keys are taken after the run: copying them allocates.
            m_maps[i].RemoveAll();
            STEP(condition.GetParameterMap(&m_maps[i]));
            STEP(condition.UnParameteriseOperand(c.operand, attribute));
            m_results[i] += std::string("|") + condition.GetUnParameterisedOperand();
        }

        m_found.clear();
        for (auto& condition : m_listed)
            STEP(m_conditionList->Insert(condition.get()));
        STEP(m_conditionList->AddTail(&m_extra));
        STEP(Found(m_conditionList->InList(&m_schema.orders)));
        STEP(Found(m_conditionList->InList(&m_schema.customers)));
        STEP(Found(m_conditionList->InList(m_listed.front().get())));
        // "L" sorts last among the twelve; it goes.
        STEP(m_conditionList->Remove(m_listed[4].get()));

        m_texts.clear();
        for (auto& join : m_joins) {
            const char* text = join->GetText();
            STEP(CTWError::GetNumber());
            m_texts.emplace_back(text);
            STEP(m_joinList->AddTail(join.get()));
        }
        STEP(Found(m_joinList->InList(&m_schema.customers)));
        return m_joinList->Remove(m_joins.front().get());
    }

    Schema& m_schema;
    Results* m_expected;
    std::vector<std::unique_ptr<CTWFileQDFCondition>> m_conditions;
    Results m_results;
    CMapStringToString m_maps[std::size(kCases)];
    std::vector<std::unique_ptr<CTWDB_Attribute>> m_attributes;
    std::vector<std::unique_ptr<CTWFileQDFCondition>> m_listed;
    CTWFileQDFCondition m_extra;
    std::vector<std::unique_ptr<CTWFileQDFJoin>> m_joins;
    std::unique_ptr<CTWFileQDFConditionList> m_conditionList;
    std::unique_ptr<CTWFileQDFJoinList> m_joinList;
    std::vector<std::string> m_texts;
    std::string m_found;
};

TEST(ConditionFaults, ConditionsListsAndJoins) {
    // The clean run records the results every later run must give (the
    // condition tests check them).
    Schema schema;
    Results expected;
    RunCampaign("conditions, condition lists and joins",
                [&] { return std::make_unique<ConditionScenario>(schema, &expected); });
    EXPECT_EQ(expected.size(), std::size(kCases));
}

}  // namespace
}  // namespace faults
