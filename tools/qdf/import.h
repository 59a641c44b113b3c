// qdf import: a document from its JSON form, saved to a file.
#ifndef QDF_IMPORT_H
#define QDF_IMPORT_H

#include <ostream>
#include <string>

#include "encoding.h"

namespace qdf {

struct ImportOptions {
    // A JSON file, or "-" for standard input.
    std::string input;
    // The .qdf file to write, or "-" for out.
    std::string output;
    Encoding encoding = Encoding::Windows1252;
};

// Builds a new document from the JSON (document_json.h: missing keys keep
// the values of a new document) and saves it to options.output. A document
// with members that the file cannot carry back unchanged (lossy_members.h)
// is refused. Exit status: 0 when written, 1 when the document was refused
// or the library failed to write it, 2 when the input cannot be read, is not
// JSON or does not fit the shape.
int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_IMPORT_H
