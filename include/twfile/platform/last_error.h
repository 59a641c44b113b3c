// The calling thread's last system error and its text.
#ifndef TWFILE_PLATFORM_LAST_ERROR_H
#define TWFILE_PLATFORM_LAST_ERROR_H

#include <cstdarg>

#include <twfile/export.h>
#include <twfile/platform/types.h>

namespace win32 {

// The last error is the errno value recorded by the last failing call of
// this layer on the calling thread.
TWFILE_API DWORD GetLastError();
TWFILE_API void SetLastError(DWORD code);

// Supports FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_ALLOCATE_BUFFER:
// buffer is then a char** that receives a text allocated for LocalFree. The
// text is strerror's. Returns the text's length, or 0 when there is no text
// (code 0, an allocation failure, or unsupported flags).
TWFILE_API DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                                char* buffer, DWORD size, va_list* arguments);

}  // namespace win32

#endif  // TWFILE_PLATFORM_LAST_ERROR_H
