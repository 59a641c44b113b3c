// qdf export: a document as JSON on standard output.
#ifndef QDF_EXPORT_H
#define QDF_EXPORT_H

#include <ostream>

#include "read_command.h"

namespace qdf {

// Reads the file and prints it as JSON (document_json.h) on out; exit
// statuses as RunReadCommand's.
int RunExport(const FileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_EXPORT_H
