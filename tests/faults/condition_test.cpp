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

// What the operations on one condition gave.
struct ConditionResult {
    int bound = -1;
    int checked = -1;
    std::string text;
    std::string fullText;
    std::string parameters;
    std::string sample;
    bool operator==(const ConditionResult& o) const {
        return bound == o.bound && checked == o.checked && text == o.text &&
               fullText == o.fullText && parameters == o.parameters && sample == o.sample;
    }
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

class ConditionScenario : public Scenario {
  public:
    ConditionScenario(Schema& schema, std::vector<ConditionResult>* expected)
        : m_schema(schema), m_expected(expected) {}

    int Run() override {
        for (std::size_t i = 0; i < std::size(kCases); ++i) {
            m_conditions.push_back(std::make_unique<CTWFileQDFCondition>());
        }
        return Operations();
    }
    void CheckResult() override {
        for (std::size_t i = 0; i < m_results.size(); ++i)
            m_results[i].parameters = Keys(m_maps[i]);
        if (m_expected->empty()) {
            *m_expected = m_results;
            return;
        }
        ASSERT_EQ(m_results.size(), m_expected->size());
        for (std::size_t i = 0; i < m_results.size(); ++i) {
            EXPECT_TRUE(m_results[i] == (*m_expected)[i]) << "condition " << kCases[i].text;
        }
    }
    void Recover() override {
        ASSERT_GE(Operations(), 0);
        CheckResult();
    }

  private:
    int Operations() {
        m_results.assign(std::size(kCases), ConditionResult{});
        for (std::size_t i = 0; i < std::size(kCases); ++i) {
            const ConditionCase& c = kCases[i];
            CTWFileQDFCondition& condition = *m_conditions[i];
            CTWDB_Attribute* attribute = &(m_schema.*c.attribute);
            ConditionResult& r = m_results[i];
            STEP(condition.ValidateCondition(c.text, attribute, r.bound, 0));
            STEP(condition.CheckCondition(r.checked, 0));
            const char* text = condition.GetText();
            STEP(CTWError::GetNumber());
            r.text = text;
            const char* fullText = condition.GetFullNameText();
            STEP(CTWError::GetNumber());
            r.fullText = fullText;
            // The keys are taken after the run: copying them allocates.
            m_maps[i].RemoveAll();
            STEP(condition.GetParameterMap(&m_maps[i]));
            STEP(condition.UnParameteriseOperand(c.operand, attribute));
            r.sample = condition.GetUnParameterisedOperand();
        }
        return 0;
    }

    Schema& m_schema;
    std::vector<ConditionResult>* m_expected;
    std::vector<std::unique_ptr<CTWFileQDFCondition>> m_conditions;
    std::vector<ConditionResult> m_results;
    CMapStringToString m_maps[std::size(kCases)];
};

// Twelve conditions on attributes named in scrambled order, inserted into
// a new list, one more appended, membership asked, one removed.
class ConditionListScenario : public Scenario {
  public:
    explicit ConditionListScenario(Schema& schema) : m_schema(schema) {}

    void Prepare() override {
        const char* names[] = {"K", "B", "F", "A", "L", "C", "J", "D", "I", "E", "H", "G"};
        for (const char* name : names) {
            m_attributes.push_back(
                std::make_unique<CTWDB_Attribute>(&m_schema.orders, name, TWDB_Integer));
            m_conditions.push_back(std::make_unique<CTWFileQDFCondition>());
            m_conditions.back()->SetAttribute(m_attributes.back().get());
        }
        m_extra.SetAttribute(&m_schema.id);
    }
    int Run() override {
        m_list = std::make_unique<CTWFileQDFConditionList>();
        return Operations();
    }
    void CheckResult() override {
        std::string order;
        for (POSITION pos = m_list->GetHeadPosition(); pos != nullptr;) {
            const auto* condition = static_cast<const CTWFileQDFCondition*>(m_list->GetNext(pos));
            order += condition->GetAttributeName();
        }
        EXPECT_EQ(order,
                  "ABCDEFGHIJK"
                  "ID");
        EXPECT_EQ(m_inOrders, 1);
        EXPECT_EQ(m_inCustomers, 1);
        EXPECT_EQ(m_inList, 1);
    }
    void Recover() override {
        m_list->RemoveAll();
        ASSERT_GE(Operations(), 0);
        CheckResult();
    }

