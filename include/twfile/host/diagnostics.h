// What the library tells its user: the error service's pending error and
// the texts of its message boxes. A program that shows no message boxes
// (a command-line tool, a server, a scripting module) keeps the texts,
// each thread its own as the error service keeps its error, and takes them
// with the error after each call, so that none is lost.
#ifndef TWFILE_HOST_DIAGNOSTICS_H
#define TWFILE_HOST_DIAGNOSTICS_H

#include <optional>
#include <string>
#include <vector>

#include <twfile/export.h>

namespace twfile {

// An error raised by the library: its number and its text.
struct LibraryError {
    int number = 0;
    std::string message;
};

struct Diagnostics {
    std::optional<LibraryError> error;
    // Message box texts other than the one that showed the error.
    std::vector<std::string> messages;
    bool Empty() const { return !error && messages.empty(); }
};

// Installs, for the whole process, the message box handler that keeps every
// text shown from then on, for TakeMessages and TakeDiagnostics.
TWFILE_API void CaptureMessageBoxes();

// The calling thread's message box texts shown since its last Take.
TWFILE_API std::vector<std::string> TakeMessages();

// The pending error, which is then cleared from the error service, and the
// message box texts shown since the last Take, without the one text that
// showed the error itself.
TWFILE_API Diagnostics TakeDiagnostics();

}  // namespace twfile

#endif  // TWFILE_HOST_DIAGNOSTICS_H
