// The commands that read documents and report on them: export and check
// (show, with its summary, is show.cpp).
#include <string>
#include <vector>

#include <twfile/query/qdf.h>

#include "commands.h"
#include "files.h"

#include "document_json.h"
#include "lossy_members.h"

namespace qdf {

int RunExport(const FileOptions& options, std::ostream& out, std::ostream& err) {
    return RunReadCommand(
        options,
        [&](const CTWFileQDF& doc, const LoadReport& report) {
            return DocumentToJson(doc, options.file, report, options.encoding).dump(2) + "\n";
        },
        out, err);
}

namespace {

// The findings for one file, one line each; none when it is clean.
std::vector<std::string> CheckFile(const std::string& file) {
    std::vector<std::string> findings;
    CTWFileQDF doc;
    const LoadReport report = LoadDocument(file, doc);
    if (!report.opened) {
        findings.push_back("cannot open: " + report.openFailure);
        if (report.diagnostics.error) {
            findings.push_back("error " + std::to_string(report.diagnostics.error->number) + ": " +
                               report.diagnostics.error->message);
        }
        return findings;
    }
    if (report.diagnostics.error) {
        findings.push_back("error " + std::to_string(report.diagnostics.error->number) + ": " +
                           report.diagnostics.error->message);
    }
    for (const std::string& message : report.diagnostics.messages)
        findings.push_back(message);
    const std::string notRead = SectionsNotRead(doc);
    if (!notRead.empty()) findings.push_back("sections not read: " + notRead);
    for (const LossyMember& member : FindLossyMembers(doc)) {
        findings.push_back(member.member + " " + member.reason);
    }
    return findings;
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    if (!options.schema.empty()) return RunSchemaCheck(options, out, err);
    int status = kExitOk;
    for (const std::string& file : options.files) {
        std::vector<std::string> findings;
        try {
            const DocumentInput input(file);
            findings = CheckFile(input.path());
        } catch (const Failure& failure) {
            // An input that is not a document file at all: bad usage.
            PrintMessage(err, "", failure.what());
            status = kExitUsage;
            continue;
        }
        if (findings.empty()) {
            out << file << ": ok\n";
            continue;
        }
        if (status == kExitOk) status = kExitFailed;
        for (const std::string& finding : findings)
            out << file << ": " << finding << '\n';
    }
    return status;
}

}  // namespace qdf
