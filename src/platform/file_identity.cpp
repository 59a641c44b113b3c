#include "platform/file_identity.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/descriptor.h"
#include "platform/fault.h"

namespace win32 {

BOOL GetFileIdentity(HANDLE file, FileIdentity* identity) {
    if (!descriptor::IsUsable(file) || identity == nullptr) return descriptor::FailWith(EBADF);
    if (fault::ShouldFail(fault::Kind::Attributes)) return descriptor::FailWith(EIO);
    struct stat info;
    if (::fstat(descriptor::Of(file), &info) != 0) return descriptor::FailWith(errno);
    identity->volume = static_cast<std::uint64_t>(info.st_dev);
    identity->index = static_cast<std::uint64_t>(info.st_ino);
    identity->size = static_cast<std::uint64_t>(info.st_size);
    identity->modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                         static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    return TRUE;
}

}  // namespace win32
