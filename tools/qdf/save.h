// Writing a document to a path so that a failure loses nothing.
#ifndef QDF_SAVE_H
#define QDF_SAVE_H

#include <ostream>
#include <string>

#include <twfile/query/qdf.h>

namespace qdf {

// Writes doc to path. The text goes into a new file in the same directory,
// which then replaces path (a symbolic link is followed to its target); so
// path holds either its old contents or the whole document, never part of
// it. A replaced file keeps its permissions; a new one gets those the umask
// allows. Returns false after printing the reason to err ("qdf: PATH: ...").
// The document is left with its file closed.
bool SaveDocument(CTWFileQDF& doc, const std::string& path, std::ostream& err);

}  // namespace qdf

#endif  // QDF_SAVE_H
