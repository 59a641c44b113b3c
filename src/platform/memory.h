// Movable global memory and local frees, as the Windows heap calls give them.
#ifndef TWFILE_SRC_PLATFORM_MEMORY_H
#define TWFILE_SRC_PLATFORM_MEMORY_H

#include <twfile/platform/types.h>

namespace win32 {

// Returns null on failure (GMEM_ZEROINIT fills the block with zeros).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Returns the block's address, or null on failure.
LPVOID GlobalLock(HGLOBAL memory);
// Returns nonzero while the block stays locked, 0 once the last lock is gone.
BOOL GlobalUnlock(HGLOBAL memory);
// Returns null on success, the handle on failure.
HGLOBAL GlobalFree(HGLOBAL memory);
// Frees a block allocated by FormatMessageA; returns null on success.
HLOCAL LocalFree(HLOCAL memory);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_MEMORY_H
