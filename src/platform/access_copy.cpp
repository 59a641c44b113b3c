// The access a replacing file takes from the file it replaces: owner,
// group, permission bits and, on Linux, the access control list and the
// user's extended attributes. Whatever cannot be kept is narrowed, never
// widened.
#include "platform/fault.h"
#include "platform/replace_calls.h"

#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "platform/descriptor.h"

namespace win32 {

using descriptor::FailWith;

namespace {

#ifdef __linux__
// The access control list as the system stores it in an attribute: a
// 4-byte version, then 8-byte entries (tag 2 bytes, permissions 2 bytes,
// id 4 bytes), little-endian.
constexpr char kAclName[] = "system.posix_acl_access";
constexpr std::size_t kAclHeader = 4;
constexpr std::size_t kAclEntry = 8;
constexpr unsigned kAclGroupObj = 0x04;
constexpr unsigned kAclMask = 0x10;

unsigned Field16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8);
}

// The permissions (rwx as 3 bits) of the list's first entry with tag, or
// 7 when it has none.
unsigned AclPermissions(const std::string& acl, unsigned tag) {
    for (std::size_t at = kAclHeader; at + kAclEntry <= acl.size(); at += kAclEntry) {
        if (Field16(acl, at) == tag) return Field16(acl, at + 2) & 7u;
    }
    return 7;
}

// Clears the permissions of the list's owning-group entry.
void ClearGroupObj(std::string& acl) {
    for (std::size_t at = kAclHeader; at + kAclEntry <= acl.size(); at += kAclEntry) {
        if (Field16(acl, at) == kAclGroupObj) acl[at + 2] = acl[at + 3] = '\0';
    }
}

// The value of the attribute name of path, false when it has none (or it
// cannot be read).
bool ReadAttribute(const char* path, const char* name, std::string& value) {
    for (int tries = 0; tries < 4; ++tries) {
        const ssize_t size = ::getxattr(path, name, nullptr, 0);
        if (size < 0) return false;
        value.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::getxattr(path, name, &value[0], value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;  // ERANGE: it grew meanwhile
    }
    return false;
}

// The names of path's attributes (each NUL-terminated); empty when it has
// none or they cannot be listed (then failed is set).
std::string AttributeNames(const char* path, bool& failed) {
    std::string names;
    failed = false;
    for (int tries = 0; tries < 4; ++tries) {
        const ssize_t size = ::listxattr(path, nullptr, 0);
        if (size <= 0) {
            failed = size < 0 && errno != ENOTSUP;
            return std::string();
        }
        names.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::listxattr(path, &names[0], names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return names;
        }
        if (errno != ERANGE) break;
    }
    failed = true;
    return std::string();
}

// Copies model's user.* attributes to fd; false when one was not copied.
bool CopyUserAttributes(const char* model, int fd) {
    bool failed = false;
    const std::string names = AttributeNames(model, failed);
    std::string value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        if (std::strncmp(name, "user.", 5) != 0) continue;
        if (fault::ShouldFail(fault::Kind::Attributes) || !ReadAttribute(model, name, value) ||
            ::fsetxattr(fd, name, value.data(), value.size(), 0) != 0) {
            failed = true;
        }
    }
    return !failed;
}
#endif

}  // namespace

BOOL CopyFileAccess(const char* model, HANDLE file, DWORD* notKept) {
    if (notKept != nullptr) *notKept = 0;
    if (!descriptor::IsUsable(file)) return FailWith(EBADF);
    if (model == nullptr) return FailWith(EINVAL);
    if (fault::ShouldFail(fault::Kind::Attributes)) return FailWith(EIO);
    const int fd = descriptor::Of(file);
    struct stat info;
    if (::stat(model, &info) != 0) {
        if (errno != ENOENT) return FailWith(errno);
        // A new file gets what open(2) would have given it.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return ::fchmod(fd, 0666 & ~mask) == 0 ? TRUE : FailWith(errno);
    }
    DWORD lost = 0;
    try {
        // Owner first: changing it may clear the set-user and set-group
        // bits that the mode then restores. Only a privileged process may
        // give a file away; for others the file stays theirs.
        if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
            if (errno != EPERM) return FailWith(errno);
            if (::fchown(fd, static_cast<uid_t>(-1), info.st_gid) != 0 && errno != EPERM) {
                return FailWith(errno);
            }
        }
        struct stat made;
        if (::fstat(fd, &made) != 0) return FailWith(errno);
        mode_t mode = info.st_mode & 07777;
        if (made.st_uid != info.st_uid) {
            lost |= ACCESS_OWNER_NOT_KEPT;
            mode &= ~static_cast<mode_t>(S_ISUID);
        }
        if (made.st_gid != info.st_gid) {
            // The bits would give another group the old group's access.
            lost |= ACCESS_GROUP_NOT_KEPT;
            mode &= ~static_cast<mode_t>(S_ISGID | S_IRWXG);
        }
#ifdef __linux__
        // With a list, the group bits show its mask, the most any named
        // user or group gets; the owning group itself may get less. Until
        // the list is on the new file, the bits give the group only that.
        std::string acl;
        const bool hasAcl = ReadAttribute(model, kAclName, acl) && acl.size() >= kAclHeader;
        if (hasAcl) {
            const unsigned group =
                AclPermissions(acl, kAclGroupObj) & AclPermissions(acl, kAclMask);
            mode = (mode & ~static_cast<mode_t>(S_IRWXG)) |
                   ((lost & ACCESS_GROUP_NOT_KEPT) != 0 ? 0u : group << 3);
            if ((lost & ACCESS_GROUP_NOT_KEPT) != 0) ClearGroupObj(acl);
        }
#endif
        if (::fchmod(fd, mode) != 0) return FailWith(errno);
#ifdef __linux__
        if (hasAcl && (fault::ShouldFail(fault::Kind::Attributes) ||
                       ::fsetxattr(fd, kAclName, acl.data(), acl.size(), 0) != 0)) {
            lost |= ACCESS_ACL_NOT_KEPT;
        }
        if (!CopyUserAttributes(model, fd)) lost |= ACCESS_ATTRIBUTES_NOT_KEPT;
#endif
    } catch (const std::bad_alloc&) {
        return FailWith(ENOMEM);
    }
    if (notKept != nullptr) *notKept = lost;
    return TRUE;
}

}  // namespace win32
