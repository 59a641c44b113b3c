// System user-interface colours, as 0x00BBGGRR values.
#ifndef TWFILE_PLATFORM_COLOURS_H
#define TWFILE_PLATFORM_COLOURS_H

#include <twfile/export.h>
#include <twfile/platform/types.h>

namespace win32 {

// The window background (COLOR_WINDOW) is white 0x00FFFFFF and the window
// text (COLOR_WINDOWTEXT) black 0 unless the application sets others; every
// other index is black.
TWFILE_API DWORD GetSysColor(int index);
// Sets the colour that GetSysColor returns for index, for the whole process.
TWFILE_API void SetSysColor(int index, unsigned long colour);

}  // namespace win32

#endif  // TWFILE_PLATFORM_COLOURS_H
