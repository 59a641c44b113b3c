#include "platform/win32/windows.h"

#include "platform/message_box.h"

#include <cstdio>

namespace win32 {

int MessageBoxA(HANDLE window, const char* text, const char* caption, UINT type) {
    const int answer = ::MessageBoxA(static_cast<HWND>(window), text, caption, type);
    if (answer != 0) return answer;
    // No box could be shown (no desktop): the text goes where a console
    // program's user sees it.
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    return IDOK;
}

}  // namespace win32
