#include "testing/fault_switch.h"

#include <algorithm>

namespace win32 {
namespace fault {

namespace {

struct State {
    unsigned long calls[kKindCount] = {};
    unsigned long total = 0;
    unsigned long injected = 0;
    bool armed = false;
    bool persistent = false;
    Kind kind = Kind::Open;
    unsigned long nth = 0;
    Action action = Action::Fail;
    unsigned long shortCount = 0;
};

thread_local State t_state;

Outcome Decide(Kind kind, DWORD requested);

void Restart() {
    t_state = State{};
    detail::SetSwitch(&Decide);
}

Outcome Decide(Kind kind, DWORD requested) {
    State& s = t_state;
    const unsigned long ofKind = ++s.calls[static_cast<int>(kind)];
    ++s.total;
    Outcome outcome;
    const bool hit = s.persistent ? ofKind >= s.nth : ofKind == s.nth;
    if (!s.armed || kind != s.kind || !hit) return outcome;
    ++s.injected;
    const bool transfer = kind == Kind::Read || kind == Kind::Write;
    if (s.action == Action::Short && transfer && requested > 0) {
        outcome.shortened = true;
        outcome.count = static_cast<DWORD>(std::min<unsigned long>(s.shortCount, requested - 1));
    } else {
        outcome.fail = true;
    }
    return outcome;
}

}  // namespace

const char* KindName(Kind kind) {
    static const char* const names[kKindCount] = {
        "open",         "read",        "write",      "seek",      "size",   "end of file", "close",
        "global alloc", "global lock", "message",    "list node", "string", "buffer",      "schema",
        "sync",         "rename",      "attributes", "lock",      "engine"};
    const int index = static_cast<int>(kind);
    return index >= 0 && index < kKindCount ? names[index] : "unknown";
}

void StartCounting() {
    Restart();
}

void Arm(Kind kind, unsigned long nth, Action action, unsigned long shortCount) {
    Restart();
    t_state.armed = true;
    t_state.kind = kind;
    t_state.nth = nth;
    t_state.action = action;
    t_state.shortCount = shortCount;
}

void ArmFrom(Kind kind, unsigned long nth) {
    Arm(kind, nth);
    t_state.persistent = true;
}

void Disarm() {
    t_state = State{};
    detail::SetSwitch(nullptr);
}

unsigned long Calls(Kind kind) {
    return t_state.calls[static_cast<int>(kind)];
}
unsigned long TotalCalls() {
    return t_state.total;
}
unsigned long Injected() {
    return t_state.injected;
}

}  // namespace fault
}  // namespace win32
