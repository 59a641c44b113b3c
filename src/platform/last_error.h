// The calling thread's last system error and its text.
#ifndef TWFILE_SRC_PLATFORM_LAST_ERROR_H
#define TWFILE_SRC_PLATFORM_LAST_ERROR_H

#include <cstdarg>

#include <twfile/platform/types.h>

namespace win32 {

// The last error is the errno value recorded by the last failing call of
// this layer on the calling thread, or one of the layer's own codes
// (ERROR_SHARING_VIOLATION, ERROR_NOT_REGULAR_FILE).
DWORD GetLastError();
void SetLastError(DWORD code);
// True for the codes that say the caller may not create or change a file
// there (permission denied, a read-only file system).
bool IsAccessDenied(DWORD code);
// True for the code that says a path names nothing.
bool IsFileNotFound(DWORD code);

// Supports FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_ALLOCATE_BUFFER:
// buffer is then a char** that receives a text allocated for LocalFree. The
// text is strerror's, or the layer's own for its own codes. Returns the text's length, or 0 when
// there is no text (code 0, an allocation failure, or unsupported flags).
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, va_list* arguments);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_LAST_ERROR_H
