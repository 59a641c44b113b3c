// Which file an open handle holds, and the state of its data: enough to
// tell whether a path still names the file a program opened, and whether a
// file changed since it was last examined. Every failure sets the last
// error.
#ifndef TWFILE_SRC_PLATFORM_FILE_IDENTITY_H
#define TWFILE_SRC_PLATFORM_FILE_IDENTITY_H

#include <twfile/platform/types.h>

#include <cstdint>

namespace win32 {

struct FileIdentity {
    // The volume and the file's number on it: equal for two handles of one
    // file, different for a file renamed over it.
    std::uint64_t volume;
    std::uint64_t index;
    std::uint64_t size;
    // When the data last changed, in the system's own units.
    std::int64_t modified;
};

BOOL GetFileIdentity(HANDLE file, FileIdentity* identity);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_FILE_IDENTITY_H
