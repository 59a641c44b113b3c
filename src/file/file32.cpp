// The file object's life: open parameters, opening, closing, the buffer and
// the system's error text.
#include <twfile/file/file32.h>
#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include "platform/file_calls.h"
#include "platform/last_error.h"
#include "platform/memory.h"
#include "platform/temp_name.h"

#include <cstdlib>
#include <cstring>

#include "file/messages.h"

#define TW_SOURCE "twfile32"

using namespace twfile::file;

CTWFile32::CTWFile32()
    : m_lpMsgBuf(nullptr),
      m_hFile(win32::INVALID_HANDLE_VALUE),
      m_dwDesiredAccess(win32::GENERIC_READ),
      m_dwShareMode(win32::FILE_SHARE_READ),
      m_lpSecurityAttributes(nullptr),
      m_dwCreationDistribution(win32::OPEN_EXISTING),
      m_dwFlagsAndAttributes(win32::FILE_ATTRIBUTE_NORMAL),
      m_hTemplateFile(nullptr),
      m_hMemory(nullptr),
      m_nBufPos(0),
      m_nBufStart(0),
      m_nBufValid(0),
      m_nBufSize(65534),
      m_dwFileSize(0),
      m_pBuffer(nullptr),
      m_nSavedPos(0),
      m_nSavedStart(0),
      m_bRelocated(0),
      m_bDirty(0),
      m_nHighWater(0) {}

CTWFile32::~CTWFile32() {
    CloseFile();
    twfile::status::PassOn(__LINE__);
    // The buffer and the message text go even when an error is pending (a
    // failed close, or any earlier error not yet cleared): nothing else
    // would ever free them.
    ReleaseMemory();
    twfile::status::PassOn(__LINE__);
    if (m_lpMsgBuf != nullptr) {
        win32::LocalFree(m_lpMsgBuf);
        m_lpMsgBuf = nullptr;
    }
    if (CTWError::m_nError != 0) CTWError::ShowError(TW_SOURCE);
    CTWError::Clear();
}

int CTWFile32::SetFileName(const char* name) {
    try {
        m_strFileName = name;
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return 0;
}

int CTWFile32::SetDesiredAccess(unsigned long access) {
    m_dwDesiredAccess = static_cast<win32::DWORD>(access);
    return 0;
}

int CTWFile32::SetShareMode(unsigned long shareMode) {
    m_dwShareMode = static_cast<win32::DWORD>(shareMode);
    return 0;
}

int CTWFile32::SetCreationDistribution(unsigned long disposition) {
    m_dwCreationDistribution = static_cast<win32::DWORD>(disposition);
    return 0;
}

int CTWFile32::SetFlagsAndAttributes(unsigned long flags) {
    m_dwFlagsAndAttributes = static_cast<win32::DWORD>(flags);
    return 0;
}

int CTWFile32::SetSecurityAttributes(win32::SECURITY_ATTRIBUTES* attributes) {
    m_lpSecurityAttributes = attributes;
    return 0;
}

int CTWFile32::SetTemplateFile(void* templateFile) {
    m_hTemplateFile = templateFile;
    return 0;
}

const char* CTWFile32::GetFileName() const {
    return m_strFileName.GetString();
}

int CTWFile32::IsFileOpen() const {
    return m_hFile != win32::INVALID_HANDLE_VALUE ? 1 : 0;
}

int CTWFile32::CreateFileA() {
    TW_RETURN_IF_ERROR(CloseFile());
    // The new file starts at offset 0 with nothing loaded, also after reads
    // or writes made while no file was open (after an open that failed).
    m_nBufPos = 0;
    m_nBufStart = 0;
    m_nBufValid = 0;
    m_dwFileSize = 0;
    m_hFile = win32::CreateFileA(m_strFileName.GetString(), m_dwDesiredAccess, m_dwShareMode,
                                 m_lpSecurityAttributes, m_dwCreationDistribution,
                                 m_dwFlagsAndAttributes, m_hTemplateFile);
    // A failed open is shown to the user and not raised: the caller tests
    // IsFileOpen. Only a missing system text raises, and stops GetMemory.
    m_dwOpenError = 0;
    if (m_hFile == win32::INVALID_HANDLE_VALUE) {
        m_dwOpenError = win32::GetLastError();
        ShowError();
    }
    TW_RETURN_IF_ERROR(GetMemory());
    return TW_EXIT();
}

int CTWFile32::CreateFileTemp(const char* name) {
    const char* text = name != nullptr ? name : "";
    const char* backslash = std::strrchr(text, '\\');
    const char* slash = std::strrchr(text, '/');
    const char* cut = backslash > slash ? backslash : slash;
    const char* prefix = cut != nullptr ? cut + 1 : text;
    char* path = win32::_tempnam(nullptr, prefix);
    if (path == nullptr) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }
    SetFileName(path);
    std::free(path);
    TW_RETURN_IF_PENDING();
    m_dwDesiredAccess = win32::GENERIC_READ | win32::GENERIC_WRITE;
    m_dwShareMode = win32::FILE_SHARE_READ;
    m_dwCreationDistribution = win32::OPEN_ALWAYS;
    TW_RETURN_IF_ERROR(CreateFileA());
    return TW_EXIT();
}

