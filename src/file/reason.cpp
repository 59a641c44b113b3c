#include "file/reason.h"

#include "platform/last_error.h"
#include "platform/memory.h"

#include <cstdio>
#include <cstring>

namespace twfile {
namespace file {

ReasonText::ReasonText(const char* text) {
    std::snprintf(m_text, sizeof m_text, "%s", text != nullptr ? text : "");
    const win32::DWORD code = win32::GetLastError();
    if (code == 0) return;
    char* reason = nullptr;
    const win32::DWORD length = win32::FormatMessageA(
        win32::FORMAT_MESSAGE_ALLOCATE_BUFFER | win32::FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        win32::LANG_USER_DEFAULT, reinterpret_cast<char*>(&reason), 0, nullptr);
    if (length == 0 || reason == nullptr) return;
    // The system's texts may end in a period and a line break.
    std::size_t end = std::strlen(reason);
    while (end > 0 && std::strchr(" .\r\n", reason[end - 1]) != nullptr)
        --end;
    const std::size_t used = std::strlen(m_text);
    std::snprintf(m_text + used, sizeof m_text - used, ": %.*s", static_cast<int>(end), reason);
    win32::LocalFree(reason);
}

}  // namespace file
}  // namespace twfile
