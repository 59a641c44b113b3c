#include "diagnostics.h"

#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>

#include "commands.h"
#include "suggestion.h"

namespace qdf {

namespace {

std::vector<std::string>& Shown() {
    // Each thread reads its own documents.
    static thread_local std::vector<std::string> texts;
    return texts;
}

int Keep(const char* text, unsigned int /*type*/, unsigned int /*helpId*/) {
    try {
        Shown().emplace_back(text != nullptr ? text : "");
    } catch (...) {
        // Without memory to keep it, the text is lost; the library goes on.
    }
    return IDOK;
}

}  // namespace

void CaptureMessageBoxes() {
    AfxSetMessageBoxHandler(&Keep);
}

std::vector<std::string> TakeMessages() {
    std::vector<std::string> texts;
    texts.swap(Shown());
    return texts;
}

Diagnostics TakeDiagnostics() {
    Diagnostics result;
    result.messages = TakeMessages();
    if (CTWError::GetNumber() < 0) {
        result.error = LibraryError{CTWError::GetNumber(), CTWError::GetMessage()};
        CTWError::Clear();
        for (auto it = result.messages.begin(); it != result.messages.end(); ++it) {
            if (*it == result.error->message) {
                result.messages.erase(it);
                break;
            }
        }
    }
    return result;
}

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
