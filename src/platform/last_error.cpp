#include "platform/last_error.h"
#include "platform/fault.h"

#include <string.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace win32 {

namespace {

thread_local DWORD t_lastError = 0;

// The texts of the codes that have no errno counterpart.
const char* OwnText(DWORD code) {
    switch (code) {
        case ERROR_SHARING_VIOLATION:
            return "The process cannot access the file because it is being used by another "
                   "process.";
        case ERROR_NOT_REGULAR_FILE:
            return "The path names a pipe, a device or a socket, not a file.";
        default:
            return nullptr;
    }
}

}  // namespace

DWORD GetLastError() {
    return t_lastError;
}

void SetLastError(DWORD code) {
    t_lastError = code;
}

bool IsAccessDenied(DWORD code) {
    return code == EACCES || code == EPERM || code == EROFS;
}

bool IsFileNotFound(DWORD code) {
    return code == ENOENT;
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/,
                     char* buffer, DWORD /*size*/, va_list* /*arguments*/) {
    const DWORD required = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
    if ((flags & required) != required || buffer == nullptr || messageId == 0) return 0;
    char** target = reinterpret_cast<char**>(buffer);
    *target = nullptr;
    if (fault::ShouldFail(fault::Kind::Message)) return 0;
    char text[256];
    const char* message = OwnText(messageId);
    // The GNU form returns the text, which may be a static one.
    if (message == nullptr) message = ::strerror_r(static_cast<int>(messageId), text, sizeof text);
    const std::size_t length = std::strlen(message);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) return 0;
    std::memcpy(copy, message, length + 1);
    *target = copy;
    return static_cast<DWORD>(length);
}

}  // namespace win32
