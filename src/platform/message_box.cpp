#include "platform/message_box.h"

#include <cstdio>

namespace win32 {

int MessageBoxA(HANDLE /*window*/, const char* text, const char* /*caption*/, UINT /*type*/) {
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    return 1;  // IDOK
}

}  // namespace win32
