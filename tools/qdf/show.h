// qdf show: a readable summary of a document.
#ifndef QDF_SHOW_H
#define QDF_SHOW_H

#include <ostream>
#include <string>

#include <twfile/query/qdf.h>

#include "encoding.h"
#include "load.h"
#include "read_command.h"

namespace qdf {

// The summary of doc, read from file with report. Texts are decoded with the
// encoding (a Failure names a member that is not valid in it); control
// characters inside one-line texts are shown as escapes.
std::string FormatSummary(const CTWFileQDF& doc, const std::string& file, const LoadReport& report,
                          Encoding encoding);

// Reads the file and prints its summary on out; exit statuses as
// RunReadCommand's.
int RunShow(const FileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_SHOW_H
