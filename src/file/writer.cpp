// Buffered writing: typed values, texts and lines appended to the buffer,
// and the buffer written to the file when an item does not fit or the caller
// asks.
#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include "platform/file_calls.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "file/encoding.h"
#include "file/messages.h"
#include "file/reason.h"

#define TW_SOURCE "twfile32"

using namespace twfile::file;

namespace {

std::size_t TextLength(const char* text) {
    return text != nullptr ? std::strlen(text) : 0;
}

bool FitsInt32(long value) {
    return value >= INT32_MIN && value <= INT32_MAX;
}

}  // namespace

int CTWFile32::CheckOutput(unsigned long long count) {
    if (m_pBuffer == nullptr)
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    const unsigned long long here =
        static_cast<unsigned long long>(m_nBufStart) + static_cast<unsigned long long>(m_nBufPos);
    if (count > static_cast<unsigned long long>(kMaxOffset) - here) {
        return TW_RAISE(kFileError, kFileTooLarge);
    }
    return TW_EXIT();
}

int CTWFile32::BeginItem(unsigned long long need) {
    TW_RETURN_IF_ERROR(CheckOutput(need));
    if (static_cast<unsigned long long>(m_nBufSize - m_nBufPos) < need)
        TW_RETURN_IF_ERROR(WriteFile());
    return TW_EXIT();
}

int CTWFile32::Put(const void* data, std::size_t count) {
    const unsigned char* from = static_cast<const unsigned char*>(data);
    while (count > 0) {
        if (m_nBufPos >= m_nBufSize) TW_RETURN_IF_ERROR(WriteFile());
        const std::size_t piece = std::min(count, static_cast<std::size_t>(m_nBufSize - m_nBufPos));
        std::memcpy(m_pBuffer + m_nBufPos, from, piece);
        m_nBufPos += static_cast<int>(piece);
        from += piece;
        count -= piece;
    }
    return TW_EXIT();
}

int CTWFile32::WriteFixed(std::uint32_t bits) {
    unsigned char bytes[4];
    StoreLE32(bytes, bits);
    TW_RETURN_IF_ERROR(BeginItem(sizeof bytes));
    TW_RETURN_IF_ERROR(Put(bytes, sizeof bytes));
    return TW_EXIT();
}

int CTWFile32::WriteFixed(std::uint64_t bits) {
    unsigned char bytes[8];
    StoreLE64(bytes, bits);
    TW_RETURN_IF_ERROR(BeginItem(sizeof bytes));
    TW_RETURN_IF_ERROR(Put(bytes, sizeof bytes));
    return TW_EXIT();
}

int CTWFile32::Write(long value) {
    if (!FitsInt32(value)) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    TW_RETURN_IF_ERROR(Write(static_cast<int>(value)));
    return TW_EXIT();
}

int CTWFile32::Write(const char* text) {
    if (text == nullptr) {
        TW_RETURN_IF_ERROR(BeginItem(0));
        return TW_EXIT();
    }
    const std::size_t length = std::strlen(text);
    TW_RETURN_IF_ERROR(BeginItem(length + 1));
    TW_RETURN_IF_ERROR(Put(text, length + 1));
    return TW_EXIT();
}

int CTWFile32::WriteNull() {
    static const char nul = '\0';
    TW_RETURN_IF_ERROR(BeginItem(1));
    TW_RETURN_IF_ERROR(Put(&nul, 1));
    return TW_EXIT();
}