  private:
    int Operations() {
        for (auto& condition : m_conditions)
            STEP(m_list->Insert(condition.get()));
        STEP(m_list->AddTail(&m_extra));
        m_inOrders = m_list->InList(&m_schema.orders);
        STEP(CTWError::GetNumber());
        m_inCustomers = m_list->InList(&m_schema.customers);
        STEP(CTWError::GetNumber());
        m_inList = m_list->InList(m_conditions.front().get());
        // "L" sorts last among the twelve; it goes.
        STEP(m_list->Remove(m_conditions[4].get()));
        return 0;
    }

    Schema& m_schema;
    std::vector<std::unique_ptr<CTWDB_Attribute>> m_attributes;
    std::vector<std::unique_ptr<CTWFileQDFCondition>> m_conditions;
    CTWFileQDFCondition m_extra;
    std::unique_ptr<CTWFileQDFConditionList> m_list;
    int m_inOrders = -1;
    int m_inCustomers = -1;
    int m_inList = -1;
};

// Twelve joins of two attributes each, their texts, and a join list.
class JoinScenario : public Scenario {
  public:
    explicit JoinScenario(Schema& schema) : m_schema(schema) {}

    void Prepare() override {
        for (int i = 0; i < 12; ++i) {
            m_joins.push_back(std::make_unique<CTWFileQDFJoin>());
            m_joins.back()->AddTail(&m_schema.customer);
            m_joins.back()->AddTail(&m_schema.id);
        }
    }
    int Run() override {
        m_list = std::make_unique<CTWFileQDFJoinList>();
        return Operations();
    }
    void CheckResult() override {
        for (const std::string& text : m_texts)
            EXPECT_EQ(text, "ORDERS.CUSTOMER = CUSTOMERS.ID");
        EXPECT_EQ(m_texts.size(), 12u);
        EXPECT_EQ(m_list->GetCount(), 11);
        EXPECT_NE(m_inCustomers, 0);
        EXPECT_EQ(m_inList, 1);
    }
    void Recover() override {
        m_list->RemoveAll();
        ASSERT_GE(Operations(), 0);
        CheckResult();
    }

  private:
    int Operations() {
        m_texts.clear();
        for (auto& join : m_joins) {
            const char* text = join->GetText();
            STEP(CTWError::GetNumber());
            m_texts.emplace_back(text);
            STEP(m_list->AddTail(join.get()));
        }
        m_inCustomers = m_list->InList(&m_schema.customers);
        STEP(CTWError::GetNumber());
        m_inList = m_list->InList(m_joins.back().get());
        STEP(m_list->Remove(m_joins.front().get()));
        return 0;
    }

    Schema& m_schema;
    std::vector<std::unique_ptr<CTWFileQDFJoin>> m_joins;
    std::unique_ptr<CTWFileQDFJoinList> m_list;
    std::vector<std::string> m_texts;
    int m_inCustomers = -1;
    int m_inList = -1;
};

class ConditionFaults : public ::testing::Test {
  protected:
    Schema m_schema;
};

TEST_F(ConditionFaults, ConditionOperations) {
    // The clean run records the results every later run must give (the
    // condition tests check them).
    std::vector<ConditionResult> expected;
    const Summary summary = RunCampaign("condition operations", [&] {
        return std::make_unique<ConditionScenario>(m_schema, &expected);
    });
    EXPECT_GT(summary.failedRuns, 0u);
    EXPECT_EQ(expected.size(), std::size(kCases));
}

TEST_F(ConditionFaults, ConditionListOperations) {
    const Summary summary = RunCampaign("condition list operations", [&] {
        return std::make_unique<ConditionListScenario>(m_schema);
    });
    EXPECT_GT(summary.failedRuns, 0u);
}

TEST_F(ConditionFaults, JoinOperations) {
    const Summary summary = RunCampaign("join and join list operations",
                                        [&] { return std::make_unique<JoinScenario>(m_schema); });
    EXPECT_GT(summary.failedRuns, 0u);
}

}  // namespace
}  // namespace faults
