#include "faults/campaign.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>

namespace faults {

namespace {

constexpr fault::Kind KindAt(int k) {
    return static_cast<fault::Kind>(k);
}

Counts TakeCounts() {
    Counts counts{};
    for (int k = 0; k < fault::kKindCount; ++k)
        counts[k] = fault::Calls(KindAt(k));
    return counts;
}

bool IsTransfer(fault::Kind kind) {
    return kind == fault::Kind::Read || kind == fault::Kind::Write;
}

// The counts at the first message box shown while CountsAtFirst runs.
Counts g_atFirstMessage{};
bool g_messageShown = false;

int RecordFirstMessage(const char*, unsigned int, unsigned int) {
    if (!g_messageShown) g_atFirstMessage = TakeCounts();
    g_messageShown = true;
    return IDOK;
}

// The error numbers that a failure of kind may give.
std::string g_failureText;

// A failed write's text, which ends in the system's reason.
bool IsWriteError(int number, const std::string& text) {
    return number == -1 && text.rfind("Error writing a file: ", 0) == 0;
}

bool IsExpectedError(fault::Kind kind, int number, const std::string& text) {
    switch (kind) {
        case fault::Kind::Open:
            // A file that did not open is written to.
            return number == -4;
        case fault::Kind::Lock:
            // ... or a save in place cannot keep readers out.
            return number == -4 || IsWriteError(number, text);
        case fault::Kind::Sync:
            // After the rename only the folder's flush is left.
            return IsWriteError(number, text) ||
                   (number == -1 && text.rfind("The document was saved, but", 0) == 0);
        case fault::Kind::Rename:
            return IsWriteError(number, text);
        case fault::Kind::Attributes:
            // The file to replace cannot be found, or the new file cannot
            // take its access.
            return number == -4 || IsWriteError(number, text);
        case fault::Kind::Read:
            return number == -1 && text == "Error reading a file";
        case fault::Kind::Write:
            return IsWriteError(number, text);
        case fault::Kind::Seek:
        case fault::Kind::Size:
        case fault::Kind::Message:
        case fault::Kind::Buffer:
        case fault::Kind::Schema:
            return number == -5;
        case fault::Kind::EndOfFile:
            // The end set, or the space of a save in place reserved.
            return (number == -1 && text == "Error locating specific position within a file") ||
                   IsWriteError(number, text);
        case fault::Kind::Close:
            return number == -1 && text == "Error closing a file";
        case fault::Kind::GlobalAlloc:
            return false;
        case fault::Kind::GlobalLock:
            return number == -3;
        case fault::Kind::ListNode:
            // A list that cannot be created, a list element that cannot be
            // allocated while reading or appending, a list's own failure.
            return number == -100 || number == -3 || number == -5 || number == -1;
        case fault::Kind::String:
            return number == -3;
        default:
            return false;
    }
}

bool MayBeAbsorbed(fault::Kind kind) {
    // A failed buffer allocation is retried with half the size; a file that
    // does not open (or is held by another) is shown to the user and left to
    // the caller to test; a file whose attributes cannot be read is opened
    // all the same.
    return kind == fault::Kind::GlobalAlloc || kind == fault::Kind::Open ||
           kind == fault::Kind::Lock || kind == fault::Kind::Attributes;
}

std::string Describe(const Injection& injection) {
    std::ostringstream text;
    text << (injection.action == fault::Action::Short ? "short " : "failed ")
         << fault::KindName(injection.kind) << " call " << injection.ordinal;
    return text.str();
}

// What a campaign did, for the report.
struct Summary {
    Counts sites{};
    unsigned long total = 0;
    unsigned long runs = 0;
    unsigned long failedRuns = 0;
    unsigned long absorbedRuns = 0;
    std::string Describe(const std::string& name) const;
};

std::string Summary::Describe(const std::string& name) const {
    std::ostringstream text;
    text << "faults: " << name << ": " << total << " call sites (";
    const char* separator = "";
    for (int k = 0; k < fault::kKindCount; ++k) {
        if (sites[k] == 0) continue;
        text << separator << fault::KindName(KindAt(k)) << " " << sites[k];
        separator = ", ";
    }
    text << "), " << runs << " runs with one call failed or shortened: " << failedRuns
         << " failed with the expected error, " << absorbedRuns << " absorbed";
    return text.str();
}

}  // namespace

bool Injection::NoLaterThan(const Counts& at) const {
    return ordinal <= at[static_cast<int>(kind)];
}

bool Scenario::MayAbsorb(const Injection& injection) const {
    return MayBeAbsorbed(injection.kind);
}

Counts CountsAtFirst(const ScenarioFactory& make, fault::Kind kind) {
    fault::ScopedDisarm disarm;
    std::unique_ptr<Scenario> scenario = make();
    scenario->Prepare();
    g_messageShown = false;
    const AfxMessageBoxHandler previous = AfxSetMessageBoxHandler(&RecordFirstMessage);
    fault::Arm(kind, 1);
    scenario->Run();
    fault::Disarm();
    AfxSetMessageBoxHandler(previous);
    CTWError::Clear();
    EXPECT_TRUE(g_messageShown) << "no message shown at the first " << fault::KindName(kind)
                                << " call";
    return g_atFirstMessage;
}

const std::string& FailureText() {
    return g_failureText;
}

void RunCampaign(const std::string& name, const ScenarioFactory& make) {
    fault::ScopedDisarm disarm;
    Summary summary;
    {
        std::unique_ptr<Scenario> scenario = make();
        scenario->Prepare();
        fault::StartCounting();
        const int status = scenario->Run();
        summary.sites = TakeCounts();
        summary.total = fault::TotalCalls();
        fault::Disarm();
        EXPECT_GE(status, 0) << name << ": the clean run failed: " << CTWError::GetMessage()
                             << " at " << CTWError::GetTrail();
        EXPECT_EQ(CTWError::GetNumber(), 0);
        CTWError::Clear();
        scenario->CheckResult();
    }
    for (int k = 0; k < fault::kKindCount; ++k) {
        const fault::Kind kind = KindAt(k);
        for (unsigned long ordinal = 1; ordinal <= summary.sites[k]; ++ordinal) {
            for (fault::Action action : {fault::Action::Fail, fault::Action::Short}) {
                if (action == fault::Action::Short && !IsTransfer(kind)) continue;
                const Injection injection{kind, ordinal, action};
                SCOPED_TRACE(name + ": " + Describe(injection));
                std::unique_ptr<Scenario> scenario = make();
                scenario->Prepare();
                fault::Arm(kind, ordinal, action, 1);
                const int status = scenario->Run();
                const unsigned long injected = fault::Injected();
                fault::Disarm();
                ++summary.runs;
                // The run repeats the clean one up to the failed call.
                EXPECT_EQ(injected, 1u) << "the call was not reached";
                EXPECT_EQ(status < 0 ? status : 0, CTWError::GetNumber())
                    << "the status and the pending error differ";
                if (status >= 0) {
                    ++summary.absorbedRuns;
                    EXPECT_TRUE(scenario->MayAbsorb(injection))
                        << "the failure was reported as success";
                    scenario->CheckAbsorbed(injection);
                    continue;
                }
                ++summary.failedRuns;
                const std::string text = CTWError::GetMessage();
                EXPECT_TRUE(IsExpectedError(kind, status, text))
                    << "error " << status << " \"" << text << "\" at " << CTWError::GetTrail();
                CTWError::Clear();
                g_failureText = text;
                scenario->CheckAfterFailure(injection);
                scenario->Recover();
                EXPECT_EQ(CTWError::GetNumber(), 0) << "recovery failed: " << CTWError::GetMessage()
                                                    << " at " << CTWError::GetTrail();
                CTWError::Clear();
            }
        }
    }
    EXPECT_GT(summary.failedRuns, 0u) << name << ": no run failed";
    std::cout << summary.Describe(name) << std::endl;
    ::testing::Test::RecordProperty("call_sites", static_cast<int>(summary.total));
}

}  // namespace faults
