// Each open file holds shared locks on up to four marker bytes far beyond
// any file's end: "reads", "writes", "denies reads", "denies writes". An
// open conflicts with another when one of them holds an access mark whose
// denial mark the other holds. Shared locks never block one another, so an
// open sets its own marks first and then asks whether any other open holds
// the opposite ones; two opens racing for a conflicting hold both see the
// other and both fail, never both succeed. The locks are advisory: they
// bind the programs that ask, as share modes do.
#include "platform/share_locks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>

#include "platform/fault.h"

namespace win32 {
namespace share {

namespace {

enum Mark : int { kReads, kWrites, kDeniesReads, kDeniesWrites };

// Past the largest offset any file of the library can have.
constexpr off_t kMarkBase = std::numeric_limits<off_t>::max() - 8;

#ifdef F_OFD_SETLK

struct flock MarkLock(short type, Mark mark) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkBase + mark;
    lock.l_len = 1;
    return lock;
}

// A read lock needs a descriptor open for reading; one open for writing
// only takes write locks, which also keep out other holders of the same
// mark (stricter than the share mode asks, never looser).
// A file system without such locks (some network ones) holds nothing: the
// open goes ahead unguarded rather than failing.
DWORD SetMark(int fd, Mark mark, bool readable) {
    struct flock lock = MarkLock(readable ? F_RDLCK : F_WRLCK, mark);
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
    return errno == EAGAIN || errno == EACCES ? ERROR_SHARING_VIOLATION : 0;
}

// ERROR_SHARING_VIOLATION when another open holds mark, else 0.
DWORD CheckFree(int fd, Mark mark) {
    struct flock lock = MarkLock(F_WRLCK, mark);
    if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return 0;
    return lock.l_type == F_UNLCK ? 0 : ERROR_SHARING_VIOLATION;
}

#endif

}  // namespace

DWORD Hold(int fd, DWORD access, DWORD shareMode) {
    if (fault::ShouldFail(fault::Kind::Lock)) return ERROR_SHARING_VIOLATION;
#ifdef F_OFD_SETLK
    const bool reads = (access & GENERIC_READ) != 0;
    const bool writes = (access & GENERIC_WRITE) != 0;
    const bool deniesReads = (shareMode & FILE_SHARE_READ) == 0;
    const bool deniesWrites = (shareMode & FILE_SHARE_WRITE) == 0;
    const struct {
        bool held;
        Mark mark;
        Mark opposite;
    } marks[] = {{reads, kReads, kDeniesReads},
                 {writes, kWrites, kDeniesWrites},
                 {deniesReads, kDeniesReads, kReads},
                 {deniesWrites, kDeniesWrites, kWrites}};
    for (const auto& m : marks) {
        if (!m.held) continue;
        const DWORD code = SetMark(fd, m.mark, reads);
        if (code != 0) return code;
    }
    for (const auto& m : marks) {
        if (!m.held) continue;
        const DWORD code = CheckFree(fd, m.opposite);
        if (code != 0) return code;
    }
#else
    (void)fd;
    (void)access;
    (void)shareMode;
#endif
    return 0;
}

DWORD DenyReads(int fd, DWORD shareMode) {
    if (fault::ShouldFail(fault::Kind::Lock)) return ERROR_SHARING_VIOLATION;
#ifdef F_OFD_SETLK
    // A share mode that denies reading keeps readers out already.
    if ((shareMode & FILE_SHARE_READ) == 0) return 0;
    const int flags = ::fcntl(fd, F_GETFL);
    const bool readable = flags >= 0 && (flags & O_ACCMODE) != O_WRONLY;
    DWORD code = SetMark(fd, kDeniesReads, readable);
    if (code == 0) code = CheckFree(fd, kReads);
    if (code != 0) AllowReads(fd, shareMode);
    return code;
#else
    (void)fd;
    (void)shareMode;
    return 0;
#endif
}

void AllowReads(int fd, DWORD shareMode) {
#ifdef F_OFD_SETLK
    if ((shareMode & FILE_SHARE_READ) == 0) return;
    struct flock lock = MarkLock(F_UNLCK, kDeniesReads);
    ::fcntl(fd, F_OFD_SETLK, &lock);
#else
    (void)fd;
    (void)shareMode;
#endif
}

int HeldElsewhere(int fd) {
#ifdef F_OFD_SETLK
    struct flock lock = MarkLock(F_WRLCK, kReads);
    lock.l_len = kDeniesWrites - kReads + 1;
    if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return -1;
    return lock.l_type == F_UNLCK ? 0 : 1;
#else
    (void)fd;
    return -1;
#endif
}

}  // namespace share
}  // namespace win32
