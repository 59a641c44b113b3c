// Writing a document to a path, or to standard output ("-").
#ifndef QDF_SAVE_H
#define QDF_SAVE_H

#include <ostream>
#include <string>

#include <twfile/query/qdf.h>

#include "exit_status.h"

namespace qdf {

// Saves doc to path with the library's SaveAs, which replaces the file in one
// step (path holds its old contents or the whole document, never a part; a
// replaced file keeps its permissions, a link stays a link). For "-" the
// document's text goes to out. Something other than a regular file at path
// is never replaced. Prints the reason of a failure to err ("qdf: PATH:
// ..."). The document is left with its file closed.
ExitStatus SaveDocument(CTWFileQDF& doc, const std::string& path, std::ostream& out,
                        std::ostream& err);

}  // namespace qdf

#endif  // QDF_SAVE_H
