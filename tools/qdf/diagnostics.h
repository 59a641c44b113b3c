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

#include <twfile/host/diagnostics.h>

namespace qdf {

using twfile::CaptureMessageBoxes;
using twfile::Diagnostics;
using twfile::LibraryError;
using twfile::TakeDiagnostics;
using twfile::TakeMessages;

// Prints the error as "qdf: CONTEXT: error N: MESSAGE" and each message as
// "qdf: CONTEXT: TEXT"; a text of several lines goes on indented lines.
void PrintDiagnostics(std::ostream& err, std::string_view context, const Diagnostics& diagnostics);

// Prints "qdf: CONTEXT: TEXT" (or "qdf: TEXT" with an empty context).
void PrintMessage(std::ostream& err, std::string_view context, std::string_view text);

}  // namespace qdf

#endif  // QDF_DIAGNOSTICS_H
