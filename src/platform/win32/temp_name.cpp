// Temporary names from the system: GetTempFileNameA creates the file, so
// the name is reserved, and takes at most three characters of the prefix.
#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/temp_name.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace win32 {

char* _tempnam(const char* dir, const char* prefix) {
    std::string folder;
    if (dir != nullptr && *dir != '\0') {
        folder = dir;
    } else {
        char path[MAX_PATH + 1];
        const DWORD length = ::GetTempPathA(sizeof path, path);
        if (length == 0) return nullptr;
        if (length > MAX_PATH) {
            ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return nullptr;
        }
        folder.assign(path, length);
    }
    // A prefix may not name another folder.
    std::string start;
    for (const char* p = prefix != nullptr ? prefix : ""; *p != '\0'; ++p) {
        start += *p == '/' || *p == '\\' || *p == ':' ? '_' : *p;
    }
    if (fault::ShouldFail(fault::Kind::Open)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    char name[MAX_PATH];
    if (::GetTempFileNameA(folder.c_str(), start.c_str(), 0, name) == 0) return nullptr;
    const std::size_t length = std::strlen(name);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) {
        ::DeleteFileA(name);
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(copy, name, length + 1);
    return copy;
}

}  // namespace win32
