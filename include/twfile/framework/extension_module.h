// The process's list of extension modules: libraries that register
// themselves and their creatable classes when they are loaded, and
// deregister when they are unloaded.
#ifndef TWFILE_FRAMEWORK_EXTENSION_MODULE_H
#define TWFILE_FRAMEWORK_EXTENSION_MODULE_H

#include <twfile/export.h>
#include <twfile/framework/runtime_class.h>

// What a module tells the framework about itself. The module keeps the
// record (normally a static of its own) for as long as it is registered; the
// framework links it into its list, so registering never allocates and
// cannot fail.
struct AFX_EXTENSION_MODULE {
    // The module's name.
    const char* lpszName;
    // The accessors of the module's creatable classes' records, ending with
    // null. Accessors rather than records, so the records are built on
    // first use and not at load time.
    CRuntimeClass* (*const* pfnClasses)();
    // Set by the framework.
    int bInitialized;
    AFX_EXTENSION_MODULE* pNext;
};

// Adds state to the list; a module already in it stays there once. Returns
// nonzero.
TWFILE_API int AfxInitExtensionModule(AFX_EXTENSION_MODULE& state);
// Takes state out of the list; nothing happens when it is not in it.
TWFILE_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state);

// The registered module of that name, or null.
TWFILE_API const AFX_EXTENSION_MODULE* AfxFindExtensionModule(const char* name);
// The record of a creatable class of a registered module, by class name
// (exact), or null. Modules registered later are searched first.
TWFILE_API CRuntimeClass* AfxFindRuntimeClass(const char* className);

#endif  // TWFILE_FRAMEWORK_EXTENSION_MODULE_H
