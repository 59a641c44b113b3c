// The commands that read documents and report on them: export and check
// (show, with its summary, is show.cpp).
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "files.h"

#include <twfile/json/document_json.h>
#include <twfile/json/lossy_members.h>

namespace qdf {

using Json = nlohmann::ordered_json;

namespace {

// json as one line, or indented; a line end after it.
std::string Dumped(const Json& json, bool compact) {
    return (compact ? json.dump() : json.dump(2)) + "\n";
}

// How file was read, as the JSON form reports it.
json::ReadReport ReadReportOf(const std::string& file, const LoadReport& report) {
    json::ReadReport read;
    read.file = file;
    read.statusReport = report.statusReport;
    if (report.diagnostics.error) {
        read.error = json::ReadReport::Stop{report.diagnostics.error->number,
                                            report.diagnostics.error->message, std::nullopt};
        if (report.errorAt) read.error->at = {report.errorAt->line, report.errorAt->byte};
    }
    return read;
}

}  // namespace

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    const bool lines = options.lines || options.files.size() > 1;
    Render render;
    render.document = [&](std::ostream& out, const std::string& file, const CTWFileQDF& doc,
                          const LoadReport& report) {
        AsFailure([&] {
            return json::CheckDecodable(doc, options.encoding);
        });  // a failure prints nothing of the document
        json::JsonText text(out, lines || options.compact);
        if (lines) {
            text.BeginObject();
            text.Key("path");
            text.String(json::ForeignText(file));
            text.Key("document");
        }
        json::WriteDocumentJson(text, doc, ReadReportOf(file, report), options.encoding);
        if (lines) text.EndObject();
        text.EndLine();
    };
    if (lines) {
        render.unread = [](const std::string& file, const std::string& why) {
            return Dumped(
                Json{{"path", json::ForeignText(file)}, {"error", json::ForeignText(why)}}, true);
        };
    }
    if (options.output.empty())
        return RunReadCommand(options.files, render, out, err, options.jobs);

    try {
        ReplacingFile output(options.output);
        const int status =
            RunReadCommand(options.files, render, output.stream(), err, options.jobs);
        if (output.stream().tellp() > 0) output.Commit();
        return status;
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

namespace {

struct CheckResult {
    bool opened = false;
    // The error that stopped the read, or why the file did not open.
    std::string error;
    // The sections' read indicators, when it opened.
    Json sectionsRead;
    // One line each; none when the file is clean.
    std::vector<std::string> findings;
};

CheckResult CheckFile(const std::string& file) {
    CheckResult result;
    CTWFileQDF doc;
    const LoadReport report = LoadDocument(file, doc);
    if (report.NotADocument()) {
        result.opened = report.opened;
        result.error = kNotADocumentText;
        result.findings.push_back(result.error);
        result.sectionsRead = Json::object();
        for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i)
            result.sectionsRead[CTWFileQDF::SectionName(i)] = false;
        return result;
    }
    if (report.diagnostics.error) {
        const std::string place = ErrorPlace(report);
        result.error = (place.empty() ? "" : place + ": ") + "error " +
                       std::to_string(report.diagnostics.error->number) + ": " +
                       report.diagnostics.error->message;
    }
    if (!report.opened) {
        result.findings.push_back("cannot open: " + report.openFailure);
        if (!result.error.empty()) result.findings.push_back(result.error);
        result.error = result.findings.front();
        return result;
    }
    result.opened = true;
    if (!result.error.empty()) result.findings.push_back(result.error);
    for (const std::string& message : report.diagnostics.messages)
        result.findings.push_back(message);
    const std::string notRead = SectionsNotRead(doc);
    if (!notRead.empty()) result.findings.push_back("sections not read: " + notRead);
    if (report.droppedAt) {
        result.findings.push_back(DroppedPlace(report) + ": text that a save would drop");
    }
    for (const json::LossyMember& member : json::FindLossyMembers(doc)) {
        result.findings.push_back(member.member + " " + member.reason);
    }
    result.sectionsRead = Json::object();
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        result.sectionsRead[CTWFileQDF::SectionName(i)] = doc.m_bSectionRead[i] != 0;
    }
    return result;
}

void PrintCheck(const std::string& file, const CheckResult& result, bool asJson,
                std::ostream& out) {
    if (asJson) {
        Json findings = Json::array();
        for (const std::string& finding : result.findings)
            findings.push_back(json::ForeignText(finding));
        out << Json{{"path", json::ForeignText(file)},
                    {"ok", result.findings.empty()},
                    {"sectionsRead", result.sectionsRead},
                    {"error",
                     result.error.empty() ? Json() : Json(json::ForeignText(result.error))},
                    {"findings", std::move(findings)}}
                   .dump()
            << '\n';
        return;
    }
    if (result.findings.empty()) out << file << ": ok\n";
    for (const std::string& finding : result.findings)
        out << file << ": " << finding << '\n';
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    std::ostringstream discarded;
    std::ostream& shown = options.quiet ? discarded : out;
    if (!options.schema.empty()) {
        if (options.json) {
            PrintMessage(err, "check", "--json does not go with --schema");
            return kExitUsage;
        }
        return RunSchemaCheck(options, shown, err);
    }
    try {
        RequireOneStandardInput(options.files);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
    int status = kExitOk;
    for (const std::string& file : options.files) {
        CheckResult result;
        try {
            const DocumentInput input(file);
            result = CheckFile(input.path());
        } catch (const Failure& failure) {
            // An input that is not a document file at all: bad usage.
            PrintMessage(err, "", failure.what());
            status = kExitUsage;
            if (options.json) {
                result.error = Why(failure, file);
                result.findings.push_back(result.error);
                PrintCheck(file, result, true, shown);
            }
            continue;
        }
        // A file that cannot be opened is trouble; one that opened with
        // findings is merely not clean.
        const int fileStatus = !result.opened            ? kExitUsage
                               : result.findings.empty() ? kExitOk
                                                         : kExitFailed;
        status = std::max(status, fileStatus);
        PrintCheck(file, result, options.json, shown);
    }
    return status;
}

}  // namespace qdf
