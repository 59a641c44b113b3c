#include "platform/rewrite_calls.h"
#include "platform/fault.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/descriptor.h"
#include "platform/share_locks.h"

namespace win32 {

using descriptor::FailWith;

BOOL ReserveFileSpace(HANDLE file, DWORD size) {
    if (!descriptor::IsUsable(file)) return FailWith(EBADF);
    if (fault::ShouldFail(fault::Kind::EndOfFile)) return FailWith(ENOSPC);
#if defined(__linux__) && defined(FALLOC_FL_KEEP_SIZE)
    if (size == 0) return TRUE;
    int rc;
    do {
        rc = ::fallocate(descriptor::Of(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    // A file system that cannot reserve gets the rewrite unreserved.
    if (rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS) return TRUE;
    return FailWith(errno);
#else
    (void)size;
    return TRUE;
#endif
}

BOOL HoldReadersOut(HANDLE file, DWORD shareMode) {
    if (!descriptor::IsUsable(file)) return FailWith(EBADF);
    const DWORD code = share::DenyReads(descriptor::Of(file), shareMode);
    return code == 0 ? TRUE : FailWith(static_cast<int>(code));
}

BOOL LetReadersIn(HANDLE file, DWORD shareMode) {
    if (!descriptor::IsUsable(file)) return FailWith(EBADF);
    share::AllowReads(descriptor::Of(file), shareMode);
    return TRUE;
}

namespace {

// The name's file in the open directory dir is stale: a regular file of
// the caller's own with bytes in it, and nobody holds it. The size is read
// before the holders: a writer holds its file before it writes a byte, so a
// file seen with bytes and without holders has lost its writer.
bool IsStale(int dir, const char* name) {
    const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info;
    const bool candidate = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
                           info.st_nlink == 1 && info.st_uid == ::geteuid();
    const bool stale = candidate && share::HeldElsewhere(fd) == 0;
    ::close(fd);
    return stale;
}

}  // namespace

int RemoveStaleTemporaries(const char* directory, const char* prefix) {
    if (directory == nullptr || prefix == nullptr) {
        FailWith(EINVAL);
        return 0;
    }
    if (fault::ShouldFail(fault::Kind::Attributes)) {
        FailWith(EIO);
        return 0;
    }
    DIR* listing = ::opendir(directory);
    if (listing == nullptr) {
        FailWith(errno);
        return 0;
    }
    const std::size_t prefixLength = std::strlen(prefix);
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (std::strlen(name) != prefixLength + 6 || std::strncmp(name, prefix, prefixLength) != 0)
            continue;
        if (IsStale(::dirfd(listing), name) && ::unlinkat(::dirfd(listing), name, 0) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

}  // namespace win32
