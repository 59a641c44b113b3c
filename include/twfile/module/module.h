// The library's registration with the framework's list of extension
// modules, as "TWFile" with its creatable classes CTWFileQDFCondition,
// CTWFileQDFConditionList, CTWFileQDFJoin and CTWFileQDFJoinList.
//
// A shared build of the library registers itself when it is loaded and
// deregisters when it is unloaded; nothing else happens at load time. A
// program linked with the static library calls TWFileInitModule once before
// it looks classes up by name (the linker may leave out the load-time hook
// of a static library), and may call TWFileTermModule at the end. Both are
// idempotent and may be called from any thread.
#ifndef TWFILE_MODULE_MODULE_H
#define TWFILE_MODULE_MODULE_H

#include <twfile/export.h>

// Registers the library; returns nonzero.
TWFILE_API int TWFileInitModule();
// Deregisters the library.
TWFILE_API void TWFileTermModule();
// Nonzero while the library is registered.
TWFILE_API int TWFileIsModuleRegistered();

#endif  // TWFILE_MODULE_MODULE_H
