// Rewriting the open file in place, for where no new file can be made
// beside it. The old text is kept whole until the new one is known to fit:
// the new text is made in memory first, its space is reserved, and only
// then is the file overwritten, with readers kept out; the file is cut to
// the new length last. A kill or a power loss during the overwrite can
// still leave a mix of the two texts: only the replacing save is proof
// against that.
#include <twfile/file/file32.h>
#include <twfile/host/status.h>
#include "platform/file_calls.h"
#include "platform/last_error.h"
#include "platform/replace_calls.h"
#include "platform/rewrite_calls.h"

#include <new>
#include <string>

#include "file/messages.h"
#include "file/reason.h"
#include "platform/fault.h"

#define TW_SOURCE "twfile32"

using namespace twfile::file;

int CTWFile32::WriteInPlace(int (*write)(void* context), void* context) {
    m_dwAccessNotKept = 0;
    std::string text;
    int status = MakeText(write, context, text);
    if (status >= 0) status = OverwriteHeld(text);
    // Nothing stays loaded; the current point is the end of the new text,
    // or offset 0 after a failure.
    m_nBufStart = status >= 0 ? static_cast<int>(text.size()) : 0;
    m_nBufPos = 0;
    m_nBufValid = 0;
    if (status >= 0) m_dwFileSize = static_cast<win32::DWORD>(text.size());
    TW_RETURN_IF_ERROR(status);
    return TW_EXIT();
}

int CTWFile32::OverwriteHeld(const std::string& text) {
    if (!win32::HoldReadersOut(m_hFile, m_dwShareMode)) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    }
    const int status = Overwrite(text);
    // Readers are let in whether or not the rewrite succeeded; the release
    // changes nothing of the text, and the rewrite's reason stays.
    const win32::DWORD reason = win32::GetLastError();
    win32::LetReadersIn(m_hFile, m_dwShareMode);
    win32::SetLastError(reason);
    TW_RETURN_IF_ERROR(status);
    return TW_EXIT();
}

int CTWFile32::MakeText(int (*write)(void* context), void* context, std::string& text) {
    struct Capture {
        CTWFile32& file;
        ~Capture() { file.m_pCapture = nullptr; }
    } capture{*this};
    m_pCapture = &text;
    m_nBufStart = 0;
    m_nBufPos = 0;
    m_nBufValid = 0;
    if (m_pBuffer == nullptr) TW_RETURN_IF_ERROR(GetMemory());
    TW_RETURN_IF_ERROR(write(context));
    TW_RETURN_IF_ERROR(WriteFile());
    return TW_EXIT();
}

int CTWFile32::KeepOutput() {
    if (m_pBuffer == nullptr)
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    if (win32::fault::ShouldFail(win32::fault::Kind::String)) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    try {
        m_pCapture->append(reinterpret_cast<const char*>(m_pBuffer),
                           static_cast<std::size_t>(m_nBufPos));
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    return TW_EXIT();
}

int CTWFile32::Overwrite(const std::string& text) {
    const auto length = static_cast<win32::DWORD>(text.size());
    if (!win32::ReserveFileSpace(m_hFile, length)) {
        ShowError();
        TW_RETURN_IF_PENDING();
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    }
    // Every byte of the new text is in the file and on the disk before the
    // file is cut: a shorter text never leaves a cut old one behind.
    TW_RETURN_IF_ERROR(SetFilePointer(0, win32::FILE_BEGIN));
    win32::DWORD written = 0;
    if (!win32::WriteFile(m_hFile, text.data(), length, &written, nullptr) || written != length ||
        !win32::FlushFileBuffers(m_hFile)) {
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    }
    TW_RETURN_IF_ERROR(SetEndOfFile(static_cast<long>(length)));
    if (!win32::FlushFileBuffers(m_hFile))
        return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    return TW_EXIT();
}
