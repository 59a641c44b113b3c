#include <twfile/framework/message_box.h>
#include <twfile/host/diagnostics.h>
#include <twfile/host/error.h>

namespace twfile {

namespace {

std::vector<std::string>& Shown() {
    static thread_local std::vector<std::string> texts;
    return texts;
}

int Keep(const char* text, unsigned int /*type*/, unsigned int /*helpId*/) {
    try {
        // Grown by resize rather than emplace_back, whose instantiation the
        // shared library would export beside its public API.
        std::vector<std::string>& texts = Shown();
        texts.resize(texts.size() + 1);
        texts.back() = text != nullptr ? text : "";
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

}  // namespace twfile
