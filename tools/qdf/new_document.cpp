#include "new_document.h"

#include <sys/stat.h>

#include <twfile/query/qdf.h>

#include "diagnostics.h"
#include "exit_status.h"
#include "save.h"

namespace qdf {

int RunNew(const NewOptions& options, std::ostream& out, std::ostream& err) {
    struct stat info {};
    if (!options.force && options.file != "-" && ::lstat(options.file.c_str(), &info) == 0) {
        PrintMessage(err, options.file, "already exists (--force replaces it)");
        return kExitUsage;
    }
    CTWFileQDF doc;
    const Diagnostics setup = TakeDiagnostics();
    if (!setup.Empty()) {
        PrintDiagnostics(err, options.file, setup);
        return kExitFailed;
    }
    return SaveDocument(doc, options.file, out, err);
}

}  // namespace qdf
