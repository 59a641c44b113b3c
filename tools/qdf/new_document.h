// qdf new: a new empty document.
#ifndef QDF_NEW_DOCUMENT_H
#define QDF_NEW_DOCUMENT_H

#include <ostream>
#include <string>

namespace qdf {

struct NewOptions {
    // The file to write, or "-" for out.
    std::string file;
    // Replace a file that already exists.
    bool force = false;
};

// Saves a new document (every member as the constructor sets it, the
// display colours from the platform) to options.file. Exit status: 0 when
// written, 1 when the library failed to write it, 2 when the file exists
// and force is not set.
int RunNew(const NewOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_NEW_DOCUMENT_H
