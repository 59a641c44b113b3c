// Windows types and constants used by the library, defined for POSIX hosts.
// The values are the Windows ones, so stored settings mean the same on
// every platform.
#ifndef TWFILE_PLATFORM_TYPES_H
#define TWFILE_PLATFORM_TYPES_H

#include <cstddef>
#include <cstdint>

namespace win32 {

typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef std::size_t SIZE_T;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* HLOCAL;
typedef void* LPVOID;

// Accepted by CreateFileA for source compatibility; ignored on POSIX.
struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Access rights.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

// Share modes: what other opens of the same file are let in while this one
// holds it (honoured between file objects and processes).
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;

// Creation dispositions.
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010u;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// MoveFileExA flags.
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001u;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008u;

// Last-error codes of this layer's own that have no errno counterpart. They
// carry the customer bit of Windows error codes, so they never meet an
// errno value.
constexpr DWORD ERROR_SHARING_VIOLATION = 0x20000020u;
constexpr DWORD ERROR_NOT_REGULAR_FILE = 0x20000021u;

// File pointer move methods.
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

// Global memory flags.
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// FormatMessageA flags and the user's default language.
constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100u;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000u;
constexpr DWORD LANG_USER_DEFAULT = 0x0400u;

// System colour indexes.
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;

// All bits set: no file is open.
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

}  // namespace win32

#endif  // TWFILE_PLATFORM_TYPES_H
