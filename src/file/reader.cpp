// Buffered reading: the refill, typed values, texts, lines and fields taken
// from the buffer, skips, views of the buffer and positioning.
//
// A refill inside a primitive keeps the unread bytes: the buffer is reloaded
// from the current point, so an item that crosses the end of the loaded bytes
// lies whole in the buffer afterwards. Texts, lines and fields are scanned
// across as many refills as they need.
#include <twfile/file/file32.h>
#include <twfile/framework/memory_exception.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include "platform/file_calls.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "file/encoding.h"
#include "file/messages.h"

#define TW_SOURCE "twfile32"

using namespace twfile::file;

// Where a scanned text goes: a character array of max bytes and a NUL, a
// string, or nowhere (a skip).
class CTWFile32::TextSink {
  public:
    static TextSink Array(char* target, int max) { return TextSink(target, max, nullptr); }
    static TextSink String(CString* text) {
        text->Truncate(0);
        return TextSink(nullptr, INT_MAX, text);
    }
    static TextSink Nowhere() { return TextSink(nullptr, INT_MAX, nullptr); }

    // The number of bytes the sink still accepts.
    int Room() const { return m_nMax - m_nCount; }
    // Only the character-array form takes an LF directly after a TAB as the
    // end of the line.
    bool TabLfEndsLine() const { return m_pTarget != nullptr; }

