#include "check.h"

#include <twfile/query/qdf.h>

#include "exit_status.h"
#include "load.h"
#include "lossy_members.h"

namespace qdf {

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

int RunCheck(const std::vector<std::string>& files, std::ostream& out) {
    int status = kExitOk;
    for (const std::string& file : files) {
        const std::vector<std::string> findings = CheckFile(file);
        if (findings.empty()) {
            out << file << ": ok\n";
            continue;
        }
        status = kExitFailed;
        for (const std::string& finding : findings)
            out << file << ": " << finding << '\n';
    }
    return status;
}

}  // namespace qdf
