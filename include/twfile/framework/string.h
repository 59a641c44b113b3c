// A counted 8-bit character string with value semantics.
#ifndef TWFILE_FRAMEWORK_STRING_H
#define TWFILE_FRAMEWORK_STRING_H

#include <twfile/export.h>

#include <cstddef>
#include <new>

// The text is bytes: nothing is converted, and a string may hold any byte
// but NUL is where the C view of it ends. Allocation failures throw
// CMemoryException; an empty string allocates nothing. Lengths are ints, so a
// string holds at most INT_MAX - 1 bytes.
//
// Short texts, and the string objects made with new (a document's lists hold
// one per line), are kept in blocks without the heap's overhead per block.
class TWFILE_API CString {
  public:
    CString() noexcept;
    CString(const char* text);  // NOLINT: implicit like the framework's; null gives ""
    CString(const char* text, int length);
    CString(char ch, int repeat);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* object, std::size_t size) noexcept;
    static void operator delete(void* object, const std::nothrow_t&) noexcept;
    // Construction in place, which the class's own operator new would hide.
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void operator delete(void*, void*) noexcept {}

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);

    int GetLength() const noexcept { return m_nLength; }
    bool IsEmpty() const noexcept { return m_nLength == 0; }
    // Frees the storage; the string becomes empty.
    void Empty() noexcept;

    // Always NUL-terminated, never null.
    const char* GetString() const noexcept { return m_pchData; }
    operator const char*() const noexcept { return m_pchData; }  // NOLINT: as the framework's

    char GetAt(int index) const { return m_pchData[index]; }
    void SetAt(int index, char ch) { m_pchData[index] = ch; }

    CString& operator+=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(char ch);
    // Appends length bytes (which may include NULs) from text.
    void Append(const char* text, int length);

    // Makes room for length bytes without changing the text, so that a
    // string can be built by appending in linear time.
    void Preallocate(int length);
    // A writable buffer of at least minLength bytes plus a NUL, holding the
    // text; end the writes with ReleaseBuffer.
    char* GetBuffer(int minLength);
    // Sets the length to newLength, or to the text's length up to its first
    // NUL when newLength is -1.
    void ReleaseBuffer(int newLength = -1);
    // Cuts the text to newLength bytes (no effect when it is shorter).
    void Truncate(int newLength);

    // Byte comparisons as unsigned characters: <0, 0 or >0.
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;
    // Index of the first ch or text at or after start, or -1.
    int Find(char ch, int start = 0) const;
    int Find(const char* text, int start = 0) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    friend bool operator==(const CString& a, const CString& b) {
        return a.m_nLength == b.m_nLength && a.CompareBytes(b) == 0;
    }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
    friend bool operator<(const CString& a, const CString& b) { return a.CompareBytes(b) < 0; }
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);

  private:
    // Ensures room for capacity bytes and the NUL, keeping the text.
    void Reserve(int capacity);
    int CompareBytes(const CString& other) const noexcept;

    char* m_pchData;
    int m_nLength;
    int m_nAlloc;  // bytes of storage before the NUL; 0: the shared empty text
};

#endif  // TWFILE_FRAMEWORK_STRING_H
