// The fault-injection hook.
//
// Every system call and allocation the library can see fail asks this hook
// first. Unless the test switch (a test-support target, not part of the
// library) is on for the calling thread, the question costs one predictable
// branch; when it is on, the switch decides whether the call fails, or
// whether a read or a write transfers fewer bytes than asked.
#ifndef TWFILE_SRC_PLATFORM_FAULT_H
#define TWFILE_SRC_PLATFORM_FAULT_H

#include <twfile/export.h>
#include <twfile/platform/types.h>

namespace win32 {
namespace fault {

enum class Kind : int {
    Open,         // CreateFileA, and the reservation of a temporary name
    Read,         // ReadFile
    Write,        // WriteFile
    Seek,         // SetFilePointer
    Size,         // GetFileSize
    EndOfFile,    // SetEndOfFile, ReserveFileSpace
    Close,        // CloseHandle
    GlobalAlloc,  // GlobalAlloc
    GlobalLock,   // GlobalLock
    Message,      // the text of FormatMessageA
    ListNode,     // a block of pointer-list nodes
    String,       // a string's character storage, or a heap string object
    Buffer,       // the text buffers of conditions and joins
    Schema,       // a call into the schema classes
    Sync,         // FlushFileBuffers, FlushFolderOf
    Rename,       // MoveFileExA, DeleteFileA
    Attributes,   // GetFileAttributesA, the file behind a link, the copy of access,
                  // the search for stale temporaries
    Lock,         // the share-mode locks of CreateFileA, HoldReadersOut
    Engine,       // a call into a database engine (the SQL layer)
    Count
};
constexpr int kKindCount = static_cast<int>(Kind::Count);

// What the switch decides for one call.
struct Outcome {
    bool fail = false;
    bool shortened = false;
    // With shortened: the count to transfer instead of the one asked for.
    DWORD count = 0;
};

namespace detail {
// Whether the test switch is on for the calling thread, and its decision.
// Per-thread data cannot cross the boundary of a Windows DLL: there only
// the library reads them, and the code outside it (the SQL layer) asks
// through Ask. The switch, outside the library, sets them through
// SetSwitch.
#if defined(_WIN32) && !defined(TWFILE_STATIC)
#define TWFILE_FAULT_ASK_ACROSS_DLL 1
extern thread_local bool g_active;
extern Outcome (*g_decide)(Kind kind, DWORD requested);
#else
TWFILE_API extern thread_local bool g_active;
TWFILE_API extern Outcome (*g_decide)(Kind kind, DWORD requested);
#endif
// Turns the switch on for the calling thread with decide, or off (null).
TWFILE_API void SetSwitch(Outcome (*decide)(Kind kind, DWORD requested));
// Check, as a call.
TWFILE_API Outcome Ask(Kind kind, DWORD requested);
}  // namespace detail

// Asked by the library before each call of the kind; requested is the byte
// count of a read or write.
inline Outcome Check(Kind kind, DWORD requested = 0) {
#if defined(TWFILE_FAULT_ASK_ACROSS_DLL) && !defined(TWFILE_BUILDING_LIBRARY)
    return detail::Ask(kind, requested);
#else
#if defined(__GNUC__) || defined(__clang__)
    if (__builtin_expect(!detail::g_active, 1)) return Outcome{};
#else
    if (!detail::g_active) return Outcome{};
#endif
    return detail::g_decide(kind, requested);
#endif
}
// Shorthand for calls that can only fail.
inline bool ShouldFail(Kind kind) {
    return Check(kind).fail;
}

}  // namespace fault
}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_FAULT_H
