// The public headers in a program for the Win32 API: <windows.h> first, with
// its macros (GENERIC_READ, TRUE, MB_OK, GetMessage...), and all of the
// library after it; the layer's own call headers too, as its sources have
// them.
#include <windows.h>

#include <gtest/gtest.h>

#include <twfile/twfile.h>

#include "platform/file_calls.h"
#include "platform/last_error.h"

namespace {

TEST(Win32Headers, TheSystemsMacrosAndTheLibraryGoTogether) {
    // The macros stand in for the library's constants, with the same values.
    HANDLE file = win32::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);  // a device, not a file
    // The system's types are the library's.
    DWORD code = win32::GetLastError();
    EXPECT_NE(code, 0u);
    EXPECT_EQ(static_cast<int>(MB_OK), 0);
    // GetMessage is a macro of <windows.h>; the error service's member is
    // still reached.
    EXPECT_EQ(CTWError::GetNumber(), 0);
    EXPECT_STREQ(CTWError::GetMessage(), "");
}

}  // namespace
