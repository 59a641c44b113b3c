// The calls that make a rewrite of a file in place as safe as the system
// allows, for where no new file can be made beside it: the space the new
// text needs is reserved before any byte changes, readers are kept out while
// the text is overwritten, and files left behind by writers that died are
// found and removed. Every failure sets the last error.
#ifndef TWFILE_SRC_PLATFORM_REWRITE_CALLS_H
#define TWFILE_SRC_PLATFORM_REWRITE_CALLS_H

#include <twfile/platform/types.h>

namespace win32 {

// Reserves the disk space for the file's first size bytes without changing
// its length, so that writing them later cannot run out of space (a full
// disk fails here, with nothing changed). Where the file system cannot
// reserve space without growing the file, nothing is reserved and the call
// succeeds; on a copy-on-write file system the reservation does not cover
// the rewriting of bytes the file already has.
BOOL ReserveFileSpace(HANDLE file, DWORD size);
// Keeps every other open of the file away from its text until LetReadersIn.
// shareMode is the one the file was opened with. POSIX: opens made later are
// refused as in use, and the call fails with ERROR_SHARING_VIOLATION while
// another open holds the file for reading. Windows: reads through other
// handles fail with ERROR_LOCK_VIOLATION.
BOOL HoldReadersOut(HANDLE file, DWORD shareMode);
// Lets readers in again (a file whose share mode denied reading stays so).
BOOL LetReadersIn(HANDLE file, DWORD shareMode);
// Removes the files of directory named prefix and six more characters (the
// names _tempnam gives) that hold bytes and that no open file holds: the
// file object holds every file it writes until it closes it, so such a file
// was left by a writer that died. Only the caller's own regular files are
// removed; anything that cannot be examined, or whose holders cannot be
// told (a file system without the locks), stays. Returns how many went.
// Windows: removes nothing (docs/windows.md).
int RemoveStaleTemporaries(const char* directory, const char* prefix);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_REWRITE_CALLS_H
