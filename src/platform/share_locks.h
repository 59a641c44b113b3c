// Share modes between open files, kept with open-file-description locks so
// that they hold between file objects of one process, its threads, and
// other processes.
#ifndef TWFILE_SRC_PLATFORM_SHARE_LOCKS_H
#define TWFILE_SRC_PLATFORM_SHARE_LOCKS_H

#include <twfile/platform/types.h>

namespace win32 {
namespace share {

// Marks the open file fd as held with access and shareMode, unless that
// conflicts with a holder of the same file through another open: one that
// shares less than access asks for, or whose access this shareMode denies.
// Returns 0, or ERROR_SHARING_VIOLATION for a conflict. On a file system
// without such locks nothing is held. The marks go with the descriptor's
// last close.
DWORD Hold(int fd, DWORD access, DWORD shareMode);
// Adds "denies reads" to the hold of fd (opened with shareMode) unless
// another open holds the file for reading: ERROR_SHARING_VIOLATION then,
// and nothing is added.
DWORD DenyReads(int fd, DWORD shareMode);
// Takes back what DenyReads added.
void AllowReads(int fd, DWORD shareMode);
// 1 when an open other than fd's holds the file, 0 when none does, -1
// when it cannot be told (a file system without such locks).
int HeldElsewhere(int fd);

}  // namespace share
}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_SHARE_LOCKS_H
