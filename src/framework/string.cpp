#include <twfile/framework/memory_exception.h>
#include <twfile/framework/string.h>
#include "framework/small_blocks.h"
#include "platform/fault.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

char g_emptyText[1] = {'\0'};

int CheckedLength(std::size_t length) {
    if (length >= static_cast<std::size_t>(INT_MAX)) throw CMemoryException();
    return static_cast<int>(length);
}

// Storage for capacity bytes and a NUL; capacity grows to the whole block.
char* AllocateText(int& capacity) {
    if (win32::fault::ShouldFail(win32::fault::Kind::String)) throw CMemoryException();
    std::size_t bytes = static_cast<std::size_t>(capacity) + 1;
    if (bytes <= twfile::kSmallBlockMax) bytes = (bytes + 7) / 8 * 8;
    char* data = static_cast<char*>(twfile::AllocateSmallBlock(bytes));
    if (data == nullptr) throw CMemoryException();
    capacity = static_cast<int>(bytes - 1);
    return data;
}

void FreeText(char* data, int capacity) {
    twfile::FreeSmallBlock(data, static_cast<std::size_t>(capacity) + 1);
}

}  // namespace

void* CString::operator new(std::size_t size) {
    void* object = twfile::AllocateSmallBlock(size);
    if (object == nullptr) throw CMemoryException();
    return object;
}

void* CString::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return twfile::AllocateSmallBlock(size);
}

void CString::operator delete(void* object, std::size_t size) noexcept {
    twfile::FreeSmallBlock(object, size);
}

void CString::operator delete(void* object, const std::nothrow_t&) noexcept {
    twfile::FreeSmallBlock(object, sizeof(CString));
}

CString::CString() noexcept : m_pchData(g_emptyText), m_nLength(0), m_nAlloc(0) {}

CString::CString(const char* text) : CString() {
    if (text != nullptr) Append(text, CheckedLength(std::strlen(text)));
}

CString::CString(const char* text, int length) : CString() {
    if (text != nullptr && length > 0) Append(text, length);
}

CString::CString(char ch, int repeat) : CString() {
    if (repeat > 0) {
        Reserve(repeat);
        std::memset(m_pchData, ch, static_cast<std::size_t>(repeat));
        m_nLength = repeat;
        m_pchData[m_nLength] = '\0';
    }
}

CString::CString(const CString& other) : CString() {
    if (other.m_nLength > 0) Append(other.m_pchData, other.m_nLength);
}

CString::CString(CString&& other) noexcept
    : m_pchData(other.m_pchData), m_nLength(other.m_nLength), m_nAlloc(other.m_nAlloc) {
    other.m_pchData = g_emptyText;
    other.m_nLength = 0;
    other.m_nAlloc = 0;
}

CString::~CString() {
    Empty();
}

CString& CString::operator=(const CString& other) {
    if (this != &other) {
        CString copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        Empty();
        std::swap(m_pchData, other.m_pchData);
        std::swap(m_nLength, other.m_nLength);
        std::swap(m_nAlloc, other.m_nAlloc);
    }
    return *this;
}

CString& CString::operator=(const char* text) {
    const int length = text != nullptr ? CheckedLength(std::strlen(text)) : 0;
    // text may point into this string's own storage: copy before freeing.
    if (length <= m_nAlloc) {
        if (length > 0) std::memmove(m_pchData, text, static_cast<std::size_t>(length));
        m_nLength = length;
        if (m_nAlloc > 0) m_pchData[m_nLength] = '\0';
        return *this;
    }
    CString copy(text);
    return *this = std::move(copy);
}

void CString::Empty() noexcept {
    if (m_nAlloc > 0) FreeText(m_pchData, m_nAlloc);
    m_pchData = g_emptyText;
    m_nLength = 0;
    m_nAlloc = 0;
}

void CString::Reserve(int capacity) {
    if (capacity <= m_nAlloc) return;
    // Grow by half again at least, so repeated appends stay linear.
    const long long grown = static_cast<long long>(m_nAlloc) + m_nAlloc / 2;
    int target =
        static_cast<int>(std::min<long long>(std::max<long long>(capacity, grown), INT_MAX - 1));
    char* data = AllocateText(target);
    std::memcpy(data, m_pchData, static_cast<std::size_t>(m_nLength) + 1);
    if (m_nAlloc > 0) FreeText(m_pchData, m_nAlloc);
    m_pchData = data;
    m_nAlloc = target;
}

