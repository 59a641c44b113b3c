// Reading a query definition file into a document, and what the read
// reports.
#ifndef QDF_LOAD_H
#define QDF_LOAD_H

#include <string>

#include <twfile/query/qdf.h>

#include "diagnostics.h"

namespace qdf {

struct LoadReport {
    // Whether the file was opened; when not, openFailure tells why.
    bool opened = false;
    std::string openFailure;
    // The error that stopped the read, if any, and the other message box
    // texts shown while reading.
    Diagnostics diagnostics;
    // The document's report of the sections not read (GetStatusString).
    std::string statusReport;

    bool ReadCleanly() const { return opened && !diagnostics.error; }
};

// Opens path read-only into doc, a document fresh from its constructor, reads
// every section and closes the file again; the members keep what was read.
// The error service is left clear.
LoadReport LoadDocument(const std::string& path, CTWFileQDF& doc);

// The names of the sections whose read indicator is 0, separated by ", ".
std::string SectionsNotRead(const CTWFileQDF& doc);

}  // namespace qdf

#endif  // QDF_LOAD_H
