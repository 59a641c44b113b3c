// The in-place rewrite's calls over the system's own: the space is
// reserved as the file's allocation (its length stays), and readers are
// kept out by a lock over every byte the file can have.
#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/rewrite_calls.h"

namespace win32 {

namespace {

BOOL FailWith(DWORD code) {
    ::SetLastError(code);
    return FALSE;
}

bool IsUsable(HANDLE file) {
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

}  // namespace

BOOL ReserveFileSpace(HANDLE file, DWORD size) {
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    if (fault::ShouldFail(fault::Kind::EndOfFile)) return FailWith(ERROR_DISK_FULL);
    LARGE_INTEGER current;
    if (!::GetFileSizeEx(file, &current)) return FALSE;
    // The allocation never shrinks below the file's own length.
    if (static_cast<ULONGLONG>(current.QuadPart) >= size) return TRUE;
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (::SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation)) {
        return TRUE;
    }
    const DWORD code = ::GetLastError();
    // A file system that cannot reserve gets the rewrite unreserved.
    if (code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED ||
        code == ERROR_INVALID_FUNCTION) {
        return TRUE;
    }
    return FALSE;
}

BOOL HoldReadersOut(HANDLE file, DWORD /*shareMode*/) {
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    if (fault::ShouldFail(fault::Kind::Lock)) return FailWith(ERROR_SHARING_VIOLATION);
    OVERLAPPED at = {};
    return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                        MAXDWORD, &at);
}

BOOL LetReadersIn(HANDLE file, DWORD /*shareMode*/) {
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    OVERLAPPED at = {};
    return ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &at);
}

int RemoveStaleTemporaries(const char* /*directory*/, const char* /*prefix*/) {
    // The system's own temporary names are not kept apart by holder here:
    // an interrupted save's file stays for the user to remove.
    return 0;
}

}  // namespace win32
