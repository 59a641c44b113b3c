#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/memory.h"

namespace win32 {

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (fault::ShouldFail(fault::Kind::GlobalAlloc)) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // One byte at least: the system gives a movable block of size 0 no
    // address, and the layer's blocks always have one.
    return ::GlobalAlloc(flags, bytes != 0 ? bytes : 1);
}

LPVOID GlobalLock(HGLOBAL memory) {
    if (memory == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (fault::ShouldFail(fault::Kind::GlobalLock)) {
        ::SetLastError(ERROR_NOT_LOCKED);
        return nullptr;
    }
    return ::GlobalLock(memory);
}

BOOL GlobalUnlock(HGLOBAL memory) {
    if (memory == nullptr) return FALSE;
    return ::GlobalUnlock(memory);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (memory == nullptr) return nullptr;
    return ::GlobalFree(memory);
}

HLOCAL LocalFree(HLOCAL memory) {
    return ::LocalFree(memory);
}

}  // namespace win32
