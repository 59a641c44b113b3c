// qdf check: whether files open and read cleanly and would come back
// unchanged.
#ifndef QDF_CHECK_H
#define QDF_CHECK_H

#include <ostream>
#include <string>
#include <vector>

namespace qdf {

// For each file prints on out either "FILE: ok" or one line per finding:
// that it cannot be opened, the error that stopped the read, the other
// messages of the library, the sections not read, and the members that the
// format cannot carry back unchanged (lossy_members.h). "-" reads standard
// input. Exit status: 0 when every file is clean, 1 otherwise, 2 when an
// input is not a regular file or cannot be read (said on err).
int RunCheck(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_CHECK_H
