// Modal messages to the user, through a hook the application installs.
#ifndef TWFILE_FRAMEWORK_MESSAGE_BOX_H
#define TWFILE_FRAMEWORK_MESSAGE_BOX_H

#include <twfile/export.h>

// Message box types (only MB_OK is used by the library).
// (<windows.h>, when it comes first, defines them as macros of the same
// values.)
#ifndef MB_OK
constexpr unsigned int MB_OK = 0x00000000u;
#endif
#ifndef IDOK
constexpr int IDOK = 1;
#endif

typedef int (*AfxMessageBoxHandler)(const char* text, unsigned int type, unsigned int helpId);

// Shows text through the installed handler and returns its answer. The
// default handler shows the system's message box on Windows (MessageBoxA)
// and returns its answer; elsewhere, or when no box can be shown, it writes
// the text and a line end to standard error and returns IDOK.
TWFILE_API int AfxMessageBox(const char* text, unsigned int type = 0, unsigned int helpId = 0);

// Installs handler for the whole process and returns the previous one; a
// null handler restores the default.
TWFILE_API AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler);

#endif  // TWFILE_FRAMEWORK_MESSAGE_BOX_H
