// The replacement calls over the system's own: MoveFileExA with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH renames the new text
// over the old file in one step and returns once the rename is on the disk.
#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/replace_calls.h"

#include <string>
#include <vector>

namespace win32 {

namespace {

BOOL FailWith(DWORD code) {
    ::SetLastError(code);
    return FALSE;
}

// The path the open file has on its volume, as a drive or UNC path, or
// empty with the last error set.
std::string FinalPathOf(HANDLE file) {
    std::vector<char> path(MAX_PATH + 1);
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleA(
            file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return std::string();
        if (length < path.size()) {
            std::string name(path.data(), length);
            // \\?\C:\... and \\?\UNC\server\share\...
            if (name.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + name.substr(8);
            if (name.compare(0, 4, "\\\\?\\") == 0) return name.substr(4);
            return name;
        }
        path.resize(length + 1);
    }
}

}  // namespace

bool ReplaceNeedsClosedTarget() {
    return true;
}

BOOL FlushFileBuffers(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE || file == nullptr) return FailWith(ERROR_INVALID_HANDLE);
    if (fault::ShouldFail(fault::Kind::Sync)) return FailWith(ERROR_WRITE_FAULT);
    return ::FlushFileBuffers(file);
}

BOOL MoveFileExA(const char* existing, const char* newName, DWORD flags) {
    if (existing == nullptr || newName == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
    if (fault::ShouldFail(fault::Kind::Rename)) return FailWith(ERROR_WRITE_FAULT);
    if (::MoveFileExA(existing, newName, flags)) return TRUE;
    // A file that is open cannot be renamed over; ReplaceFileA replaces it
    // (where the file renamed is not held), and keeps its attributes and
    // permissions.
    const DWORD code = ::GetLastError();
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 ||
        (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION)) {
        return FALSE;
    }
    if (::ReplaceFileA(newName, existing, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr)) {
        return TRUE;
    }
    ::SetLastError(code);
    return FALSE;
}

BOOL DeleteFileA(const char* fileName) {
    if (fileName == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
    if (fault::ShouldFail(fault::Kind::Rename)) return FailWith(ERROR_WRITE_FAULT);
    return ::DeleteFileA(fileName);
}

DWORD GetFileAttributesA(const char* fileName) {
    if (fileName == nullptr) {
        FailWith(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (fault::ShouldFail(fault::Kind::Attributes)) {
        FailWith(ERROR_READ_FAULT);
        return INVALID_FILE_ATTRIBUTES;
    }
    const DWORD attributes = ::GetFileAttributesA(fileName);
    if (attributes == INVALID_FILE_ATTRIBUTES) return attributes;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FILE_ATTRIBUTE_DIRECTORY
                                                        : FILE_ATTRIBUTE_NORMAL;
}

std::string GetReplacedFileName(const char* path) {
    if (path == nullptr || *path == '\0') {
        FailWith(ERROR_FILE_NOT_FOUND);
        return std::string();
    }
    if (fault::ShouldFail(fault::Kind::Attributes)) {
        FailWith(ERROR_READ_FAULT);
        return std::string();
    }
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return path;  // a new file
        return std::string();
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
    // A symbolic link: the file it leads to is replaced, so the link stays.
    const HANDLE file =
        ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string target;
    try {
        target = FinalPathOf(file);
    } catch (...) {
        ::CloseHandle(file);
        throw;
    }
    const DWORD code = ::GetLastError();
    ::CloseHandle(file);
    if (target.empty()) ::SetLastError(code);
    return target;
}

BOOL CopyFileAccess(const char* model, HANDLE file, DWORD* notKept) {
    if (notKept != nullptr) *notKept = 0;
    if (file == INVALID_HANDLE_VALUE || file == nullptr) return FailWith(ERROR_INVALID_HANDLE);
    if (model == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
    if (fault::ShouldFail(fault::Kind::Attributes)) return FailWith(ERROR_READ_FAULT);
    // The new file has the permissions its folder gives new files, which
    // the old one had too unless someone set its own; a read-only old file
    // refuses the rename that follows.
    if (::GetFileAttributesA(model) == INVALID_FILE_ATTRIBUTES &&
        ::GetLastError() != ERROR_FILE_NOT_FOUND) {
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFolderOf(const char* path) {
    if (path == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
    if (fault::ShouldFail(fault::Kind::Sync)) return FailWith(ERROR_WRITE_FAULT);
    return TRUE;
}

}  // namespace win32