void CString::Append(const char* text, int length) {
    if (text == nullptr || length <= 0) return;
    if (length > INT_MAX - 1 - m_nLength) throw CMemoryException();
    const int needed = m_nLength + length;
    if (needed > m_nAlloc) {
        // text may lie inside this string: keep the old storage until copied.
        const long long grown = static_cast<long long>(m_nAlloc) + m_nAlloc / 2;
        int target =
            static_cast<int>(std::min<long long>(std::max<long long>(needed, grown), INT_MAX - 1));
        char* data = AllocateText(target);
        std::memcpy(data, m_pchData, static_cast<std::size_t>(m_nLength));
        std::memcpy(data + m_nLength, text, static_cast<std::size_t>(length));
        if (m_nAlloc > 0) FreeText(m_pchData, m_nAlloc);
        m_pchData = data;
        m_nAlloc = target;
    } else {
        std::memmove(m_pchData + m_nLength, text, static_cast<std::size_t>(length));
    }
    m_nLength = needed;
    m_pchData[m_nLength] = '\0';
}

CString& CString::operator+=(const char* text) {
    if (text != nullptr) Append(text, CheckedLength(std::strlen(text)));
    return *this;
}

CString& CString::operator+=(const CString& other) {
    Append(other.m_pchData, other.m_nLength);
    return *this;
}

CString& CString::operator+=(char ch) {
    Append(&ch, 1);
    return *this;
}

void CString::Preallocate(int length) {
    if (length > 0) Reserve(length);
}

char* CString::GetBuffer(int minLength) {
    if (minLength > m_nAlloc) Reserve(minLength);
    if (m_nAlloc == 0) Reserve(1);
    return m_pchData;
}

void CString::ReleaseBuffer(int newLength) {
    if (m_nAlloc == 0) return;
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(m_pchData, static_cast<std::size_t>(m_nAlloc)));
    m_nLength = std::min(newLength, m_nAlloc);
    m_pchData[m_nLength] = '\0';
}

void CString::Truncate(int newLength) {
    if (newLength < 0) newLength = 0;
    if (newLength >= m_nLength) return;
    m_nLength = newLength;
    m_pchData[m_nLength] = '\0';
}

int CString::CompareBytes(const CString& other) const noexcept {
    const int common = std::min(m_nLength, other.m_nLength);
    const int c = std::memcmp(m_pchData, other.m_pchData, static_cast<std::size_t>(common));
    if (c != 0) return c;
    return m_nLength < other.m_nLength ? -1 : m_nLength > other.m_nLength ? 1 : 0;
}

int CString::Compare(const char* text) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pchData);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    return std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}

int CString::CompareNoCase(const char* text) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pchData);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    for (;; ++a, ++b) {
        const int ca = std::tolower(*a);
        const int cb = std::tolower(*b);
        if (ca != cb || ca == 0) return ca - cb;
    }
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start >= m_nLength) return -1;
    const void* hit =
        std::memchr(m_pchData + start, ch, static_cast<std::size_t>(m_nLength - start));
    return hit != nullptr ? static_cast<int>(static_cast<const char*>(hit) - m_pchData) : -1;
}

int CString::Find(const char* text, int start) const {
    if (text == nullptr || start < 0 || start > m_nLength) return -1;
    const char* hit = std::strstr(m_pchData + start, text);
    return hit != nullptr ? static_cast<int>(hit - m_pchData) : -1;
}

CString CString::Left(int count) const {
    return Mid(0, count);
}

CString CString::Mid(int first) const {
    return Mid(first, m_nLength - first);
}

CString CString::Mid(int first, int count) const {
    first = std::max(0, std::min(first, m_nLength));
    count = std::max(0, std::min(count, m_nLength - first));
    return CString(m_pchData + first, count);
}

CString operator+(const CString& a, const CString& b) {
    CString result;
    result.Preallocate(a.GetLength() + b.GetLength());
    result += a;
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    return a + CString(b);
}
