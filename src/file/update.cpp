// In-place update: overwriting regions already written with the same number
// of bytes, in the buffer or in the file, then carrying on at the point where
// writing stopped.
//
// Until the first region is taken to the file, the buffer holds the writer's
// output from m_nSavedStart. A region inside the loaded bytes and before the
// current point is simply overwritten there and goes to the file with the
// ordinary output. Any other region makes the buffer a window on the file:
// the output is written first (ending the file after it, as every flush
// does), and from then on m_bRelocated is 1, the buffer holds only file
// bytes and the bytes of the region, and each region is written back without
// moving the end of the file. PostPostUpdate reloads the saved window.
#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include "platform/file_calls.h"

#include <algorithm>

#include "file/messages.h"

#define TW_SOURCE "twfile32"

using namespace twfile::file;

int CTWFile32::PrePreUpdate() {
    m_nSavedPos = m_nBufPos;
    m_nSavedStart = m_nBufStart;
    m_nHighWater = 0;
    m_bRelocated = 0;
    m_bDirty = 0;
    return 0;
}

int CTWFile32::PreUpdate(long offset, long length) {
    if (offset < 0 || length < 0)
        return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    if (offset > kMaxOffset - length) return TW_RAISE(kFileError, kFileTooLarge);
    // A region is written in one piece into the buffer: a flush in the middle
    // of it would end the file there.
    if (length > m_nBufSize) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const long end = offset + length;
    if (offset >= m_nBufStart && end <= static_cast<long>(m_nBufStart) + m_nBufValid) {
        if (static_cast<long>(m_nBufStart) + m_nBufPos < end) {
            m_bDirty = 1;
        } else {
            m_nHighWater = std::max(m_nHighWater, m_nBufPos);
        }
        // In a window on the file every region goes back to the file.
        if (m_bRelocated != 0) m_bDirty = 1;
        m_nBufPos = static_cast<int>(offset - m_nBufStart);
    } else {
        if (m_bRelocated == 0) {
            // The buffer holds output: it goes to the file before the buffer
            // moves.
            m_nBufPos = std::max(m_nHighWater, m_nBufPos);
            TW_RETURN_IF_ERROR(WriteFile());
            m_bRelocated = 1;
        } else if (m_bDirty != 0) {
            // A region whose PostUpdate did not come: it is kept all the same.
            TW_RETURN_IF_ERROR(WriteBack(std::max(m_nHighWater, m_nBufPos)));
        }
        m_bDirty = 1;
        m_nBufStart = static_cast<int>(offset);
        m_nBufValid = 0;
        m_nBufPos = 0;
        m_nHighWater = 0;
        // A region at or beyond the end of the file is simply written there.
        int eof = 0;
        TW_RETURN_IF_ERROR(ReadFile(eof));
    }
    m_nHighWater = std::max(m_nHighWater, m_nBufPos);
    return TW_EXIT();
}

int CTWFile32::PostUpdate() {
    if (m_bDirty != 0) {
        m_nBufPos = std::max(m_nHighWater, m_nBufPos);
        TW_RETURN_IF_ERROR(WriteBack(m_nBufPos));
        // The buffer stays a window on the file, holding what the file holds.
        m_nBufValid = std::max(m_nBufValid, m_nBufPos);
        m_bDirty = 0;
        m_nHighWater = 0;
        m_bRelocated = 1;
    }
    return TW_EXIT();
}

int CTWFile32::PostPostUpdate() {
    if (m_bRelocated != 0) {
        m_nBufStart = m_nSavedStart;
        m_nBufValid = 0;
        m_nBufPos = 0;
        int eof = 0;
        TW_RETURN_IF_ERROR(ReadFile(eof));
        // The saved output went to the file; it must all come back.
        if (m_nBufValid < m_nSavedPos) return TW_RAISE(kFileError, kErrorReading);
    }
    m_nBufPos = m_nSavedPos;
    return TW_EXIT();
}

int CTWFile32::WriteBack(int count) {
    TW_RETURN_IF_ERROR(SetFilePointer(m_nBufStart, win32::FILE_BEGIN));
    if (count > 0) TW_RETURN_IF_ERROR(DoWrite(static_cast<unsigned long>(count)));
    return TW_EXIT();
}
