#include "read_command.h"

#include "exit_status.h"
#include "input.h"

namespace qdf {

int RunReadCommand(const FileOptions& options, const Render& render, std::ostream& out,
                   std::ostream& err) {
    CTWFileQDF doc;
    LoadReport report;
    try {
        const DocumentInput input(options.file);
        report = LoadDocument(input.path(), doc);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
    if (!report.opened) {
        PrintMessage(err, options.file, "cannot open: " + report.openFailure);
        PrintDiagnostics(err, options.file, report.diagnostics);
        return kExitUsage;
    }
    PrintDiagnostics(err, options.file, report.diagnostics);
    try {
        out << render(doc, report);
    } catch (const Failure& failure) {
        PrintMessage(err, options.file, failure.what());
        return failure.status();
    }
    return report.diagnostics.error ? kExitFailed : kExitOk;
}

}  // namespace qdf
