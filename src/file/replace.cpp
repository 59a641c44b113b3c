// Writing a file anew in one step: the new text goes into a file beside the
// old one and replaces it only once it is complete and on the disk.
#include <twfile/file/file32.h>
#include <twfile/host/status.h>
#include "platform/file_calls.h"
#include "platform/last_error.h"
#include "platform/replace_calls.h"
#include "platform/rewrite_calls.h"
#include "platform/temp_name.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "file/messages.h"
#include "file/reason.h"

#define TW_SOURCE "twfile32"

using namespace twfile::file;

namespace {

struct FreeName {
    void operator()(char* name) const { std::free(name); }
};
using Name = std::unique_ptr<char, FreeName>;

// Where the new text of target goes: its directory, and the start of the
// hidden names made there.
struct Beside {
    std::string directory;
    std::string prefix;
};

Beside BesideOf(const std::string& target) {
    // Windows paths may separate with either slash.
#ifdef _WIN32
    const std::size_t slash = target.find_last_of("/\\");
#else
    const std::size_t slash = target.rfind('/');
#endif
    const std::string directory = slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                  : target[slash - 1] == ':' ? target.substr(0, slash + 1)
                                                             : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return Beside{directory, "." + base + "."};
}

// A unique new file beside target, named after it and hidden. The files
// of earlier saves of target that lost their writer go first.
Name ReserveBeside(const std::string& target) {
    const Beside beside = BesideOf(target);
    const win32::DWORD reason = win32::GetLastError();
    win32::RemoveStaleTemporaries(beside.directory.c_str(), beside.prefix.c_str());
    win32::SetLastError(reason);
    return Name(win32::_tempnam(beside.directory.c_str(), beside.prefix.c_str()));
}

}  // namespace

std::string CTWFile32::GetReplacedFileName(const char* path) {
    return win32::GetReplacedFileName(path);
}

int CTWFile32::WriteReplacing(int (*write)(void* context), void* context) {
    if (write == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    m_dwAccessNotKept = 0;
    if ((m_dwDesiredAccess & win32::GENERIC_WRITE) == 0) {
        TW_RETURN_IF_ERROR(WriteInPlace(write, context));
        return TW_EXIT();
    }
    std::string target;
    Name replacement;
    try {
        target = win32::GetReplacedFileName(m_strFileName.GetString());
        if (!target.empty()) replacement = ReserveBeside(target);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    if (replacement == nullptr) {
        // A directory the caller may not write to: the open file is
        // rewritten where it is. Anything else fails as a file that did not
        // open fails: its reason is shown, and nothing was written.
        if (!target.empty() && IsFileOpen() != 0 && win32::IsAccessDenied(win32::GetLastError())) {
            TW_RETURN_IF_ERROR(WriteInPlace(write, context));
            return TW_EXIT();
        }
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }

    const win32::HANDLE old = m_hFile;
    const int point = m_nBufStart + m_nBufPos;
    const win32::DWORD size = m_dwFileSize;
    win32::HANDLE held = old;
    const int status = WriteReplacement(replacement.get(), target.c_str(), write, context, held);
    if (status < 0) {
        AbandonReplacement(held, point, size, replacement.get());
        TW_RETURN_IF_ERROR(status);
    }
    // Nothing was written through the old file: its close cannot lose text.
    if (held != win32::INVALID_HANDLE_VALUE) win32::CloseHandle(held);
    // The path names the new text from here on, and the object holds it;
    // only the rename's own way to the disk is left.
    if (!win32::FlushFolderOf(target.c_str())) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(kFileError, ReasonText(kSavedFolderNotFlushed).c_str());
    }
    return TW_EXIT();
}

int CTWFile32::WriteReplacement(const char* replacement, const char* target,
                                int (*write)(void* context), void* context, win32::HANDLE& old) {
    m_hFile =
        win32::CreateFileA(replacement, m_dwDesiredAccess, m_dwShareMode, m_lpSecurityAttributes,
                           win32::OPEN_EXISTING, m_dwFlagsAndAttributes, m_hTemplateFile);
    m_nBufStart = 0;
    m_nBufPos = 0;
    m_nBufValid = 0;
    m_dwFileSize = 0;
    if (m_hFile == win32::INVALID_HANDLE_VALUE) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    if (m_pBuffer == nullptr) TW_RETURN_IF_ERROR(GetMemory());
    TW_RETURN_IF_ERROR(write(context));
    TW_RETURN_IF_ERROR(WriteFile());
    // The new text is complete: it goes to the disk, takes the old file's
    // access and replaces it.
    if (!win32::FlushFileBuffers(m_hFile) ||
        !win32::CopyFileAccess(target, m_hFile, &m_dwAccessNotKept)) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    }
    if (win32::ReplaceNeedsClosedTarget()) {
        TW_RETURN_IF_ERROR(RenameOverClosedTarget(replacement, target, old));
        return TW_EXIT();
    }
    if (!win32::MoveFileExA(replacement, target, win32::MOVEFILE_REPLACE_EXISTING)) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    }
    return TW_EXIT();
}

int CTWFile32::RenameOverClosedTarget(const char* replacement, const char* target,
                                      win32::HANDLE& old) {
    // The new file stays open: its handle follows it through the rename.
    const bool wasOpen = old != win32::INVALID_HANDLE_VALUE;
    // Nothing was written through old: its close cannot lose text.
    if (wasOpen) win32::CloseHandle(old);
    old = win32::INVALID_HANDLE_VALUE;
    if (!win32::MoveFileExA(replacement, target,
                            win32::MOVEFILE_REPLACE_EXISTING | win32::MOVEFILE_WRITE_THROUGH)) {
        const win32::DWORD reason = win32::GetLastError();
        // The document's file again, as it was opened (every read and write
        // sets the file pointer first).
        if (wasOpen) {
            old =
                win32::CreateFileA(target, m_dwDesiredAccess, m_dwShareMode, m_lpSecurityAttributes,
                                   win32::OPEN_EXISTING, m_dwFlagsAndAttributes, m_hTemplateFile);
        }
        win32::SetLastError(reason);
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    }
    return TW_EXIT();
}

void CTWFile32::AbandonReplacement(win32::HANDLE old, int point, win32::DWORD size,
                                   const char* replacement) {
    const win32::DWORD reason = win32::GetLastError();
    if (m_hFile != win32::INVALID_HANDLE_VALUE) win32::CloseHandle(m_hFile);
    win32::DeleteFileA(replacement);
    win32::SetLastError(reason);
    m_hFile = old;
    m_nBufStart = point;
    m_nBufPos = 0;
    m_nBufValid = 0;
    m_dwFileSize = size;
}
