// The calls that let a file be replaced by a new one in a single step: the
// new text is written to a file beside the old one, flushed to the disk and
// renamed over it, so that the path always names either the old file or the
// complete new one. Every failure sets the last error.
#ifndef TWFILE_SRC_PLATFORM_REPLACE_CALLS_H
#define TWFILE_SRC_PLATFORM_REPLACE_CALLS_H

#include <string>

#include <twfile/platform/types.h>

namespace win32 {

// True where no file can be renamed over while it is open (Windows): a
// replacement then closes the file it replaces for the rename. (The file
// renamed may stay open: the layer's opens always share its deletion.)
bool ReplaceNeedsClosedTarget();
// Writes the file's data and size through to the disk.
BOOL FlushFileBuffers(HANDLE file);
// Renames existing to newName. MOVEFILE_REPLACE_EXISTING replaces a file
// already there; MOVEFILE_WRITE_THROUGH returns only when the rename is on
// the disk (the directory is flushed).
BOOL MoveFileExA(const char* existing, const char* newName, DWORD flags);
BOOL DeleteFileA(const char* fileName);
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL for what path names (a
// symbolic link is followed), or INVALID_FILE_ATTRIBUTES when it names
// nothing or cannot be examined.
DWORD GetFileAttributesA(const char* fileName);

// The file that a replacement of path must rename over: path itself, or,
// when path is a symbolic link, the file the link leads to (where it points
// when that does not exist), so that the link stays. Empty on failure.
std::string GetReplacedFileName(const char* path);
// Gives the file open as handle the access of the file named by model:
// owner and group where the process may set them, the permission bits, and
// (Linux) the access control list and the user.* extended attributes. What
// cannot be kept is only ever narrowed, never widened: without the old
// group its bits are cleared; without the list the group bits are the
// list's owning-group entry, not its mask. notKept (may be null) receives
// the ACCESS_*_NOT_KEPT bits of what was not kept. When model names
// nothing, the file gets the permission bits a newly created file gets.
// Windows: the new file keeps its folder's default permissions.
BOOL CopyFileAccess(const char* model, HANDLE file, DWORD* notKept = nullptr);
// Writes the directory entry of path through to the disk, so that a rename
// to path survives a power loss. Windows: nothing to do (the rename is
// journalled by the system).
BOOL FlushFolderOf(const char* path);
}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_REPLACE_CALLS_H
