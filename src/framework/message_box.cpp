#include <twfile/framework/message_box.h>

#include <atomic>

#include "platform/message_box.h"

namespace {

// The system's message box (on POSIX systems, standard error).
int DefaultHandler(const char* text, unsigned int type, unsigned int /*helpId*/) {
    return win32::MessageBoxA(nullptr, text != nullptr ? text : "", "twfile", type);
}

std::atomic<AfxMessageBoxHandler> g_handler{&DefaultHandler};

}  // namespace

int AfxMessageBox(const char* text, unsigned int type, unsigned int helpId) {
    return g_handler.load()(text != nullptr ? text : "", type, helpId);
}

AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler) {
    return g_handler.exchange(handler != nullptr ? handler : &DefaultHandler);
}
