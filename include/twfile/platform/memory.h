// Movable global memory and local frees, as the Windows heap calls give them.
#ifndef TWFILE_PLATFORM_MEMORY_H
#define TWFILE_PLATFORM_MEMORY_H

#include <twfile/export.h>
#include <twfile/platform/types.h>

namespace win32 {

// Returns null on failure (GMEM_ZEROINIT fills the block with zeros).
TWFILE_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Returns the block's address, or null on failure.
TWFILE_API LPVOID GlobalLock(HGLOBAL memory);
// Returns nonzero while the block stays locked, 0 once the last lock is gone.
TWFILE_API BOOL GlobalUnlock(HGLOBAL memory);
// Returns null on success, the handle on failure.
TWFILE_API HGLOBAL GlobalFree(HGLOBAL memory);
// Frees a block allocated by FormatMessageA; returns null on success.
TWFILE_API HLOCAL LocalFree(HLOCAL memory);

}  // namespace win32

#endif  // TWFILE_PLATFORM_MEMORY_H
