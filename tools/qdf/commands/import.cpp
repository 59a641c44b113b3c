// qdf import: a document built from its JSON form and saved.
#include <iostream>

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

Action DefineImport(CLI::App& command) {
    auto o = Make<ImportOptions>();
    command.add_option("JSON", o->input, "The JSON file, or - for standard input")->required();
    AddOutput(command, o->output, "The .qdf file to write, or - for standard output")->required();
    AddEncoding(command, o->encoding);
    AddWait(command, o->wait);
    command.footer(
        "Keys that are missing keep the values of a new document; sectionsRead, statusReport "
        "and error are ignored. The output is replaced only when the whole document is "
        "written.");
    return [o] { return RunImport(*o, std::cout, std::cerr); };
}

}  // namespace qdf
