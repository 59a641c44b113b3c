// Windows types and constants used by the library. The values are the
// Windows ones, so stored settings mean the same on every platform.
//
// On Windows the types are the system's own (DWORD is unsigned long there),
// so that the library's calls take the variables of code written for the
// Win32 API. <windows.h> is not included; where it comes first, its macros
// of the same names and values stand in for the constants below, which are
// then left out (a macro cannot be qualified: write GENERIC_READ rather than
// win32::GENERIC_READ in such a file).
#ifndef TWFILE_PLATFORM_TYPES_H
#define TWFILE_PLATFORM_TYPES_H

#include <cstddef>
#include <cstdint>

namespace win32 {

#if defined(_WIN32)
typedef unsigned long DWORD;
typedef long LONG;
#else
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
#endif
typedef int BOOL;
typedef unsigned int UINT;
typedef std::size_t SIZE_T;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* HLOCAL;
typedef void* LPVOID;

// Passed to CreateFileA as given on Windows (the layout is the system's);
// ignored on POSIX.
struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};

#ifndef FALSE
constexpr BOOL FALSE = 0;
#endif
#ifndef TRUE
constexpr BOOL TRUE = 1;
#endif

// Access rights.
#ifndef GENERIC_READ
constexpr DWORD GENERIC_READ = 0x80000000u;
#endif
#ifndef GENERIC_WRITE
constexpr DWORD GENERIC_WRITE = 0x40000000u;
#endif

// Share modes: what other opens of the same file are let in while this one
// holds it (honoured between file objects and processes).
#ifndef FILE_SHARE_READ
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
#endif
#ifndef FILE_SHARE_WRITE
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
#endif

// Creation dispositions.
#ifndef CREATE_NEW
constexpr DWORD CREATE_NEW = 1;
#endif
#ifndef CREATE_ALWAYS
constexpr DWORD CREATE_ALWAYS = 2;
#endif
#ifndef OPEN_EXISTING
constexpr DWORD OPEN_EXISTING = 3;
#endif
#ifndef OPEN_ALWAYS
constexpr DWORD OPEN_ALWAYS = 4;
#endif
#ifndef TRUNCATE_EXISTING
constexpr DWORD TRUNCATE_EXISTING = 5;
#endif

#ifndef FILE_ATTRIBUTE_DIRECTORY
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010u;
#endif
#ifndef FILE_ATTRIBUTE_NORMAL
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
#endif
#ifndef INVALID_FILE_ATTRIBUTES
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
#endif

// MoveFileExA flags.
#ifndef MOVEFILE_REPLACE_EXISTING
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001u;
#endif
#ifndef MOVEFILE_WRITE_THROUGH
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008u;
#endif

// The last-error code of an open that another holder's share mode refuses:
// the system's own on Windows; elsewhere one that carries the customer bit
// of Windows error codes, so that it never meets an errno value.
#if defined(_WIN32)
#ifndef ERROR_SHARING_VIOLATION
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
#endif
#else
#ifndef ERROR_SHARING_VIOLATION
constexpr DWORD ERROR_SHARING_VIOLATION = 0x20000020u;
#endif
#endif
// The layer's own code for a path that names a pipe, a device or a socket.
constexpr DWORD ERROR_NOT_REGULAR_FILE = 0x20000021u;

// What a replacing save could not give the new file of the old one's access
// (CTWFile32::GetAccessNotKept); each loss only narrows who may use it.
constexpr DWORD ACCESS_OWNER_NOT_KEPT = 0x1;       // the process's user owns it
constexpr DWORD ACCESS_GROUP_NOT_KEPT = 0x2;       // its group has no access
constexpr DWORD ACCESS_ACL_NOT_KEPT = 0x4;         // named users and groups have none
constexpr DWORD ACCESS_ATTRIBUTES_NOT_KEPT = 0x8;  // extended attributes are missing

// File pointer move methods.
#ifndef FILE_BEGIN
constexpr DWORD FILE_BEGIN = 0;
#endif
#ifndef FILE_CURRENT
constexpr DWORD FILE_CURRENT = 1;
#endif
#ifndef FILE_END
constexpr DWORD FILE_END = 2;
#endif

#ifndef INVALID_SET_FILE_POINTER
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
#endif
#ifndef INVALID_FILE_SIZE
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
#endif

// Global memory flags.
#ifndef GMEM_FIXED
constexpr UINT GMEM_FIXED = 0x0000;
#endif
#ifndef GMEM_MOVEABLE
constexpr UINT GMEM_MOVEABLE = 0x0002;
#endif
#ifndef GMEM_ZEROINIT
constexpr UINT GMEM_ZEROINIT = 0x0040;
#endif
#ifndef GHND
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
#endif

// FormatMessageA flags and the user's default language.
#ifndef FORMAT_MESSAGE_ALLOCATE_BUFFER
constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100u;
#endif
#ifndef FORMAT_MESSAGE_FROM_SYSTEM
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000u;
#endif
#ifndef LANG_USER_DEFAULT
constexpr DWORD LANG_USER_DEFAULT = 0x0400u;
#endif

// System colour indexes.
#ifndef COLOR_WINDOW
constexpr int COLOR_WINDOW = 5;
#endif
#ifndef COLOR_WINDOWTEXT
constexpr int COLOR_WINDOWTEXT = 8;
#endif

// All bits set: no file is open.
#ifndef INVALID_HANDLE_VALUE
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
#endif

}  // namespace win32

#endif  // TWFILE_PLATFORM_TYPES_H
