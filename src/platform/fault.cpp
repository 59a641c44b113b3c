#include "platform/fault.h"

namespace win32 {
namespace fault {
namespace detail {

thread_local bool g_active = false;
Outcome (*g_decide)(Kind kind, DWORD requested) = nullptr;

Outcome Ask(Kind kind, DWORD requested) {
    if (!g_active) return Outcome{};
    return g_decide(kind, requested);
}

void SetSwitch(Outcome (*decide)(Kind kind, DWORD requested)) {
    if (decide != nullptr) g_decide = decide;
    g_active = decide != nullptr;
}

}  // namespace detail
}  // namespace fault
}  // namespace win32
