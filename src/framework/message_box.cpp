#include <twfile/framework/message_box.h>

#include <atomic>
#include <cstdio>

namespace {

int DefaultHandler(const char* text, unsigned int /*type*/, unsigned int /*helpId*/) {
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    return IDOK;
}

std::atomic<AfxMessageBoxHandler> g_handler{&DefaultHandler};

}  // namespace

int AfxMessageBox(const char* text, unsigned int type, unsigned int helpId) {
    return g_handler.load()(text != nullptr ? text : "", type, helpId);
}

AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler) {
    return g_handler.exchange(handler != nullptr ? handler : &DefaultHandler);
}