// A failed close still leaves the file closed: the system has released the
// handle either way, and closing it again could close another file that
// reused its number.
int CTWFile32::CloseFile() {
    if (m_hFile != win32::INVALID_HANDLE_VALUE) {
        const bool closed = win32::CloseHandle(m_hFile) != 0;
        m_hFile = win32::INVALID_HANDLE_VALUE;
        m_nBufPos = 0;
        m_nBufStart = 0;
        m_nBufValid = 0;
        m_dwFileSize = 0;
        if (!closed) return TW_RAISE(kFileError, kErrorClosing);
    }
    return TW_EXIT();
}

int CTWFile32::Reset() {
    if (m_hFile != win32::INVALID_HANDLE_VALUE) return TW_RAISE(kFileError, kResetWhileOpen);
    m_strFileName.Empty();
    m_dwOpenError = 0;
    m_hFile = win32::INVALID_HANDLE_VALUE;
    m_nBufPos = 0;
    m_nBufStart = 0;
    m_nBufValid = 0;
    m_dwFileSize = 0;
    return TW_EXIT();
}

int CTWFile32::GetFileSize() {
    if (m_hFile == win32::INVALID_HANDLE_VALUE) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    win32::DWORD high = 0;
    const win32::DWORD size = win32::GetFileSize(m_hFile, &high);
    if (size == win32::INVALID_FILE_SIZE)
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    if (high != 0 || size > static_cast<win32::DWORD>(kMaxOffset)) {
        return TW_RAISE(kFileError, kFileTooLarge);
    }
    m_dwFileSize = size;
    return TW_EXIT();
}

int CTWFile32::SetFilePointer(long offset, unsigned long method) {
    if (m_hFile == win32::INVALID_HANDLE_VALUE) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    if (offset < -kMaxOffset - 1 || offset > kMaxOffset) {
        return TW_RAISE(kFileError, kFileTooLarge);
    }
    const win32::DWORD result = win32::SetFilePointer(m_hFile, static_cast<win32::LONG>(offset),
                                                      nullptr, static_cast<win32::DWORD>(method));
    if (result == win32::INVALID_SET_FILE_POINTER) {
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }
    return TW_EXIT();
}

int CTWFile32::GetMemory() {
    TW_RETURN_IF_ERROR(ReleaseMemory());
    while (m_hMemory == nullptr && m_nBufSize >= 1) {
        m_hMemory = win32::GlobalAlloc(win32::GHND, static_cast<win32::SIZE_T>(m_nBufSize));
        if (m_hMemory == nullptr) m_nBufSize /= 2;
    }
    if (m_hMemory == nullptr) return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    m_pBuffer = static_cast<unsigned char*>(win32::GlobalLock(m_hMemory));
    if (m_pBuffer == nullptr) {
        ReleaseMemory();
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    m_nBufValid = 0;
    return TW_EXIT();
}

int CTWFile32::ReleaseMemory() {
    if (m_pBuffer != nullptr) {
        win32::GlobalUnlock(m_hMemory);
        m_pBuffer = nullptr;
    }
    if (m_hMemory != nullptr) {
        win32::GlobalFree(m_hMemory);
        m_hMemory = nullptr;
    }
    return TW_EXIT();
}

int CTWFile32::ShowError() {
    if (m_lpMsgBuf != nullptr) {
        win32::LocalFree(m_lpMsgBuf);
        m_lpMsgBuf = nullptr;
    }
    const win32::DWORD length = win32::FormatMessageA(
        win32::FORMAT_MESSAGE_ALLOCATE_BUFFER | win32::FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        win32::GetLastError(), win32::LANG_USER_DEFAULT, reinterpret_cast<char*>(&m_lpMsgBuf), 0,
        nullptr);
    if (length == 0 || m_lpMsgBuf == nullptr) {
        m_lpMsgBuf = nullptr;
        return TW_RAISE(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected);
    }
    AfxMessageBox(m_lpMsgBuf, MB_OK, 0);
    win32::LocalFree(m_lpMsgBuf);
    m_lpMsgBuf = nullptr;
    return TW_EXIT();
}
