// qdf import: a document built from its JSON form and saved.
#include <algorithm>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include <twfile/json/document_json.h>
#include <twfile/json/lossy_members.h>
#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "input.h"
#include "output.h"

namespace qdf {

namespace {

using Json = nlohmann::ordered_json;

// The last part of a path, after its last / or \\.
std::string LastPart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One line of export --lines output, saved to its path, or under folder by
// the path's last part alone, so that no name from the input leads out of
// the folder. Raises a Failure saying why it is not saved.
void ImportLine(const std::string& line, const ImportOptions& options, std::ostream& out,
                std::ostream& err) {
    Json entry;
    try {
        entry = Json::parse(line);
    } catch (const nlohmann::json::parse_error& error) {
        throw Failure(kExitFailed, std::string("not JSON: ") + error.what());
    }
    if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_string())
        throw Failure(kExitFailed, "not a line of export --lines: it has no \"path\"");
    std::string target = entry["path"].get<std::string>();
    if (entry.contains("error") || !entry.contains("document") || !entry["document"].is_object())
        throw Failure(kExitFailed, target + ": the line holds no document");
    if (!options.output.empty()) {
        const std::string name = LastPart(target);
        if (name.empty() || name == "." || name == "..")
            throw Failure(kExitFailed, target + ": names no file to write under " + options.output);
        target = options.output + "/" + name;
    }
    if (target == "-") throw Failure(kExitFailed, "a path of - names no file to write");
    CTWFileQDF doc;
    AsFailure([&] { return json::ApplyJson(entry["document"], doc, options.encoding); });
    if (!json::FindLossyMembers(doc).empty()) {
        throw Failure(kExitFailed,
                      target + ": not written: the file cannot carry these members back unchanged");
    }
    if (SaveDocument(doc, target, out, err, options.wait) != kExitOk)
        throw Failure(kExitFailed, target + ": not written");
}

// import --lines: every line a document; a line that fails is named, and the
// others are still written.
int RunImportLines(const ImportOptions& options, std::ostream& out, std::ostream& err) {
    const std::string name = InputName(options.input);
    int status = kExitOk;
    try {
        InputStream input(options.input);
        std::string line;
        for (long number = 1; std::getline(input.stream(), line); ++number) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            try {
                ImportLine(line, options, out, err);
            } catch (const Failure& failure) {
                PrintMessage(err, name + ": line " + std::to_string(number), failure.what());
                status = kExitFailed;
            }
        }
        input.CheckRead();
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return std::max<int>(status, failure.status());
    }
    return status;
}

}  // namespace

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
    if (options.lines) return RunImportLines(options, out, err);
    if (options.output.empty()) {
        PrintMessage(err, "import", "-o FILE names the document to write (- for standard output)");
        return kExitUsage;
    }
    try {
        InputStream input(options.input);
        return ImportDocument(input.stream(), InputName(options.input), options.output,
                              options.encoding, options.wait, out, err, &input);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

int ImportDocument(std::istream& input, const std::string& name, const std::string& target,
                   json::Encoding encoding, double wait, std::ostream& out, std::ostream& err,
                   const InputStream* file) {
    const auto checkRead = [file] {
        if (file != nullptr) file->CheckRead();
    };
    try {
        CTWFileQDF doc;
        const Diagnostics setup = TakeDiagnostics();
        if (!setup.Empty()) {
            PrintDiagnostics(err, target, setup);
            return kExitFailed;
        }
        try {
            AsFailure([&] { return json::ReadJson(input, doc, encoding); });
        } catch (const Failure& failure) {
            checkRead();  // a failed read ends the text early
            throw Failure(failure.status(), name + ": " + failure.what());
        }
        checkRead();

        const std::vector<json::LossyMember> lossy = json::FindLossyMembers(doc);
        if (!lossy.empty()) {
            for (const json::LossyMember& member : lossy) {
                PrintMessage(err, name, member.member + ": " + member.reason);
            }
            PrintMessage(err, target,
                         "not written: the file cannot carry these members back unchanged");
            return kExitFailed;
        }
        return SaveDocument(doc, target, out, err, wait);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

Action DefineImport(CLI::App& command) {
    auto o = Make<ImportOptions>();
    command.add_option("JSON", o->input, "The JSON file, or - for standard input")->required();
    AddOutput(command, o->output,
              "The .qdf file to write, or - for standard output; with --lines, the folder to "
              "write the documents in (by their names alone)");
    command.add_flag("--lines", o->lines,
                     "Read export --lines output: each line's document saved to its path, or "
                     "under -o FOLDER");
    AddEncoding(command, o->encoding);
    AddWait(command, o->wait);
    command.footer(
        "Keys that are missing keep the values of a new document; sectionsRead, statusReport "
        "and error are ignored. The output is replaced only when the whole document is "
        "written.");
    return [o] { return RunImport(*o, std::cout, std::cerr); };
}

}  // namespace qdf
