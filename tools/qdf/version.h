// The version qdf reports.
#ifndef QDF_VERSION_H
#define QDF_VERSION_H

namespace qdf {

// The library's version, "major.minor.patch".
const char* Version();

}  // namespace qdf

#endif  // QDF_VERSION_H
