#include "sql/message_capture.h"

namespace twfile {
namespace sql {

namespace {

thread_local std::vector<std::string>* t_texts = nullptr;

int Keep(const char* text, unsigned int /*type*/, unsigned int /*helpId*/) {
    if (t_texts != nullptr) {
        try {
            t_texts->emplace_back(text != nullptr ? text : "");
        } catch (...) {
            // Without memory to keep it the text is lost; the checks go on.
        }
    }
    return IDOK;
}

}  // namespace

MessageCapture::MessageCapture() : m_outer(t_texts) {
    t_texts = &m_texts;
    m_previous = AfxSetMessageBoxHandler(&Keep);
}

MessageCapture::~MessageCapture() {
    AfxSetMessageBoxHandler(m_previous);
    t_texts = m_outer;
}

std::vector<std::string> MessageCapture::Take() {
    std::vector<std::string> texts;
    texts.swap(m_texts);
    return texts;
}

}  // namespace sql
}  // namespace twfile
