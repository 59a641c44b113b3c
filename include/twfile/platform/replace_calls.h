// The calls that let a file be replaced by a new one in a single step: the
// new text is written to a file beside the old one, flushed to the disk and
// renamed over it, so that the path always names either the old file or the
// complete new one. Every failure sets the last error.
#ifndef TWFILE_PLATFORM_REPLACE_CALLS_H
#define TWFILE_PLATFORM_REPLACE_CALLS_H

#include <string>

#include <twfile/export.h>
#include <twfile/platform/types.h>

namespace win32 {

// True where no file can be renamed over while it is open (Windows): a
// replacement then closes the file it replaces for the rename. (The file
// renamed may stay open: the layer's opens always share its deletion.)
TWFILE_API bool ReplaceNeedsClosedTarget();
// Writes the file's data and size through to the disk.
TWFILE_API BOOL FlushFileBuffers(HANDLE file);
// Renames existing to newName. MOVEFILE_REPLACE_EXISTING replaces a file
// already there; MOVEFILE_WRITE_THROUGH returns only when the rename is on
// the disk (the directory is flushed).
TWFILE_API BOOL MoveFileExA(const char* existing, const char* newName, DWORD flags);
TWFILE_API BOOL DeleteFileA(const char* fileName);
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL for what path names (a
// symbolic link is followed), or INVALID_FILE_ATTRIBUTES when it names
// nothing or cannot be examined.
TWFILE_API DWORD GetFileAttributesA(const char* fileName);

// The file that a replacement of path must rename over: path itself, or,
// when path is a symbolic link, the file the link leads to (where it points
// when that does not exist), so that the link stays. Empty on failure.
TWFILE_API std::string GetReplacedFileName(const char* path);
// Gives the file open as handle the permission bits, and where the process
// may set them the owner and group, of the file named by model; when model
// names nothing, the permission bits a newly created file gets.
TWFILE_API BOOL CopyFileAccess(const char* model, HANDLE file);

}  // namespace win32

#endif  // TWFILE_PLATFORM_REPLACE_CALLS_H
