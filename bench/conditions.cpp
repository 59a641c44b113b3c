// Conditions: GetFullNameText of a condition whose text is not qualified yet,
// UnParameteriseOperand of an operand with four parameters, and
// CTWFileQDFConditionList::Insert of 10^4 conditions whose attribute names
// come in shuffled order. The list keeps its order by walking from its head
// for every insertion, so each insertion costs in proportion to the list's
// length; the benchmark reports the time per condition of the whole 10^4.
#include <twfile/condition/condition.h>
#include <twfile/condition/condition_list.h>
#include <twfile/host/schema.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "support.h"

namespace {

constexpr int kListConditions = 10'000;

void FullNameText(benchmark::State& state) {
    CTWDB_Table table("CUSTOMER");
    CTWDB_Attribute attribute(&table, "NAME", TWDB_String);
    CTWFileQDFCondition condition;
    int valid = 0;
    if (twbench::FailedStatus(state,
                              condition.ValidateCondition("NAME = 'Smith'", &attribute, valid, 0)))
        return;
    for (auto _ : state) {
        const char* text = condition.GetFullNameText();
        benchmark::DoNotOptimize(text);
    }
    if (std::strcmp(condition.GetFullNameText(), "CUSTOMER.NAME = 'Smith'") != 0)
        twbench::Fail(state, "GetFullNameText gave the wrong text");
    twbench::SetWork(state, 1, 0);
}

void UnParameterise(benchmark::State& state) {
    CTWDB_Table table("ORDERS");
    CTWDB_Attribute attribute(&table, "QUANTITY", TWDB_Integer);
    CTWFileQDFCondition condition;
    const char* operand = "(<<Lowest>>, <<Low>>, <<High>>, <<Highest>>)";
    for (auto _ : state) {
        const int status = condition.UnParameteriseOperand(operand, &attribute);
        if (twbench::FailedStatus(state, status)) break;
    }
    const char* result = condition.GetUnParameterisedOperand();
    if (result == nullptr || std::strcmp(result, "(1, 1, 1, 1)") != 0)
        twbench::Fail(state, "UnParameteriseOperand gave the wrong operand");
    twbench::SetWork(state, 1, 0);
}

// Conditions on kListConditions attributes of one table, in shuffled order
// of attribute name; made once.
struct ConditionSet {
    CTWDB_Table table{"ORDERS"};
    std::vector<std::unique_ptr<CTWDB_Attribute>> attributes;
    std::vector<std::unique_ptr<CTWFileQDFCondition>> conditions;
};

const ConditionSet& Conditions() {
    static const std::unique_ptr<ConditionSet> set = [] {
        auto made = std::make_unique<ConditionSet>();
        std::vector<int> order(kListConditions);
        for (int i = 0; i < kListConditions; ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(20240611));
        for (int i : order) {
            char name[32];
            std::snprintf(name, sizeof name, "ATTRIBUTE_%05d", i);
            made->attributes.push_back(
                std::make_unique<CTWDB_Attribute>(&made->table, name, TWDB_Integer));
            char text[64];
            std::snprintf(text, sizeof text, "%s >= <<Minimum>>", name);
            auto condition = std::make_unique<CTWFileQDFCondition>();
            int valid = 0;
            condition->ValidateCondition(text, made->attributes.back().get(), valid, 0);
            made->conditions.push_back(std::move(condition));
        }
        return made;
    }();
    return *set;
}

void ListInsert(benchmark::State& state) {
    const ConditionSet& set = Conditions();
    for (auto _ : state) {
        CTWFileQDFConditionList list;
        int status = 0;
        for (const auto& condition : set.conditions) {
            status = list.Insert(condition.get());
            if (status < 0) break;
        }
        state.PauseTiming();
        const bool failed = twbench::FailedStatus(state, status);
        if (!failed && list.GetCount() != kListConditions) {
            twbench::Fail(state, "the list lost conditions");
        }
        list.RemoveAll();
        state.ResumeTiming();
        if (failed) break;
    }
    twbench::SetWork(state, kListConditions, 0);
}

BENCHMARK(FullNameText)->Name("conditions/full_name_text");
BENCHMARK(UnParameterise)->Name("conditions/unparameterise");
BENCHMARK(ListInsert)->Name("conditions/list_insert")->Unit(benchmark::kMillisecond);

}  // namespace
