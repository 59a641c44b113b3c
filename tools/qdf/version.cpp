#include "version.h"

// The library's version header when the build makes one, else the project
// version the build passes in.
#if __has_include(<twfile/version.h>)
#include <twfile/version.h>
#define QDF_VERSION_TEXT TWFILE_VERSION_STRING
#else
#define QDF_VERSION_TEXT QDF_PROJECT_VERSION
#endif

namespace qdf {

const char* Version() {
    return QDF_VERSION_TEXT;
}

}  // namespace qdf
