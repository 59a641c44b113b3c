// The system's colours, unless the application set its own for the process
// (SetSysColor never changes the colours of the desktop).
#include "platform/win32/windows.h"

#include <twfile/platform/colours.h>

#include <atomic>

namespace win32 {

namespace {

// The application's colour of each index plus one; 0 while it has none.
constexpr int kIndexes = 64;
std::atomic<unsigned long> g_own[kIndexes];

bool IsOwnIndex(int index) {
    return index >= 0 && index < kIndexes;
}

}  // namespace

DWORD GetSysColor(int index) {
    if (IsOwnIndex(index)) {
        const unsigned long own = g_own[index].load();
        if (own != 0) return own - 1;
    }
    return ::GetSysColor(index);
}

void SetSysColor(int index, unsigned long colour) {
    if (IsOwnIndex(index)) g_own[index].store((colour & 0x00FFFFFFu) + 1);
}

}  // namespace win32
