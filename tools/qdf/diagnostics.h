// What the library tells the user: the pending error of the error service
// and the texts of its message boxes. qdf keeps every message box text and
// prints it (or puts it into its output), so none is lost.
#ifndef QDF_DIAGNOSTICS_H
#define QDF_DIAGNOSTICS_H

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qdf {

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

// Installs a message box handler that keeps every text shown from then on,
// for TakeMessages and TakeDiagnostics.
void CaptureMessageBoxes();

// The message box texts shown since the last Take.
std::vector<std::string> TakeMessages();

// The pending error, which is then cleared from the error service, and the
// message box texts shown since the last Take, without the one text that
// showed the error itself.
Diagnostics TakeDiagnostics();

// Prints the error as "qdf: CONTEXT: error N: MESSAGE" and each message as
// "qdf: CONTEXT: TEXT"; a text of several lines goes on indented lines.
void PrintDiagnostics(std::ostream& err, std::string_view context, const Diagnostics& diagnostics);

// Prints "qdf: CONTEXT: TEXT" (or "qdf: TEXT" with an empty context).
void PrintMessage(std::ostream& err, std::string_view context, std::string_view text);

}  // namespace qdf

#endif  // QDF_DIAGNOSTICS_H
