// The fault campaign: a scenario of library operations is run once counting
// the calls that can fail (system calls and allocations), then once for
// every one of those calls with that call failed, and once more with every
// read and write shortened. Each run must end with the error its operations
// give for that failure (or, where the library absorbs the failure, with the
// complete result), leave the objects usable, and, under the sanitizers,
// neither leak nor touch memory outside its objects.
#ifndef TWFILE_TESTS_FAULTS_CAMPAIGN_H
#define TWFILE_TESTS_FAULTS_CAMPAIGN_H

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "testing/fault_switch.h"

// Returns at the first failure of a scenario's step; a step whose result is
// not a status is followed by STEP(CTWError::GetNumber()).
#define STEP(call)                             \
    do {                                       \
        const int stepStatus = (call);         \
        if (stepStatus < 0) return stepStatus; \
    } while (0)

namespace faults {

namespace fault = win32::fault;

using Counts = std::array<unsigned long, fault::kKindCount>;

// The call that one run failed: its kind, its number among the calls of
// that kind (from 1), and whether it was shortened rather than failed.
struct Injection {
    fault::Kind kind;
    unsigned long ordinal;
    fault::Action action;

    // True when this call comes no later than the calls counted in at: at
    // holds, per kind, the calls made up to some point of the clean run.
    bool NoLaterThan(const Counts& at) const;
};

// One scenario. A new object is made for every run, so that each run starts
// from the same files and objects.
class Scenario {
  public:
    virtual ~Scenario() = default;

    // Files and objects the operations start from; the switch is off.
    virtual void Prepare() {}
    // The operations, counted or with one call failed. Returns the status
    // of the first operation that failed, else a status >= 0.
    virtual int Run() = 0;
    // After a run that returned a status >= 0 (the switch is off): the
    // complete result is there.
    virtual void CheckResult() = 0;
    // Whether the operations may succeed in spite of the failed call; by
    // default for the kinds that the library absorbs.
    virtual bool MayAbsorb(const Injection& injection) const;
    // After a run that returned a status >= 0 although a call failed: by
    // default the complete result must be there all the same.
    virtual void CheckAbsorbed(const Injection&) { CheckResult(); }
    // After a failed run (the switch is off, the error checked and
    // cleared): what the failure must have left as it was.
    virtual void CheckAfterFailure(const Injection&) {}
    // Then: the objects work again and give the complete result.
    virtual void Recover() = 0;
};

using ScenarioFactory = std::function<std::unique_ptr<Scenario>()>;

// Runs the clean counting run, then every injected run; at least one run
// must fail. Failures of the expectations are reported through gtest with
// the injection that caused them. A summary is printed.
// The text of the error of the failed run being checked (for
// CheckAfterFailure, which runs after the error was cleared).
const std::string& FailureText();

void RunCampaign(const std::string& name, const ScenarioFactory& make);

// The calls counted, per kind, up to and including the first call of kind
// in a clean run of the scenario. The call is failed to find the point:
// kind must be one whose failure shows the system's message at once (the
// end-of-file setting), so that nothing else is counted before.
Counts CountsAtFirst(const ScenarioFactory& make, fault::Kind kind);

}  // namespace faults

#endif  // TWFILE_TESTS_FAULTS_CAMPAIGN_H
