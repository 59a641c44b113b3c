// The test switch of the fault-injection hook: tests, benchmarks and fuzz
// targets count the calls of each kind that can fail, or arm the switch to
// fail the Nth call of one kind, or to make a read or a write transfer fewer
// bytes than asked. The state is per thread.
#ifndef TWFILE_TESTING_FAULT_SWITCH_H
#define TWFILE_TESTING_FAULT_SWITCH_H

#include "platform/fault.h"

namespace win32 {
namespace fault {

const char* KindName(Kind kind);

enum class Action {
    Fail,  // the call fails
    Short  // a read or write transfers fewer bytes than asked (other kinds fail)
};

// Starts counting calls (all counters to 0) without failing any.
void StartCounting();
// Fails the nth call (1-based, counted from now) of kind. Counting restarts.
void Arm(Kind kind, unsigned long nth, Action action = Action::Fail, unsigned long shortCount = 0);
// Fails every call of kind from the nth on (a persistent fault, such as a
// full disk or a failing allocator).
void ArmFrom(Kind kind, unsigned long nth);
// Stops counting and failing.
void Disarm();

unsigned long Calls(Kind kind);
unsigned long TotalCalls();
// Number of calls that the switch failed or shortened since it was armed.
unsigned long Injected();

// Disarms at the end of the scope, so a failing test cannot leave the
// switch armed.
class ScopedDisarm {
  public:
    ScopedDisarm() = default;
    ~ScopedDisarm() { Disarm(); }
    ScopedDisarm(const ScopedDisarm&) = delete;
    ScopedDisarm& operator=(const ScopedDisarm&) = delete;
};

}  // namespace fault
}  // namespace win32

#endif  // TWFILE_TESTING_FAULT_SWITCH_H
