#include "diagnostics.h"

#include "commands.h"
#include "suggestion.h"

namespace qdf {

// The whole message goes out in one write, so that the messages of programs
// sharing the standard error never mix within a line.
void PrintMessage(std::ostream& err, std::string_view context, std::string_view text) {
    std::string message = "qdf: ";
    if (!context.empty()) {
        message += context;
        message += ": ";
    }
    // The library's texts end their lines with CR LF; a line end at the very
    // end of the text adds no empty line.
    std::size_t start = 0;
    bool first = true;
    do {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!first) message += "\n    ";
        message += line;
        first = false;
        start = end + 1;
    } while (start < text.size());
    message += '\n';
    err.write(message.data(), static_cast<std::streamsize>(message.size()));
}

void PrintDiagnostics(std::ostream& err, std::string_view context, const Diagnostics& diagnostics) {
    if (diagnostics.error) {
        PrintMessage(err, context,
                     "error " + std::to_string(diagnostics.error->number) + ": " +
                         diagnostics.error->message);
    }
    for (const std::string& text : diagnostics.messages)
        PrintMessage(err, context, text);
}

void RaiseFailure(const json::Error& error) {
    if (error.kind() == json::Error::Kind::Invalid) {
        const std::string meant = error.unknownKey().empty()
                                      ? std::string()
                                      : ClosestName(error.unknownKey(), error.knownKeys());
        throw Failure(kExitUsage,
                      error.what() + (meant.empty() ? "" : "; did you mean '" + meant + "'?"));
    }
    TakeMessages();
    throw Failure(kExitFailed, error.what());
}

}  // namespace qdf