    // Takes count bytes (at most Room()); false when a string cannot grow.
    bool Take(const unsigned char* from, int count) {
        if (m_pTarget != nullptr) {
            std::memcpy(m_pTarget + m_nCount, from, static_cast<std::size_t>(count));
        } else if (m_pText != nullptr) {
            try {
                m_pText->Append(reinterpret_cast<const char*>(from), count);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        m_nCount += count;
        return true;
    }
    // Ends the text in a character array.
    void Finish() {
        if (m_pTarget != nullptr) m_pTarget[m_nCount] = '\0';
    }

  private:
    TextSink(char* target, int max, CString* text)
        : m_pTarget(target), m_pText(text), m_nMax(max), m_nCount(0) {}

    char* m_pTarget;
    CString* m_pText;
    int m_nMax;
    int m_nCount;
};

namespace {

const unsigned char kCR = '\r';

}  // namespace

int CTWFile32::ReadFile(int& eof) {
    eof = 0;
    TW_RETURN_IF_ERROR(GetFileSize());
    const long long from = static_cast<long long>(m_nBufStart) + m_nBufValid;
    if (static_cast<long long>(m_dwFileSize) <= from) {
        eof = 1;
        return TW_EXIT();
    }
    // The window moves to from before the load, so that a failed load leaves
    // nothing loaded and the current point at from.
    m_nBufStart = static_cast<int>(from);
    m_nBufValid = 0;
    m_nBufPos = 0;
    if (m_pBuffer == nullptr) TW_RETURN_IF_ERROR(GetMemory());
    TW_RETURN_IF_ERROR(SetFilePointer(m_nBufStart, win32::FILE_BEGIN));
    const int count = static_cast<int>(
        std::min<long long>(m_dwFileSize - from, static_cast<long long>(m_nBufSize)));
    TW_RETURN_IF_ERROR(DoRead(static_cast<unsigned long>(count)));
    m_nBufValid = count;
    return TW_EXIT();
}

int CTWFile32::DoRead(unsigned long count) {
    if (m_hFile == win32::INVALID_HANDLE_VALUE || m_pBuffer == nullptr) {
        return TW_RAISE(ID_TWErrors_InvalidContext, IDS_TWErrors_InvalidContext);
    }
    if (count > static_cast<unsigned long>(m_nBufSize)) {
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    }
    win32::DWORD read = 0;
    const win32::BOOL ok =
        win32::ReadFile(m_hFile, m_pBuffer, static_cast<win32::DWORD>(count), &read, nullptr);
    if (!ok || read != count) return TW_RAISE(kFileError, kErrorReading);
    return TW_EXIT();
}

int CTWFile32::Refill(long long need, int& eof) {
    eof = 0;
    if (Unread() < need) {
        m_nBufValid = m_nBufPos;
        TW_RETURN_IF_ERROR(ReadFile(eof));
    }
    return TW_EXIT();
}

bool CTWFile32::LoadedToEnd() const {
    return static_cast<long long>(m_nBufStart) + m_nBufValid >=
           static_cast<long long>(m_dwFileSize);
}

void CTWFile32::MoveBackTo(long long offset) {
    if (offset >= m_nBufStart && offset <= static_cast<long long>(m_nBufStart) + m_nBufValid) {
        m_nBufPos = static_cast<int>(offset - m_nBufStart);
    } else {
        m_nBufStart = static_cast<int>(offset);
        m_nBufValid = 0;
        m_nBufPos = 0;
    }
}

int CTWFile32::NeedFixed(int width, int& eof) {
    TW_RETURN_IF_ERROR(Refill(width, eof));
    if (eof == 0 && Unread() < width) {
        // The value is cut short by the end of the file: nothing is taken.
        if (LoadedToEnd()) {
            eof = 1;
            return TW_EXIT();
        }
        // Only a buffer smaller than the value gets here.
        return TW_RAISE(kFileError, kErrorReading);
    }
    return TW_EXIT();
}

int CTWFile32::Read(int& value, int& eof) {
    TW_RETURN_IF_ERROR(NeedFixed(4, eof));
    if (eof == 0) {
        value = static_cast<std::int32_t>(LoadLE32(m_pBuffer + m_nBufPos));
        m_nBufPos += 4;
    }
    return TW_EXIT();
}

// A long is stored as 32 bits, as an int is.
int CTWFile32::Read(long& value, int& eof) {
    int stored = 0;
    TW_RETURN_IF_ERROR(Read(stored, eof));
    if (eof == 0) value = stored;
    return TW_EXIT();
}

int CTWFile32::Read(float& value, int& eof) {
    TW_RETURN_IF_ERROR(NeedFixed(4, eof));
    if (eof == 0) {
        const std::uint32_t bits = LoadLE32(m_pBuffer + m_nBufPos);
        std::memcpy(&value, &bits, sizeof value);
        m_nBufPos += 4;
    }
    return TW_EXIT();
}

int CTWFile32::Read(double& value, int& eof) {
    TW_RETURN_IF_ERROR(NeedFixed(8, eof));
    if (eof == 0) {
        const std::uint64_t bits = LoadLE64(m_pBuffer + m_nBufPos);
        std::memcpy(&value, &bits, sizeof value);
        m_nBufPos += 8;
    }
    return TW_EXIT();
}

int CTWFile32::SkipInt(int& eof) {
    TW_RETURN_IF_ERROR(NeedFixed(4, eof));
    if (eof == 0) m_nBufPos += 4;
    return TW_EXIT();
}

int CTWFile32::SkipLong(int& eof) {
    TW_RETURN(SkipInt(eof));
}

int CTWFile32::Read(char* target, int max, int& eof) {
    eof = 0;
    if (target == nullptr || max < 0)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    // Refill only when the text's NUL is not among the unread bytes already:
    // a large max must not cost a system read per text.
    const long long span = static_cast<long long>(max) + 1;
    if (m_pBuffer == nullptr ||
        std::memchr(m_pBuffer + m_nBufPos, 0,
                    static_cast<std::size_t>(std::min<long long>(Unread(), span))) == nullptr) {
        TW_RETURN_IF_ERROR(Refill(span, eof));
        if (eof != 0) return TW_EXIT();
    }
    const unsigned char* from = m_pBuffer + m_nBufPos;
    const int unread = Unread();
    const int limit =
        static_cast<int>(std::min<long long>(unread, static_cast<long long>(max) + 1));
    const void* nul = std::memchr(from, 0, static_cast<std::size_t>(limit));
    if (nul != nullptr) {
        const int length = static_cast<int>(static_cast<const unsigned char*>(nul) - from);
        std::memcpy(target, from, static_cast<std::size_t>(length) + 1);
        m_nBufPos += length + 1;
        return TW_EXIT();
    }
    if (unread > max) return TW_RAISE(kFileError, kTargetTooSmall);
    if (LoadedToEnd()) {
        // The file ends inside the text: nothing is taken.
        eof = 1;
        return TW_EXIT();
    }
    // The text is longer than the buffer can hold.
    return TW_RAISE(kFileError, kErrorReading);
}

int CTWFile32::Read(CString* text, int& eof) {
    eof = 0;
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    TextSink sink = TextSink::String(text);
    int bEndOfLine = 0;
    TW_RETURN_IF_ERROR(ScanText(sink, TextEnd::Nul, bEndOfLine, eof));
    return TW_EXIT();
}

int CTWFile32::ReadLen(char* target, int max, int& eof) {
    eof = 0;
    if (target == nullptr || max < 0)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const long long itemStart = static_cast<long long>(m_nBufStart) + m_nBufPos;
    int length = 0;
    TW_RETURN_IF_ERROR(Read(length, eof));
    if (eof != 0) return TW_EXIT();
    // The stored length counts the NUL, so it is 1 at least.
    if (length < 1) return TW_RAISE(kFileError, kErrorReading);
    if (length - 1 > max) return TW_RAISE(kFileError, kTargetTooSmall);
    TW_RETURN_IF_ERROR(Refill(length, eof));
    if (eof != 0 || Unread() < length) {
        if (eof == 0 && !LoadedToEnd()) {
            // The text is longer than the buffer can hold.
            return TW_RAISE(kFileError, kErrorReading);
        }
        // The file ends inside the text: nothing is taken, not even the
        // length.
        MoveBackTo(itemStart);
        eof = 1;
        return TW_EXIT();
    }
    std::memcpy(target, m_pBuffer + m_nBufPos, static_cast<std::size_t>(length));
    // The stored text ends in its NUL; the target does so in any case.
    target[length - 1] = '\0';
    m_nBufPos += length;
    return TW_EXIT();
}

int CTWFile32::ReadLen(CString* text, int& eof) {
    eof = 0;
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const long long itemStart = static_cast<long long>(m_nBufStart) + m_nBufPos;
    TW_RETURN_IF_ERROR(SkipInt(eof));
    if (eof != 0) return TW_EXIT();
    // The text goes to the caller's string only once it is complete: a text
    // cut short by the end of the file consumes nothing, not even its length.
    CString complete;
    TW_RETURN_IF_ERROR(Read(&complete, eof));
    if (eof != 0) {
        MoveBackTo(itemStart);
        return TW_EXIT();
    }
    *text = std::move(complete);
    return TW_EXIT();
}

int CTWFile32::ScanText(TextSink& sink, TextEnd end, int& bEndOfLine, int& eof) {
    eof = 0;
    // A CR that was the last loaded byte: whether it ends the line depends on
    // the first byte of the next refill.
    bool pendingCR = false;
    for (;;) {
        if (Unread() <= 0) {
            sink.Finish();
            TW_RETURN_IF_ERROR(Refill(1, eof));
            if (eof != 0) {
                if (pendingCR && sink.Room() > 0 && !sink.Take(&kCR, 1)) {
                    return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
                }
                sink.Finish();
                return TW_EXIT();
            }
        }
        const unsigned char* from = m_pBuffer + m_nBufPos;
        const int unread = Unread();
        if (pendingCR) {
            pendingCR = false;
            if (*from == '\n') {
                ++m_nBufPos;
                bEndOfLine = 1;
                break;
            }
            // The CR was an ordinary byte of the text.
            if (sink.Room() < 1) {
                MoveBackTo(static_cast<long long>(m_nBufStart) + m_nBufPos - 1);
                sink.Finish();
                return TW_RAISE(kFileError, kTargetTooSmall);
            }
            if (!sink.Take(&kCR, 1))
                return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
            continue;
        }
        const unsigned char* mark;
        if (end == TextEnd::Nul) {
            mark = static_cast<const unsigned char*>(std::memchr(from, 0, unread));
        } else if (end == TextEnd::Line) {
            mark = static_cast<const unsigned char*>(std::memchr(from, kCR, unread));
        } else {
            // One pass for the first TAB or CR: two searches to the end of
            // the buffer would look at a long line again for every field.
            const unsigned char* const stop = from + unread;
            const unsigned char* p = from;
            while (p < stop && *p != '\t' && *p != kCR)
                ++p;
            mark = p < stop ? p : nullptr;
        }
        const int length = mark != nullptr ? static_cast<int>(mark - from) : unread;
        if (length > sink.Room()) {
            // Fill the target; the current point stays on the first byte
            // that does not fit.
            const int room = sink.Room();
            sink.Take(from, room);
            m_nBufPos += room;
            sink.Finish();
            return TW_RAISE(kFileError, kTargetTooSmall);
        }
        if (!sink.Take(from, length))
            return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
        m_nBufPos += length;
        if (mark == nullptr) continue;
        ++m_nBufPos;
        if (*mark == '\0') break;
        if (*mark == '\t') {
            bEndOfLine = 0;
            if (sink.TabLfEndsLine()) {
                sink.Finish();
                TW_RETURN_IF_ERROR(Refill(1, eof));
                // The field ended at its TAB whatever follows.
                eof = 0;
                if (Unread() > 0 && m_pBuffer[m_nBufPos] == '\n') {
                    ++m_nBufPos;
                    bEndOfLine = 1;
                }
            }
            break;
        }
        // A CR: the line ends when an LF follows.
        if (Unread() == 0) {
            pendingCR = true;
        } else if (m_pBuffer[m_nBufPos] == '\n') {
            ++m_nBufPos;
            bEndOfLine = 1;
            break;
        } else {
            if (sink.Room() < 1) {
                --m_nBufPos;
                sink.Finish();
                return TW_RAISE(kFileError, kTargetTooSmall);
            }
            if (!sink.Take(&kCR, 1))
                return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
        }
    }
    sink.Finish();
    return TW_EXIT();
}

int CTWFile32::BufferedLineLength() const {
    if (m_pBuffer == nullptr || CTWError::m_nError < 0 || Unread() < 2) return -1;
    const unsigned char* from = m_pBuffer + m_nBufPos;
    // The CR must have its LF after it among the unread bytes.
    const void* cr = std::memchr(from, kCR, static_cast<std::size_t>(Unread() - 1));
    if (cr == nullptr) return -1;
    const int length = static_cast<int>(static_cast<const unsigned char*>(cr) - from);
    return from[length + 1] == '\n' ? length : -1;
}

int CTWFile32::ReadLine(char* target, int max, int& eof) {
    eof = 0;
    if (target == nullptr || max < 0)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const int length = BufferedLineLength();
    if (length >= 0 && length <= max) {
        std::memcpy(target, m_pBuffer + m_nBufPos, static_cast<std::size_t>(length));
        target[length] = '\0';
        m_nBufPos += length + 2;
        return 0;
    }
    TextSink sink = TextSink::Array(target, max);
    int bEndOfLine = 0;
    TW_RETURN_IF_ERROR(ScanText(sink, TextEnd::Line, bEndOfLine, eof));
    return TW_EXIT();
}

int CTWFile32::ReadLine(CString* text, int& eof) {
    eof = 0;
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const int length = BufferedLineLength();
    if (length >= 0) {
        text->Truncate(0);
        try {
            text->Append(reinterpret_cast<const char*>(m_pBuffer + m_nBufPos), length);
        } catch (const std::bad_alloc&) {
            return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
        }
        m_nBufPos += length + 2;
        return 0;
    }
    TextSink sink = TextSink::String(text);
    int bEndOfLine = 0;
    TW_RETURN_IF_ERROR(ScanText(sink, TextEnd::Line, bEndOfLine, eof));
    return TW_EXIT();
}

int CTWFile32::ReadField(char* target, int max, int& bEndOfLine, int& eof) {
    eof = 0;
    if (target == nullptr || max < 0)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    TextSink sink = TextSink::Array(target, max);
    int end = bEndOfLine;
    TW_RETURN_IF_ERROR(ScanText(sink, TextEnd::Field, end, eof));
    if (eof == 0) bEndOfLine = end;
    return TW_EXIT();
}

int CTWFile32::ReadField(CString* text, int& bEndOfLine, int& eof) {
    eof = 0;
    if (text == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    TextSink sink = TextSink::String(text);
    int end = bEndOfLine;
    TW_RETURN_IF_ERROR(ScanText(sink, TextEnd::Field, end, eof));
    if (eof == 0) bEndOfLine = end;
    return TW_EXIT();
}

int CTWFile32::SkipString(int& eof) {
    TextSink sink = TextSink::Nowhere();
    int bEndOfLine = 0;
    TW_RETURN_IF_ERROR(ScanText(sink, TextEnd::Nul, bEndOfLine, eof));
    return TW_EXIT();
}

int CTWFile32::ReadBytes(char* target, int max, int& count, int& eof) {
    eof = 0;
    count = 0;
    if (target == nullptr || max < 0)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    while (count < max) {
        if (Unread() <= 0) {
            target[count] = '\0';
            TW_RETURN_IF_ERROR(Refill(1, eof));
            if (eof != 0) break;
        }
        const int piece = std::min(max - count, Unread());
        std::memcpy(target + count, m_pBuffer + m_nBufPos, static_cast<std::size_t>(piece));
        m_nBufPos += piece;
        count += piece;
    }
    target[count] = '\0';
    // End of file is reported only when no byte at all was read.
    if (count > 0) eof = 0;
    return TW_EXIT();
}

int CTWFile32::ReadBLOB(char*& data, long& count, int& eof) {
    TW_RETURN(ReadBLOB(data, count, 1, eof));
}

int CTWFile32::ReadBLOB(char*& data, long& count, int need, int& eof) {
    eof = 0;
    count = 0;
    TW_RETURN_IF_ERROR(Refill(std::max(need, 1), eof));
    if (eof == 0) {
        data = reinterpret_cast<char*>(m_pBuffer + m_nBufPos);
        count = Unread();
    }
    return TW_EXIT();
}

int CTWFile32::SkipBLOB(long count, int& eof) {
    eof = 0;
    if (count < 0) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    long left = count;
    while (left > Unread()) {
        const int unread = std::max(Unread(), 0);
        left -= unread;
        m_nBufPos += unread;
        TW_RETURN_IF_ERROR(Refill(1, eof));
        if (eof != 0) return TW_EXIT();
    }
    m_nBufPos += static_cast<int>(left);
    return TW_EXIT();
}

int CTWFile32::Ensure(int count, int& eof, int& bShort) {
    eof = 0;
    bShort = 0;
    TW_RETURN_IF_ERROR(Refill(count, eof));
    if (eof == 0 && Unread() < count) bShort = 1;
    return TW_EXIT();
}

int CTWFile32::Locate(long offset) {
    if (offset < 0 || offset > kMaxOffset) return TW_RAISE(kFileError, kErrorLocating);
    if (offset >= m_nBufStart && offset < static_cast<long>(m_nBufStart) + m_nBufValid) {
        m_nBufPos = static_cast<int>(offset - m_nBufStart);
        return TW_EXIT();
    }
    // Nothing is loaded at offset: the current point moves there even when
    // the load finds no byte.
    m_nBufStart = static_cast<int>(offset);
    m_nBufValid = 0;
    m_nBufPos = 0;
    int eof = 0;
    TW_RETURN_IF_ERROR(ReadFile(eof));
    if (eof != 0) return TW_RAISE(kFileError, kErrorLocating);
    return TW_EXIT();
}

int CTWFile32::GetCurLoc(long& offset) {
    offset = static_cast<long>(m_nBufStart) + m_nBufPos;
    return 0;
}

int CTWFile32::GetCurLoc(char*& data, long& room) {
    if (m_pBuffer == nullptr) {
        data = nullptr;
        room = 0;
        return 0;
    }
    data = reinterpret_cast<char*>(m_pBuffer + m_nBufPos);
    room = m_nBufSize - m_nBufPos;
    return 0;
}
