// The fault-injection switch.
//
// Every system call and allocation the library can see fail asks this switch
// first. Unless a test activates it, the question costs one predictable
// branch. A test can count the calls of each kind, or arm the switch to fail
// the Nth call of one kind (or of any kind), or to make a read or a write
// transfer fewer bytes than asked. The state is per thread.
#ifndef TWFILE_PLATFORM_FAULT_H
#define TWFILE_PLATFORM_FAULT_H

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
    EndOfFile,    // SetEndOfFile
    Close,        // CloseHandle
    GlobalAlloc,  // GlobalAlloc
    GlobalLock,   // GlobalLock
    Message,      // the text of FormatMessageA
    ListNode,     // a block of pointer-list nodes
    String,       // a string's character storage, or a heap string object
    Buffer,       // the text buffers of conditions and joins
    Schema,       // a call into the schema classes
    Sync,         // FlushFileBuffers
    Rename,       // MoveFileExA, DeleteFileA
    Attributes,   // GetFileAttributesA, the file behind a link, the copy of permissions
    Lock,         // the share-mode locks of CreateFileA
    Engine,       // a call into a database engine (the SQL layer)
    Count
};
constexpr int kKindCount = static_cast<int>(Kind::Count);

TWFILE_API const char* KindName(Kind kind);

enum class Action {
    Fail,  // the call fails
    Short  // a read or write transfers fewer bytes than asked (other kinds fail)
};

// Starts counting calls (all counters to 0) without failing any.
TWFILE_API void StartCounting();
// Fails the nth call (1-based, counted from now) of kind. Counting restarts.
TWFILE_API void Arm(Kind kind, unsigned long nth, Action action = Action::Fail,
                    unsigned long shortCount = 0);
// Fails the nth call of any kind, counted from now.
TWFILE_API void ArmAny(unsigned long nth, Action action = Action::Fail,
                       unsigned long shortCount = 0);
// Fails every call of kind from the nth on (a persistent fault, such as a
// full disk or a failing allocator).
TWFILE_API void ArmFrom(Kind kind, unsigned long nth);
// Stops counting and failing.
TWFILE_API void Disarm();

TWFILE_API unsigned long Calls(Kind kind);
TWFILE_API unsigned long TotalCalls();
// Number of calls that the switch failed or shortened since it was armed.
TWFILE_API unsigned long Injected();

// What the switch decides for one call.
struct Outcome {
    bool fail = false;
    bool shortened = false;
    // With shortened: the count to transfer instead of the one asked for.
    DWORD count = 0;
};

namespace detail {
TWFILE_API extern thread_local bool g_active;
TWFILE_API Outcome Decide(Kind kind, DWORD requested);
}  // namespace detail

// Asked by the library before each call of the kind; requested is the byte
// count of a read or write.
inline Outcome Check(Kind kind, DWORD requested = 0) {
    if (__builtin_expect(!detail::g_active, 1)) return Outcome{};
    return detail::Decide(kind, requested);
}
// Shorthand for calls that can only fail.
inline bool ShouldFail(Kind kind) {
    return Check(kind).fail;
}

// Arms in the constructor (through the given call) and disarms in the
// destructor, so a failing test cannot leave the switch armed.
class ScopedDisarm {
  public:
    ScopedDisarm() = default;
    ~ScopedDisarm() { Disarm(); }
    ScopedDisarm(const ScopedDisarm&) = delete;
    ScopedDisarm& operator=(const ScopedDisarm&) = delete;
};

}  // namespace fault
}  // namespace win32

#endif  // TWFILE_PLATFORM_FAULT_H
