// The commands that write documents: import and new.
#include "portable.h"

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include <twfile/json/document_json.h>
#include <twfile/json/lossy_members.h>
#include "commands.h"
#include "diagnostics.h"
#include "files.h"

namespace qdf {

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
    const std::string name = InputName(options.input);
    try {
        InputStream input(options.input);
        CTWFileQDF doc;
        const Diagnostics setup = TakeDiagnostics();
        if (!setup.Empty()) {
            PrintDiagnostics(err, options.output, setup);
            return kExitFailed;
        }
        try {
            AsFailure([&] { return json::ReadJson(input.stream(), doc, options.encoding); });
        } catch (const Failure& failure) {
            input.CheckRead();  // a failed read ends the text early
            throw Failure(failure.status(), name + ": " + failure.what());
        }
        input.CheckRead();

        const std::vector<json::LossyMember> lossy = json::FindLossyMembers(doc);
        if (!lossy.empty()) {
            for (const json::LossyMember& member : lossy) {
                PrintMessage(err, name, member.member + ": " + member.reason);
            }
            PrintMessage(err, options.output,
                         "not written: the file cannot carry these members back unchanged");
            return kExitFailed;
        }
        return SaveDocument(doc, options.output, out, err, options.wait);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

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
