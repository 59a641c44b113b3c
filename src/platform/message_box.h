// The system's message box, behind the default handler of AfxMessageBox.
#ifndef TWFILE_SRC_PLATFORM_MESSAGE_BOX_H
#define TWFILE_SRC_PLATFORM_MESSAGE_BOX_H

#include <twfile/platform/types.h>

namespace win32 {

// Shows text with caption in a modal box of the given MB_ type and returns
// the button chosen. On Windows this is the system's box; when it cannot be
// shown (no desktop, as for a service), and on other systems, the text and a
// line end go to standard error and the answer is IDOK.
int MessageBoxA(HANDLE window, const char* text, const char* caption, UINT type);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_MESSAGE_BOX_H
