// The error service: the pending error of the calling thread.
#ifndef TWFILE_HOST_ERROR_H
#define TWFILE_HOST_ERROR_H

#include <twfile/export.h>
#include <twfile/framework/string.h>

// The numbers of the error service's own errors, with their texts. The
// library's own messages carry -1 (and -100 for a failed application object).
TWFILE_API extern const int ID_TWErrors_InvalidParam;
TWFILE_API extern const int ID_TWErrors_MemoryAlloc;
TWFILE_API extern const int ID_TWErrors_InvalidContext;
TWFILE_API extern const int ID_TWErrors_UnExpected;
TWFILE_API extern const char IDS_TWErrors_InvalidParam[];
TWFILE_API extern const char IDS_TWErrors_MemoryAlloc[];
TWFILE_API extern const char IDS_TWErrors_InvalidContext[];
TWFILE_API extern const char IDS_TWErrors_UnExpected[];

// Every member is per thread: two threads never see each other's errors.
// An error is pending while m_nError is negative. It stays pending through
// every ShowError and UpdateThreadObject until Clear, so that each enclosing
// operation passes it on in turn.
//
// The calling thread's number, text and line are reached through Number(),
// Text() and Line() on every system. Where the library is a Windows DLL,
// per-thread data cannot cross the DLL's boundary: there m_nError,
// m_strError and m_nLine are stand-ins that read and assign through those
// functions, so that `CTWError::m_nError < 0`, `CTWError::m_nError = -2`,
// `CTWError::m_strError = text` and `CTWError::m_strError.Empty()` mean
// what they mean elsewhere (other members of CString need Text()).
#if defined(_WIN32) && !defined(TWFILE_STATIC)
#define TWFILE_ERROR_ACCESSORS_ONLY 1
#endif

// A thread-local with a constant initial value, read from other files
// without a call to the thread-local initialisation.
#if defined(__clang__)
#define TW_CONSTINIT [[clang::require_constant_initialization]]
#elif defined(__GNUC__)
#define TW_CONSTINIT __constinit
#else
#define TW_CONSTINIT
#endif

class CTWError;

namespace twfile {
namespace error_detail {

// The stand-ins of the per-thread members (see CTWError).
struct NumberMember {
    operator int() const;
    const NumberMember& operator=(int value) const;
};
struct LineMember {
    operator int() const;
    const LineMember& operator=(int value) const;
};
struct TextMember {
    operator const char*() const;
    operator CString&() const;
    const TextMember& operator=(const char* text) const;
    const TextMember& operator=(const CString& text) const;
    const char* GetString() const;
    int GetLength() const;
    void Empty() const;
};

}  // namespace error_detail
}  // namespace twfile

// <windows.h> makes GetMessage a macro (GetMessageA, or GetMessageW for
// Unicode); the member keeps its name, and a call that the macro renamed
// reaches it too.
#if defined(_WIN32) && defined(GetMessage)
#pragma push_macro("GetMessage")
#undef GetMessage
#define TWFILE_ERROR_RESTORE_GET_MESSAGE 1
#endif

class TWFILE_API CTWError {
  public:
#if defined(TWFILE_ERROR_ACCESSORS_ONLY)
    static constexpr twfile::error_detail::NumberMember m_nError{};
    static constexpr twfile::error_detail::TextMember m_strError{};
    static constexpr twfile::error_detail::LineMember m_nLine{};
#else
    // The number and the line start as constants, so that every file reads
    // them directly, without a call to the thread-local initialisation that
    // the string needs.
    TW_CONSTINIT static thread_local int m_nError;
    static thread_local CString m_strError;
    TW_CONSTINIT static thread_local int m_nLine;
#endif

    // The calling thread's error number, text and line, as m_nError,
    // m_strError and m_nLine.
    static int& Number();
    static CString& Text();
    static int& Line();

    // Nonzero while an error is pending.
    static int IsError();
    // Starts the record of a newly raised error (number, text, line).
    static int CreateThreadObject();
    // Notes that an operation passed the pending error on at m_nLine.
    static int UpdateThreadObject();
    // Forgets the pending error.
    static int Clear();
    // Adds file and m_nLine to the pending error's trail, shows the error's
    // text through the message box the first time only, and returns
    // m_nError.
    static int ShowError(const char* file);

    // What the application can read of the pending error (0 and empty texts
    // when none is pending): its number, its text as raised, and the trail of
    // operations it passed through, innermost first, as "source(line)"
    // entries separated by " <- ".
    static int GetNumber();
    static const char* GetMessage();
#if defined(_WIN32)
    static const char* GetMessageA() { return GetMessage(); }
    static const char* GetMessageW() { return GetMessage(); }
#endif
    static const char* GetTrail();
};

#if defined(TWFILE_ERROR_RESTORE_GET_MESSAGE)
#pragma pop_macro("GetMessage")
#undef TWFILE_ERROR_RESTORE_GET_MESSAGE
#endif

namespace twfile {
namespace error_detail {

inline NumberMember::operator int() const {
    return CTWError::Number();
}
inline const NumberMember& NumberMember::operator=(int value) const {
    CTWError::Number() = value;
    return *this;
}
inline LineMember::operator int() const {
    return CTWError::Line();
}
inline const LineMember& LineMember::operator=(int value) const {
    CTWError::Line() = value;
    return *this;
}
inline TextMember::operator const char*() const {
    return CTWError::Text().GetString();
}
inline TextMember::operator CString&() const {
    return CTWError::Text();
}
inline const TextMember& TextMember::operator=(const char* text) const {
    CTWError::Text() = text;
    return *this;
}
inline const TextMember& TextMember::operator=(const CString& text) const {
    CTWError::Text() = text;
    return *this;
}
inline const char* TextMember::GetString() const {
    return CTWError::Text().GetString();
}
inline int TextMember::GetLength() const {
    return CTWError::Text().GetLength();
}
inline void TextMember::Empty() const {
    CTWError::Text().Empty();
}

}  // namespace error_detail
}  // namespace twfile

#endif  // TWFILE_HOST_ERROR_H
