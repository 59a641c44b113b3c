// CTWFileStamp, and whether a path still names a file held open.
#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/file_stamp.h>
#include "platform/file_calls.h"
#include "platform/file_identity.h"
#include "platform/last_error.h"
#include "platform/memory.h"
#include "platform/replace_calls.h"

#include "query/file_stamp_calls.h"
#include "query/messages.h"

#define TW_SOURCE "TWFileQDF"

using namespace twfile::query;

namespace {

// The file at path opened for examining only: it keeps no holder out.
win32::HANDLE OpenToExamine(const char* path) {
    return win32::CreateFileA(path, win32::GENERIC_READ,
                              win32::FILE_SHARE_READ | win32::FILE_SHARE_WRITE, nullptr,
                              win32::OPEN_EXISTING, 0, nullptr);
}

// FNV-1a, 64 bits.
constexpr std::uint64_t kHashStart = 14695981039346656037ull;
constexpr std::uint64_t kHashPrime = 1099511628211ull;

// Shows the system's reason for the last failure, as the file object does.
void ShowSystemReason() {
    char* text = nullptr;
    const win32::DWORD length = win32::FormatMessageA(
        win32::FORMAT_MESSAGE_ALLOCATE_BUFFER | win32::FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        win32::GetLastError(), win32::LANG_USER_DEFAULT, reinterpret_cast<char*>(&text), 0,
        nullptr);
    if (length > 0 && text != nullptr) AfxMessageBox(text, MB_OK, 0);
    win32::LocalFree(text);
}

}  // namespace

namespace twfile {
namespace query {

int IsFileAtPath(win32::HANDLE file, const char* path) {
    win32::FileIdentity held{};
    if (!win32::GetFileIdentity(file, &held)) return -1;
    const win32::HANDLE named = OpenToExamine(path);
    if (named == win32::INVALID_HANDLE_VALUE)
        return win32::IsFileNotFound(win32::GetLastError()) ? 0 : -1;
    win32::FileIdentity now{};
    const bool known = win32::GetFileIdentity(named, &now) != 0;
    win32::CloseHandle(named);
    if (!known) return -1;
    return now.volume == held.volume && now.index == held.index ? 1 : 0;
}

}  // namespace query
}  // namespace twfile

int CTWFileStamp::Take(const char* path) {
    m_bTaken = 0;
    if (path == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    const win32::HANDLE file = OpenToExamine(path);
    if (file == win32::INVALID_HANDLE_VALUE) {
        ShowSystemReason();
        return TW_RAISE(kQdfError, kErrorExamining);
    }
    win32::FileIdentity identity{};
    bool read = win32::GetFileIdentity(file, &identity) != 0;
    std::uint64_t hash = kHashStart;
    std::uint64_t size = 0;
    unsigned char chunk[16384];
    for (win32::DWORD count = 1; read && count > 0;) {
        read = win32::ReadFile(file, chunk, sizeof chunk, &count, nullptr) != 0;
        for (win32::DWORD i = 0; read && i < count; ++i)
            hash = (hash ^ chunk[i]) * kHashPrime;
        size += count;
    }
    if (!read) ShowSystemReason();
    win32::CloseHandle(file);
    if (!read) return TW_RAISE(kQdfError, kErrorExamining);
    // The bytes read, rather than the size asked before, are the state kept.
    m_nSize = size;
    m_nModified = identity.modified;
    m_nHash = hash;
    m_bTaken = 1;
    return TW_EXIT();
}

int CTWFileStamp::Matches(const char* path, int& same) const {
    same = 0;
    if (path == nullptr) return TW_RAISE(ID_TWErrors_InvalidParam, IDS_TWErrors_InvalidParam);
    if (m_bTaken == 0) return TW_EXIT();
    if (win32::GetFileAttributesA(path) == win32::INVALID_FILE_ATTRIBUTES &&
        win32::IsFileNotFound(win32::GetLastError())) {
        return TW_EXIT();
    }
    CTWFileStamp now;
    TW_RETURN_IF_ERROR(now.Take(path));
    same = now == *this ? 1 : 0;
    return TW_EXIT();
}

bool CTWFileStamp::operator==(const CTWFileStamp& other) const {
    return m_bTaken == other.m_bTaken && m_nSize == other.m_nSize &&
           m_nModified == other.m_nModified && m_nHash == other.m_nHash;
}
