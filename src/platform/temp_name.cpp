#include "platform/temp_name.h"
#include "platform/fault.h"
#include "platform/last_error.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace win32 {

char* _tempnam(const char* dir, const char* prefix) {
    std::string path;
    if (dir != nullptr && *dir != '\0') {
        path = dir;
    } else {
        const char* env = std::getenv("TMPDIR");
        path = env != nullptr && *env != '\0' ? env : "/tmp";
    }
    if (path.back() != '/') path += '/';
    // A prefix may not name another directory.
    for (const char* p = prefix != nullptr ? prefix : ""; *p != '\0'; ++p) {
        path += *p == '/' ? '_' : *p;
    }
    path += "XXXXXX";
    if (fault::ShouldFail(fault::Kind::Open)) {
        SetLastError(EACCES);
        return nullptr;
    }
    char* name = static_cast<char*>(std::malloc(path.size() + 1));
    if (name == nullptr) {
        SetLastError(ENOMEM);
        return nullptr;
    }
    std::memcpy(name, path.c_str(), path.size() + 1);
    // mkstemp creates the file exclusively with mode 0600.
    const int fd = ::mkostemp(name, O_CLOEXEC);
    if (fd < 0) {
        SetLastError(static_cast<DWORD>(errno));
        std::free(name);
        return nullptr;
    }
    ::close(fd);
    return name;
}

}  // namespace win32
