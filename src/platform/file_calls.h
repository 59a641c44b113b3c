// The Windows file calls over POSIX file descriptors.
//
// CreateFileA maps the access rights and creation disposition onto open(2)
// flags and always adds O_CLOEXEC. It opens regular files only: a directory
// fails with EISDIR, a pipe, device or socket with ERROR_NOT_REGULAR_FILE,
// and the open never waits (a pipe without a writer is refused at once).
// The share mode is honoured between opens, also of other processes: an
// open whose access another holder does not share, or that denies an
// access another holder has, fails with ERROR_SHARING_VIOLATION before the
// file is truncated or changed in any way. ReadFile and
// WriteFile transfer the whole count unless the file ends or the call fails,
// as they do on Windows for disk files. Every failure sets the last error.
#ifndef TWFILE_SRC_PLATFORM_FILE_CALLS_H
#define TWFILE_SRC_PLATFORM_FILE_CALLS_H

#include <twfile/platform/types.h>

namespace win32 {

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);
// Moves the file pointer; with distanceHigh null the distance is a signed
// 32-bit value. Returns the new position's low 32 bits or
// INVALID_SET_FILE_POINTER.
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
// Returns the size's low 32 bits (the high ones in *sizeHigh when given), or
// INVALID_FILE_SIZE on failure.
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
// Ends the file at the current file pointer.
BOOL SetEndOfFile(HANDLE file);
BOOL CloseHandle(HANDLE file);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_FILE_CALLS_H
