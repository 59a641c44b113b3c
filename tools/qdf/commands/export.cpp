// qdf export: documents as JSON, several as JSON Lines.
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "loading.h"
#include "output.h"

#include <twfile/json/document_json.h>

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

void ExportDocument(std::ostream& out, const std::string& file, const CTWFileQDF& doc,
                    const LoadReport& report, json::Encoding encoding, bool lines, bool compact) {
    // A failure prints nothing of the document.
    AsFailure([&] { return json::CheckDecodable(doc, encoding); });
    json::JsonText text(out, lines || compact);
    if (lines) {
        text.BeginObject();
        text.Key("path");
        text.String(json::ForeignText(file));
        text.Key("document");
    }
    json::WriteDocumentJson(text, doc, ReadReportOf(file, report), encoding);
    if (lines) text.EndObject();
    text.EndLine();
}

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    const bool lines = options.lines || options.files.size() > 1;
    Render render;
    render.document = [&](std::ostream& out, const std::string& file, const CTWFileQDF& doc,
                          const LoadReport& report) {
        ExportDocument(out, file, doc, report, options.encoding, lines, options.compact);
    };
    if (lines) {
        render.unread = [](const std::string& file, const std::string& why) {
            return Dumped(
                Json{{"path", json::ForeignText(file)}, {"error", json::ForeignText(why)}}, true);
        };
    }
    if (options.output.empty() || options.output == "-")
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

Action DefineExport(CLI::App& command) {
    auto o = Make<ExportOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    command.add_flag("--lines", o->lines,
                     "Write JSON Lines even for one file (several files always give them)");
    command.add_flag("-c,--compact", o->compact, "Write the JSON on one line, without spaces");
    command
        .add_option("-j,--jobs", o->jobs,
                    "Read this many files at a time, 1 to 256, on as many threads (the output "
                    "keeps the order of the files)")
        ->check(CLI::Range(1, 256))
        ->option_text("N");
    AddOutput(command, o->output,
              "Write to this file instead of standard output (- for standard output); it is "
              "replaced in one step when the export is done");
    AddEncoding(command, o->encoding);
    command.footer(
        "JSON Lines hold one object a file: {\"path\", \"document\"} when it was read, "
        "{\"path\", \"error\"} when it could not be.");
    return [o] { return RunExport(*o, std::cout, std::cerr); };
}

}  // namespace qdf
