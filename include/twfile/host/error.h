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
// A thread-local with a constant initial value, read from other files
// without a call to the thread-local initialisation.
#if defined(__clang__)
#define TW_CONSTINIT [[clang::require_constant_initialization]]
#elif defined(__GNUC__)
#define TW_CONSTINIT __constinit
#else
#define TW_CONSTINIT
#endif

class TWFILE_API CTWError {
  public:
    // The number and the line start as constants, so that every file reads
    // them directly, without a call to the thread-local initialisation that
    // the string needs.
    TW_CONSTINIT static thread_local int m_nError;
    static thread_local CString m_strError;
    TW_CONSTINIT static thread_local int m_nLine;

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
    static const char* GetTrail();
};

#endif  // TWFILE_HOST_ERROR_H
