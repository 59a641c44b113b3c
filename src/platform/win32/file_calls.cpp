// The file calls over the system's own: the share modes, the creation
// dispositions and the truncation are the system's. FILE_SHARE_DELETE is
// always added to the share mode, so that a save can rename its new text
// over a file that is open, as it does on every system.
#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/file_calls.h"
#include "platform/last_error.h"

namespace win32 {

namespace {

bool IsUsable(HANDLE file) {
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

BOOL FailWith(DWORD code) {
    ::SetLastError(code);
    return FALSE;
}

}  // namespace

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile) {
    if (fileName == nullptr) {
        FailWith(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (fault::ShouldFail(fault::Kind::Open)) {
        FailWith(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // The layer's structure has the system's layout.
    static_assert(sizeof(SECURITY_ATTRIBUTES) == sizeof(::SECURITY_ATTRIBUTES),
                  "SECURITY_ATTRIBUTES differs from the system's");
    const HANDLE file = ::CreateFileA(fileName, desiredAccess, shareMode | FILE_SHARE_DELETE,
                                      reinterpret_cast<::SECURITY_ATTRIBUTES*>(securityAttributes),
                                      creationDisposition, flagsAndAttributes, templateFile);
    if (file == INVALID_HANDLE_VALUE) return file;
    // Files only: a console, a pipe, a device or a printer port is refused.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        FailWith(ERROR_NOT_REGULAR_FILE);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* /*overlapped*/) {
    if (read != nullptr) *read = 0;
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && toRead > 0) return FailWith(ERROR_INVALID_PARAMETER);
    const fault::Outcome outcome = fault::Check(fault::Kind::Read, toRead);
    if (outcome.fail) return FailWith(ERROR_READ_FAULT);
    const DWORD wanted = outcome.shortened ? outcome.count : toRead;
    char* target = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < wanted) {
        DWORD n = 0;
        if (!::ReadFile(file, target + done, wanted - done, &n, nullptr)) {
            if (read != nullptr) *read = done;
            return FALSE;
        }
        if (n == 0) break;
        done += n;
    }
    if (read != nullptr) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               void* /*overlapped*/) {
    if (written != nullptr) *written = 0;
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && toWrite > 0) return FailWith(ERROR_INVALID_PARAMETER);
    const fault::Outcome outcome = fault::Check(fault::Kind::Write, toWrite);
    if (outcome.fail) return FailWith(ERROR_DISK_FULL);
    const DWORD wanted = outcome.shortened ? outcome.count : toWrite;
    const char* source = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < wanted) {
        DWORD n = 0;
        if (!::WriteFile(file, source + done, wanted - done, &n, nullptr)) {
            if (written != nullptr) *written = done;
            return FALSE;
        }
        if (n == 0) {
            if (written != nullptr) *written = done;
            return FailWith(ERROR_DISK_FULL);
        }
        done += n;
    }
    if (written != nullptr) *written = done;
    if (outcome.shortened) ::SetLastError(ERROR_DISK_FULL);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    if (!IsUsable(file)) {
        FailWith(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    if (method != FILE_BEGIN && method != FILE_CURRENT && method != FILE_END) {
        FailWith(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (fault::ShouldFail(fault::Kind::Seek)) {
        FailWith(ERROR_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    return ::SetFilePointer(file, distance, distanceHigh, method);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    if (!IsUsable(file)) {
        FailWith(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (fault::ShouldFail(fault::Kind::Size)) {
        FailWith(ERROR_READ_FAULT);
        return INVALID_FILE_SIZE;
    }
    return ::GetFileSize(file, sizeHigh);
}

BOOL SetEndOfFile(HANDLE file) {
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    if (fault::ShouldFail(fault::Kind::EndOfFile)) return FailWith(ERROR_WRITE_FAULT);
    return ::SetEndOfFile(file);
}

BOOL CloseHandle(HANDLE file) {
    if (!IsUsable(file)) return FailWith(ERROR_INVALID_HANDLE);
    // The handle is released even when the close is made to fail, so a
    // failed close is never retried, as with a real failure.
    const bool injected = fault::ShouldFail(fault::Kind::Close);
    const BOOL closed = ::CloseHandle(file);
    if (injected) return FailWith(ERROR_WRITE_FAULT);
    return closed;
}

}  // namespace win32
