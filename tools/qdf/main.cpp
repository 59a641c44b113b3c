// qdf: the command line. Each subcommand's work is in its own file; this one
// only declares the arguments and calls it.
#include <cctype>
#include <exception>
#include <iostream>
#include <map>
#include <new>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <CLI/CLI.hpp>

#include "check.h"
#include "condition_command.h"
#include "diagnostics.h"
#include "exit_status.h"
#include "export.h"
#include "import.h"
#include "new_document.h"
#include "show.h"
#include "sql_cli.h"
#include "version.h"

namespace {

using qdf::Encoding;

// An option whose value is one of the names of choices (in any case); it
// sets target to the value of that name.
template <typename T>
CLI::Option* AddChoice(CLI::App& command, const std::string& name, T& target,
                       const std::map<std::string, T>& choices, const std::string& description) {
    std::string names;
    for (const auto& choice : choices)
        names += (names.empty() ? "" : "|") + choice.first;
    const auto lower = [](std::string text) {
        for (char& ch : text)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return text;
    };
    return command
        .add_option_function<std::string>(
            name,
            [&target, choices, lower](const std::string& value) {
                target = choices.at(lower(value));
            },
            description)
        ->check(CLI::Validator(
            [choices, names, lower](std::string& value) {
                return choices.count(lower(value)) != 0 ? std::string() : "must be one of " + names;
            },
            ""))
        ->option_text(names);
}

void AddEncoding(CLI::App& command, Encoding& encoding) {
    AddChoice(command, "--encoding", encoding,
              std::map<std::string, Encoding>{{"windows-1252", Encoding::Windows1252},
                                              {"utf-8", Encoding::Utf8}},
              "How the file's bytes are read as text: windows-1252 (every byte string, the "
              "default) or utf-8");
}

// Prints what the library showed outside any command's own reporting.
void PrintLeftoverMessages() {
    for (const std::string& text : qdf::TakeMessages())
        qdf::PrintMessage(std::cerr, "", text);
}

int Run(int argc, char** argv) {
    CLI::App app{"qdf: show, export, import, create and check query definition files (.qdf)",
                 "qdf"};
    app.set_version_flag("--version", std::string("qdf ") + qdf::Version());
    app.require_subcommand(1);

    qdf::FileOptions showOptions;
    CLI::App* show = app.add_subcommand("show", "Print a readable summary of a document");
    show->add_option("FILE", showOptions.file, "The .qdf file, or - for standard input")
        ->required();
    AddEncoding(*show, showOptions.encoding);

    qdf::FileOptions exportOptions;
    CLI::App* exportCommand =
        app.add_subcommand("export", "Print a document as JSON on standard output");
    exportCommand->add_option("FILE", exportOptions.file, "The .qdf file, or - for standard input")
        ->required();
    AddEncoding(*exportCommand, exportOptions.encoding);
    exportCommand->footer(
        "Exit status: 0 read cleanly, 1 the read stopped at an error (the JSON shows what was "
        "read and the error), 2 the file cannot be opened or the arguments are wrong.");

    qdf::ImportOptions importOptions;
    CLI::App* import =
        app.add_subcommand("import", "Build a document from its JSON form and save it");
    import->add_option("JSON", importOptions.input, "The JSON file, or - for standard input")
        ->required();
    import
        ->add_option("-o,--output", importOptions.output,
                     "The .qdf file to write, or - for standard output")
        ->required();
    AddEncoding(*import, importOptions.encoding);
    import->footer(
        "Keys that are missing keep the values of a new document; sectionsRead, statusReport "
        "and error are ignored. The output is replaced only when the whole document is "
        "written.");

    qdf::NewOptions newOptions;
    CLI::App* create = app.add_subcommand("new", "Save a new empty document");
    create->add_option("FILE", newOptions.file, "The .qdf file to create, or - for standard output")
        ->required();
    create->add_flag("-f,--force", newOptions.force, "Replace the file if it exists");

    std::vector<std::string> checkFiles;
    CLI::App* check = app.add_subcommand(
        "check", "Tell for each file whether it reads cleanly and would be saved unchanged");
    check->add_option("FILE", checkFiles, "The .qdf files; - for standard input")->required();
    check->footer(
        "Exit status: 0 when every file is clean, 1 otherwise, 2 when a FILE is not a regular "
        "file or cannot be read.");
    qdf::SqlCli sqlCommands(app, *check);

    qdf::ConditionOptions conditionOptions;
    CLI::App* condition = app.add_subcommand(
        "condition", "Bind a condition text to an attribute and show what the library makes of it");
    AddChoice(*condition, "--type", conditionOptions.type,
              std::map<std::string, TWDB_DataType>{{"integer", TWDB_Integer},
                                                   {"string", TWDB_String},
                                                   {"bool", TWDB_Bool},
                                                   {"real", TWDB_Real},
                                                   {"time", TWDB_Time}},
              "The attribute's data type")
        ->required();
    condition->add_option("--table", conditionOptions.table,
                          "The attribute's table (default: the part of the first word before "
                          "its \".\", if any)");
    condition->add_option("--attribute", conditionOptions.attribute,
                          "The attribute's name (default: the first word, after its \".\")");
    condition
        ->add_option("TEXT", conditionOptions.text,
                     "The condition: attribute, operator and operand separated by spaces")
        ->required();
    AddEncoding(*condition, conditionOptions.encoding);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error, std::cout, std::cerr);
        std::cerr << "qdf: " << error.what() << "\n"
                  << "Run 'qdf --help' or 'qdf COMMAND --help' for more information.\n";
        return qdf::kExitUsage;
    }

    qdf::CaptureMessageBoxes();
    int status = qdf::kExitUsage;
    if (*show) status = qdf::RunShow(showOptions, std::cout, std::cerr);
    if (*exportCommand) status = qdf::RunExport(exportOptions, std::cout, std::cerr);
    if (*import) status = qdf::RunImport(importOptions, std::cout, std::cerr);
    if (*create) status = qdf::RunNew(newOptions, std::cout, std::cerr);
    if (!sqlCommands.Run(checkFiles, status) && *check)
        status = qdf::RunCheck(checkFiles, std::cout, std::cerr);
    if (*condition) status = qdf::RunCondition(conditionOptions, std::cout, std::cerr);
    PrintLeftoverMessages();
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "qdf: cannot write to standard output\n";
        return qdf::kExitFailed;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "qdf: out of memory\n";
    } catch (const std::exception& error) {
        std::cerr << "qdf: " << error.what() << '\n';
    }
    return qdf::kExitFailed;
}