int CTWFile32::WriteBLOB(char* data, long count) {
    if (count > 0 && data == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    // A block goes in as room allows: it never waits for room for the whole
    // of it, and the buffer is written out each time it is full.
    TW_RETURN_IF_ERROR(CheckOutput(count > 0 ? static_cast<unsigned long long>(count) : 0));
    if (count > 0) TW_RETURN_IF_ERROR(Put(data, static_cast<std::size_t>(count)));
    return TW_EXIT();
}

int CTWFile32::WriteField(char* text, int bEndOfLine) {
    static const char tab[] = "\t";
    static const char crlf[] = "\r\n";
    const std::size_t length = TextLength(text);
    const std::size_t endLength = bEndOfLine ? 2 : 1;
    TW_RETURN_IF_ERROR(BeginItem(length + endLength));
    TW_RETURN_IF_ERROR(Put(text, length));
    TW_RETURN_IF_ERROR(Put(bEndOfLine ? crlf : tab, endLength));
    return TW_EXIT();
}

int CTWFile32::WriteLine(const char* text) {
    static const char crlf[] = "\r\n";
    const std::size_t length = TextLength(text);
    // A line that fits in the room left goes straight in; BeginItem and Put
    // would do the same.
    if (HasRoomFor(length + 2)) {
        unsigned char* to = m_pBuffer + m_nBufPos;
        if (length > 0) std::memcpy(to, text, length);
        to[length] = '\r';
        to[length + 1] = '\n';
        m_nBufPos += static_cast<int>(length + 2);
        return TW_EXIT();
    }
    TW_RETURN_IF_ERROR(BeginItem(length + 2));
    TW_RETURN_IF_ERROR(Put(text, length));
    TW_RETURN_IF_ERROR(Put(crlf, 2));
    return TW_EXIT();
}

int CTWFile32::WriteText(const char* text) {
    const std::size_t length = TextLength(text);
    TW_RETURN_IF_ERROR(BeginItem(length));
    TW_RETURN_IF_ERROR(Put(text, length));
    return TW_EXIT();
}

int CTWFile32::WriteText(long value) {
    if (!FitsInt32(value)) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    char digits[12];  // "-2147483648" and its NUL
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
    TW_RETURN_IF_ERROR(WriteText(digits));
    return TW_EXIT();
}

int CTWFile32::WriteLen(char* text) {
    static const char nul = '\0';
    const std::size_t length = TextLength(text);
    if (length >= static_cast<std::size_t>(INT32_MAX)) return TW_RAISE(kFileError, kFileTooLarge);
    unsigned char prefix[4];
    StoreLE32(prefix, static_cast<std::uint32_t>(length + 1));
    TW_RETURN_IF_ERROR(BeginItem(length + 5));
    TW_RETURN_IF_ERROR(Put(prefix, sizeof prefix));
    TW_RETURN_IF_ERROR(Put(text, length));
    TW_RETURN_IF_ERROR(Put(&nul, 1));
    return TW_EXIT();
}

int CTWFile32::WriteFile() {
    if (m_pCapture != nullptr) {
        TW_RETURN_IF_ERROR(KeepOutput());
    } else {
        TW_RETURN_IF_ERROR(SetEndOfFile(static_cast<long>(m_nBufStart) + m_nBufPos));
        TW_RETURN_IF_ERROR(SetFilePointer(m_nBufStart, win32::FILE_BEGIN));
        if (m_nBufPos != 0) TW_RETURN_IF_ERROR(DoWrite(static_cast<unsigned long>(m_nBufPos)));
    }
    m_nBufStart += m_nBufPos;
    m_nBufPos = 0;
    // The file now ends at m_nBufStart: no byte of it is loaded any more.
    m_nBufValid = 0;
    return TW_EXIT();
}

int CTWFile32::Flush() {
    TW_RETURN_IF_ERROR(WriteFile());
    TW_RETURN_IF_ERROR(CloseFile());
    return TW_EXIT();
}

int CTWFile32::SetEndOfFile(long offset) {
    if (m_hFile == win32::INVALID_HANDLE_VALUE) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    TW_RETURN_IF_ERROR(SetFilePointer(offset, win32::FILE_BEGIN));
    if (!win32::SetEndOfFile(m_hFile)) {
        // The user sees the system's reason; the caller gets the file
        // object's own error.
        ShowError();
        return TW_RAISE(kFileError, kErrorLocating);
    }
    return TW_EXIT();
}

int CTWFile32::DoWrite(unsigned long count) {
    if (m_hFile == win32::INVALID_HANDLE_VALUE || m_pBuffer == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    if (count > static_cast<unsigned long>(m_nBufSize)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    win32::DWORD written = 0;
    const win32::BOOL ok =
        win32::WriteFile(m_hFile, m_pBuffer, static_cast<win32::DWORD>(count), &written, nullptr);
    if (!ok || written != count) return TW_RAISE(kFileError, ReasonText(kErrorWriting).c_str());
    return TW_EXIT();
}
