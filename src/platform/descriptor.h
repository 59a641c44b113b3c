// Handles of this layer are POSIX file descriptors.
#ifndef TWFILE_SRC_PLATFORM_DESCRIPTOR_H
#define TWFILE_SRC_PLATFORM_DESCRIPTOR_H

#include <twfile/platform/types.h>
#include "platform/last_error.h"

#include <cstdint>

namespace win32 {
namespace descriptor {

inline int Of(HANDLE file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(file));
}

inline HANDLE ToHandle(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
}

inline bool IsUsable(HANDLE file) {
    return file != INVALID_HANDLE_VALUE && Of(file) >= 0;
}

// Records code as the last error and returns FALSE.
inline BOOL FailWith(int code) {
    SetLastError(static_cast<DWORD>(code));
    return FALSE;
}

}  // namespace descriptor
}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_DESCRIPTOR_H
