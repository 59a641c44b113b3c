#include "platform/file_calls.h"
#include "platform/fault.h"
#include "platform/last_error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>

#include "platform/descriptor.h"
#include "platform/share_locks.h"

namespace win32 {

using descriptor::FailWith;
using descriptor::IsUsable;
using descriptor::ToHandle;

namespace {

int ToDescriptor(HANDLE file) {
    return descriptor::Of(file);
}

// The open(2) flags for the access and disposition; truncation is left to
// the caller, which does it only once the file is held (see CreateFileA).
bool OpenFlags(DWORD access, DWORD disposition, int& flags, bool& truncate) {
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
            (read && write ? O_RDWR
             : write       ? O_WRONLY
                           : O_RDONLY);
    truncate = false;
    switch (disposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            return true;
        case CREATE_ALWAYS:
            flags |= O_CREAT;
            truncate = true;
            return true;
        case OPEN_EXISTING:
            return true;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            return true;
        case TRUNCATE_EXISTING:
            truncate = true;
            return write;
        default:
            return false;
    }
}

// Makes the open descriptor fd a held file: a regular file (a directory,
// pipe, device or socket is refused), blocking again, marked with its share
// mode and cut to nothing when asked. Returns 0 or the last-error code.
DWORD Hold(int fd, DWORD access, DWORD shareMode, bool truncate) {
    struct stat info;
    if (::fstat(fd, &info) != 0) return static_cast<DWORD>(errno);
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return ERROR_NOT_REGULAR_FILE;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return static_cast<DWORD>(errno);
    }
    const DWORD held = share::Hold(fd, access, shareMode);
    if (held != 0) return held;
    if (truncate && ::ftruncate(fd, 0) != 0) return static_cast<DWORD>(errno);
    return 0;
}

}  // namespace

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* /*securityAttributes*/, DWORD creationDisposition,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
    int flags = 0;
    bool truncate = false;
    if (fileName == nullptr || !OpenFlags(desiredAccess, creationDisposition, flags, truncate)) {
        FailWith(EINVAL);
        return INVALID_HANDLE_VALUE;
    }
    if (fault::ShouldFail(fault::Kind::Open)) {
        FailWith(EACCES);
        return INVALID_HANDLE_VALUE;
    }
    // Non-blocking, so that a pipe without a writer does not hang the open;
    // Hold refuses it at once.
    int fd;
    do {
        fd = ::open(fileName, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        FailWith(errno);
        return INVALID_HANDLE_VALUE;
    }
    const DWORD held = Hold(fd, desiredAccess, shareMode, truncate);
    if (held != 0) {
        ::close(fd);
        SetLastError(held);
        return INVALID_HANDLE_VALUE;
    }
    return ToHandle(fd);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* /*overlapped*/) {
    if (read != nullptr) *read = 0;
    if (!IsUsable(file) || (buffer == nullptr && toRead > 0)) return FailWith(EBADF);
    const fault::Outcome outcome = fault::Check(fault::Kind::Read, toRead);
    if (outcome.fail) return FailWith(EIO);
    const DWORD wanted = outcome.shortened ? outcome.count : toRead;
    char* target = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < wanted) {
        const ssize_t n = ::read(ToDescriptor(file), target + done, wanted - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (read != nullptr) *read = done;
            return FailWith(errno);
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read != nullptr) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               void* /*overlapped*/) {
    if (written != nullptr) *written = 0;
    if (!IsUsable(file) || (buffer == nullptr && toWrite > 0)) return FailWith(EBADF);
    const fault::Outcome outcome = fault::Check(fault::Kind::Write, toWrite);
    if (outcome.fail) return FailWith(ENOSPC);
    const DWORD wanted = outcome.shortened ? outcome.count : toWrite;
    const char* source = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < wanted) {
        const ssize_t n = ::write(ToDescriptor(file), source + done, wanted - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written != nullptr) *written = done;
            return FailWith(errno);
        }
        done += static_cast<DWORD>(n);
    }
    if (written != nullptr) *written = done;
    if (outcome.shortened) SetLastError(ENOSPC);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    if (!IsUsable(file)) {
        FailWith(EBADF);
        return INVALID_SET_FILE_POINTER;
    }
    int whence;
    switch (method) {
        case FILE_BEGIN:
            whence = SEEK_SET;
            break;
        case FILE_CURRENT:
            whence = SEEK_CUR;
            break;
        case FILE_END:
            whence = SEEK_END;
            break;
        default:
            FailWith(EINVAL);
            return INVALID_SET_FILE_POINTER;
    }
    if (fault::ShouldFail(fault::Kind::Seek)) {
        FailWith(EIO);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t offset = distance;
    if (distanceHigh != nullptr) {
        offset = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
            static_cast<std::uint32_t>(distance));
    }
    const off_t result = ::lseek(ToDescriptor(file), static_cast<off_t>(offset), whence);
    if (result < 0) {
        FailWith(errno);
        return INVALID_SET_FILE_POINTER;
    }
    const std::uint64_t position = static_cast<std::uint64_t>(result);
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(position >> 32);
    return static_cast<DWORD>(position & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    if (!IsUsable(file)) {
        FailWith(EBADF);
        return INVALID_FILE_SIZE;
    }
    if (fault::ShouldFail(fault::Kind::Size)) {
        FailWith(EIO);
        return INVALID_FILE_SIZE;
    }
    struct stat info;
    if (::fstat(ToDescriptor(file), &info) != 0) {
        FailWith(errno);
        return INVALID_FILE_SIZE;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE file) {
    if (!IsUsable(file)) return FailWith(EBADF);
    if (fault::ShouldFail(fault::Kind::EndOfFile)) return FailWith(EIO);
    const int fd = ToDescriptor(file);
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    if (here < 0) return FailWith(errno);
    int rc;
    do {
        rc = ::ftruncate(fd, here);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? TRUE : FailWith(errno);
}

BOOL CloseHandle(HANDLE file) {
    if (!IsUsable(file)) return FailWith(EBADF);
    // The descriptor is released even when close reports an error (Linux
    // frees it before reporting), so a failed close must never be retried:
    // the number may already belong to another file. An injected failure
    // behaves the same way.
    const bool injected = fault::ShouldFail(fault::Kind::Close);
    const int rc = ::close(ToDescriptor(file));
    if (injected) return FailWith(EIO);
    return rc == 0 || errno == EINTR ? TRUE : FailWith(errno);
}

}  // namespace win32
