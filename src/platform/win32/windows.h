// The system header, as every Win32 file of the platform layer includes it:
// first, so that its macros stand in for the layer's own constants, and
// without min and max macros.
#ifndef TWFILE_SRC_PLATFORM_WIN32_WINDOWS_H
#define TWFILE_SRC_PLATFORM_WIN32_WINDOWS_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#endif  // TWFILE_SRC_PLATFORM_WIN32_WINDOWS_H
