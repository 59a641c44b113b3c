#include "platform/fault.h"

namespace win32 {
namespace fault {
namespace detail {

thread_local bool g_active = false;
Outcome (*g_decide)(Kind kind, DWORD requested) = nullptr;

void SetSwitch(Outcome (*decide)(Kind kind, DWORD requested)) {
    if (decide != nullptr) g_decide = decide;
    g_active = decide != nullptr;
}

}  // namespace detail
}  // namespace fault
}  // namespace win32
