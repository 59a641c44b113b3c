#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/last_error.h"

#include <cstring>

namespace win32 {

DWORD GetLastError() {
    return ::GetLastError();
}

void SetLastError(DWORD code) {
    ::SetLastError(code);
}

bool IsAccessDenied(DWORD code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT ||
           code == ERROR_NETWORK_ACCESS_DENIED;
}

bool IsFileNotFound(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, va_list* arguments) {
    const DWORD required = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
    if ((flags & required) != required || buffer == nullptr || messageId == 0) return 0;
    char** target = reinterpret_cast<char**>(buffer);
    *target = nullptr;
    if (fault::ShouldFail(fault::Kind::Message)) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (messageId == ERROR_NOT_REGULAR_FILE) {
        static const char text[] = "The path names a pipe, a device or a console, not a file.";
        char* copy = static_cast<char*>(::LocalAlloc(LMEM_FIXED, sizeof text));
        if (copy == nullptr) return 0;
        std::memcpy(copy, text, sizeof text);
        *target = copy;
        return static_cast<DWORD>(sizeof text - 1);
    }
    // The system's texts end with a line end, which the library's messages
    // do not want; an insert in a text is left as it stands.
    DWORD length = ::FormatMessageA(flags | FORMAT_MESSAGE_IGNORE_INSERTS, source, messageId,
                                    languageId, buffer, size, arguments);
    if (length == 0) {
        *target = nullptr;
        return 0;
    }
    char* text = *target;
    while (length > 0 &&
           (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) {
        text[--length] = '\0';
    }
    return length;
}

}  // namespace win32
