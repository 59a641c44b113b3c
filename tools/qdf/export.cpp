#include "export.h"

#include "document_json.h"

namespace qdf {

int RunExport(const FileOptions& options, std::ostream& out, std::ostream& err) {
    return RunReadCommand(
        options,
        [&](const CTWFileQDF& doc, const LoadReport& report) {
            return DocumentToJson(doc, options.file, report, options.encoding).dump(2) + "\n";
        },
        out, err);
}

}  // namespace qdf
