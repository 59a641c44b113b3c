// The three status rules that every operation of the library follows.
//
// An operation names its source (TW_SOURCE, defined by each source file
// after its includes) and uses these macros; none spells the rules out by
// hand. Every one of them ends the calling function, or may, and says so
// (Raise and Exit cannot be called for nothing: their status must be used):
//   return TW_RAISE(number, text);  rule 1: raise a new error (number < 0)
//                                   and return its status
//   TW_RETURN_IF_ERROR(call);       rule 2: after a call that can fail,
//                                   return when an error is pending
//   return TW_EXIT();               rule 3: the status, showing a pending
//                                   error with the source name
//   TW_RETURN(call);                rules 2 and 3 after a last call: its status
//   TW_RETURN_IF_PENDING();         rule 2 without a call: return when an
//                                   error is pending (raised by a call whose
//                                   status was kept, or by ShowError)
// The _RETURN and _VALUE_ forms are for operations that return a value other
// than the status: they apply the same rules and return the value given.
#ifndef TWFILE_HOST_STATUS_H
#define TWFILE_HOST_STATUS_H

#include <twfile/export.h>
#include <twfile/host/error.h>

namespace twfile {
namespace status {

// Rule 1 followed by rule 3.
[[nodiscard]] TWFILE_API int Raise(int number, const char* text, int line, const char* source);
// The parts of rules 2 and 3 that run only while an error is pending.
TWFILE_API bool PassOnPending(int line);
TWFILE_API int ExitPending(const char* source);

// Rules 2 and 3 run after every call of every operation: the test for a
// pending error is inline, and only a pending error leaves it.
// Rule 2: true (after recording line) when an error is pending.
inline bool PassOn(int line) {
    return CTWError::m_nError < 0 && PassOnPending(line);
}
// Rule 3.
[[nodiscard]] inline int Exit(const char* source) {
    const int number = CTWError::m_nError;
    return number >= 0 ? number : ExitPending(source);
}

}  // namespace status
}  // namespace twfile

// Expressions, used as `return TW_RAISE(...);` and `return TW_EXIT();`.
#define TW_RAISE(number, text) ::twfile::status::Raise((number), (text), __LINE__, TW_SOURCE)
#define TW_EXIT() ::twfile::status::Exit(TW_SOURCE)

#define TW_RETURN_IF_ERROR(call)                                                          \
    do {                                                                                  \
        (void)(call);                                                                     \
        if (::twfile::status::PassOn(__LINE__)) return ::twfile::status::Exit(TW_SOURCE); \
    } while (0)

#define TW_RETURN(call)                                             \
    return ((void)(call), (void)::twfile::status::PassOn(__LINE__), \
            ::twfile::status::Exit(TW_SOURCE))

#define TW_RETURN_IF_PENDING() TW_RETURN_IF_ERROR(0)

#define TW_RAISE_RETURN(number, text, value)                                  \
    do {                                                                      \
        (void)::twfile::status::Raise((number), (text), __LINE__, TW_SOURCE); \
        return (value);                                                       \
    } while (0)

#define TW_RETURN_VALUE_IF_ERROR(call, value)        \
    do {                                             \
        (void)(call);                                \
        if (::twfile::status::PassOn(__LINE__)) {    \
            (void)::twfile::status::Exit(TW_SOURCE); \
            return (value);                          \
        }                                            \
    } while (0)

#define TW_EXIT_RETURN(value)                    \
    do {                                         \
        (void)::twfile::status::Exit(TW_SOURCE); \
        return (value);                          \
    } while (0)

#endif  // TWFILE_HOST_STATUS_H
