#include <twfile/framework/extension_module.h>

#include <cstring>
#include <mutex>

namespace {

// Constant-initialised, so modules may register from their load-time
// constructors in any order.
std::mutex g_lock;
AFX_EXTENSION_MODULE* g_pFirst = nullptr;

}  // namespace

int AfxInitExtensionModule(AFX_EXTENSION_MODULE& state) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (state.bInitialized == 0) {
        state.pNext = g_pFirst;
        g_pFirst = &state;
        state.bInitialized = 1;
    }
    return 1;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state) {
    std::lock_guard<std::mutex> hold(g_lock);
    for (AFX_EXTENSION_MODULE** link = &g_pFirst; *link != nullptr; link = &(*link)->pNext) {
        if (*link == &state) {
            *link = state.pNext;
            break;
        }
    }
    state.pNext = nullptr;
    state.bInitialized = 0;
}

const AFX_EXTENSION_MODULE* AfxFindExtensionModule(const char* name) {
    if (name == nullptr) return nullptr;
    std::lock_guard<std::mutex> hold(g_lock);
    for (const AFX_EXTENSION_MODULE* module = g_pFirst; module != nullptr; module = module->pNext) {
        if (module->lpszName != nullptr && std::strcmp(module->lpszName, name) == 0) return module;
    }
    return nullptr;
}

CRuntimeClass* AfxFindRuntimeClass(const char* className) {
    if (className == nullptr) return nullptr;
    std::lock_guard<std::mutex> hold(g_lock);
    for (const AFX_EXTENSION_MODULE* module = g_pFirst; module != nullptr; module = module->pNext) {
        if (module->pfnClasses == nullptr) continue;
        for (auto* const* accessor = module->pfnClasses; *accessor != nullptr; ++accessor) {
            CRuntimeClass* record = (*accessor)();
            if (record != nullptr && std::strcmp(record->m_lpszClassName, className) == 0) {
                return record;
            }
        }
    }
    return nullptr;
}
