// The library's load and unload registration.
#include <twfile/condition/condition.h>
#include <twfile/condition/condition_list.h>
#include <twfile/framework/extension_module.h>
#include <twfile/join/join.h>
#include <twfile/join/join_list.h>
#include <twfile/module/module.h>

namespace {

CRuntimeClass* (*const kClasses[])() = {
    &CTWFileQDFCondition::GetThisClass,
    &CTWFileQDFConditionList::GetThisClass,
    &CTWFileQDFJoin::GetThisClass,
    &CTWFileQDFJoinList::GetThisClass,
    nullptr,
};

AFX_EXTENSION_MODULE TWFileDLL = {"TWFile", kClasses, 0, nullptr};

#if defined(__GNUC__) || defined(__clang__)
__attribute__((constructor)) void LoadModule() {
    TWFileInitModule();
}
__attribute__((destructor)) void UnloadModule() {
    TWFileTermModule();
}
#endif

}  // namespace

int TWFileInitModule() {
    return AfxInitExtensionModule(TWFileDLL);
}

void TWFileTermModule() {
    AfxTermExtensionModule(TWFileDLL);
}

int TWFileIsModuleRegistered() {
    return AfxFindExtensionModule(TWFileDLL.lpszName) == &TWFileDLL ? 1 : 0;
}
