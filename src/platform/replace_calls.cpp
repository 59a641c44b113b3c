#include "platform/replace_calls.h"
#include "platform/fault.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include "platform/descriptor.h"

namespace win32 {

using descriptor::FailWith;

namespace {

// The directory part of path, "." when it has none.
std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

BOOL SyncDirectory(const std::string& path) {
    const int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FailWith(errno);
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    const int code = errno;
    ::close(fd);
    // Some file systems cannot flush a directory; the rename stands.
    return rc == 0 || code == EINVAL ? TRUE : FailWith(code);
}

// The text of the symbolic link at path, or empty with errno set.
std::string ReadLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), &target[0], target.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) >= target.size()) {
        errno = ENAMETOOLONG;
        return std::string();
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

}  // namespace

bool ReplaceNeedsClosedTarget() {
    return false;
}

BOOL FlushFileBuffers(HANDLE file) {
    if (!descriptor::IsUsable(file)) return FailWith(EBADF);
    if (fault::ShouldFail(fault::Kind::Sync)) return FailWith(EIO);
    int rc;
    do {
        rc = ::fsync(descriptor::Of(file));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? TRUE : FailWith(errno);
}

BOOL MoveFileExA(const char* existing, const char* newName, DWORD flags) {
    if (existing == nullptr || newName == nullptr) return FailWith(EINVAL);
    if (fault::ShouldFail(fault::Kind::Rename)) return FailWith(EIO);
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
        struct stat info;
        if (::lstat(newName, &info) == 0) return FailWith(EEXIST);
    }
    if (::rename(existing, newName) != 0) return FailWith(errno);
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0) return SyncDirectory(newName);
    return TRUE;
}

BOOL DeleteFileA(const char* fileName) {
    if (fileName == nullptr) return FailWith(EINVAL);
    if (fault::ShouldFail(fault::Kind::Rename)) return FailWith(EIO);
    return ::unlink(fileName) == 0 ? TRUE : FailWith(errno);
}

DWORD GetFileAttributesA(const char* fileName) {
    if (fileName == nullptr) {
        FailWith(EINVAL);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (fault::ShouldFail(fault::Kind::Attributes)) {
        FailWith(EIO);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat info;
    if (::stat(fileName, &info) != 0) {
        FailWith(errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

std::string GetReplacedFileName(const char* path) {
    if (path == nullptr || *path == '\0') {
        FailWith(ENOENT);
        return std::string();
    }
    if (fault::ShouldFail(fault::Kind::Attributes)) {
        FailWith(EIO);
        return std::string();
    }
    // Follows a chain of links one step at a time, as the system does, up
    // to its own limit on their number.
    std::string name = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(name.c_str(), &info) != 0) {
            if (errno == ENOENT) return name;  // a new file, or where a link points
            FailWith(errno);
            return std::string();
        }
        if (!S_ISLNK(info.st_mode)) return name;
        const std::string target = ReadLink(name);
        if (target.empty()) {
            FailWith(errno != 0 ? errno : EINVAL);
            return std::string();
        }
        if (target.front() == '/' || name.find('/') == std::string::npos) {
            name = target;
        } else {
            name = DirectoryOf(name) + "/" + target;
        }
    }
    FailWith(ELOOP);
    return std::string();
}

BOOL FlushFolderOf(const char* path) {
    if (path == nullptr) return FailWith(EINVAL);
    if (fault::ShouldFail(fault::Kind::Sync)) return FailWith(EIO);
    return SyncDirectory(path);
}

}  // namespace win32
