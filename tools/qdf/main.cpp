// qdf: the command line. A table names each command and the function that
// declares its arguments; the work of each command is in commands.h.

#include <cctype>
#include <exception>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "diagnostics.h"
#include "portable.h"
#include "suggestion.h"

// The library's version header when the build makes one, else the project
// version the build passes in.
#if __has_include(<twfile/version.h>)
#include <twfile/version.h>
#define QDF_VERSION_TEXT TWFILE_VERSION_STRING
#else
#define QDF_VERSION_TEXT QDF_PROJECT_VERSION
#endif

namespace {

using qdf::Encoding;

// What runs a command once its arguments are parsed.
using Action = std::function<int()>;

std::string Lower(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

// An option whose value is one of the names of choices (in any case); it
// sets target to the value of that name.
template <typename T>
CLI::Option* AddChoice(CLI::App& command, const std::string& name, T& target,
                       const std::map<std::string, T>& choices, const std::string& description) {
    std::string names;
    for (const auto& choice : choices)
        names += (names.empty() ? "" : "|") + choice.first;
    return command
        .add_option_function<std::string>(
            name,
            [&target, choices](const std::string& value) { target = choices.at(Lower(value)); },
            description)
        ->check(CLI::Validator(
            [choices, names](std::string& value) {
                return choices.count(Lower(value)) != 0 ? std::string() : "must be one of " + names;
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

// --timeout SECONDS: the most time the database may spend on a statement.
void AddTimeout(CLI::App& command, unsigned& seconds) {
    command
        .add_option("--timeout", seconds,
                    "Stop the database's work after SECONDS seconds (exit status 2); 0, the "
                    "default: no limit")
        ->check(CLI::Range(0u, 86400u * 366))
        ->option_text("SECONDS");
}

void AddParameters(CLI::App& command, std::vector<std::string>& parameters) {
    command
        .add_option("--param", parameters,
                    "A parameter's value (repeatable); it comes before the document's default "
                    "values")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
}

// The options of one command live as long as its action.
template <typename Options>
std::shared_ptr<Options> Make() {
    return std::make_shared<Options>();
}

// --wait SECONDS of the commands that write a document another may hold.
void AddWait(CLI::App& command, double& wait) {
    command
        .add_option("--wait", wait,
                    "While another writer holds the file, try again for up to this many seconds "
                    "(default 0: give up at once, with exit status 3)")
        ->check(CLI::NonNegativeNumber)
        ->option_text("SECONDS");
}

Action DefineShow(CLI::App& command) {
    auto o = Make<qdf::FileOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    AddEncoding(command, o->encoding);
    return [o] { return qdf::RunShow(*o, std::cout, std::cerr); };
}

Action DefineExport(CLI::App& command) {
    auto o = Make<qdf::ExportOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    command.add_flag("--lines", o->lines,
                     "Write JSON Lines even for one file (several files always give them)");
    command.add_flag("-c,--compact", o->compact, "Write the JSON on one line, without spaces");
    command
        .add_option("-j,--jobs", o->jobs,
                    "Read this many files at a time, on as many threads (the output keeps the "
                    "order of the files)")
        ->check(CLI::Range(1, 256));
    command.add_option("-o,--output", o->output,
                       "Write to this file instead of standard output; it is replaced in one "
                       "step when the export is done");
    AddEncoding(command, o->encoding);
    command.footer(
        "JSON Lines hold one object a file: {\"path\", \"document\"} when it was read, "
        "{\"path\", \"error\"} when it could not be.\n"
        "Exit status, the highest of the files': 0 read cleanly, 1 the read stopped at an "
        "error (the JSON shows what was read and the error), 2 the file cannot be opened or "
        "the arguments are wrong.");
    return [o] { return qdf::RunExport(*o, std::cout, std::cerr); };
}

Action DefineImport(CLI::App& command) {
    auto o = Make<qdf::ImportOptions>();
    command.add_option("JSON", o->input, "The JSON file, or - for standard input")->required();
    command
        .add_option("-o,--output", o->output, "The .qdf file to write, or - for standard output")
        ->required();
    AddEncoding(command, o->encoding);
    AddWait(command, o->wait);
    command.footer(
        "Keys that are missing keep the values of a new document; sectionsRead, statusReport "
        "and error are ignored. The output is replaced only when the whole document is "
        "written.\n"
        "Exit status: 0 written, 1 the document was refused or writing failed, 2 the input "
        "cannot be read or does not fit, 3 another writer holds the output (try again, or give "
        "--wait).");
    return [o] { return qdf::RunImport(*o, std::cout, std::cerr); };
}

Action DefineNew(CLI::App& command) {
    auto o = Make<qdf::NewOptions>();
    command.add_option("FILE", o->file, "The .qdf file to create, or - for standard output")
        ->required();
    command.add_flag("-f,--force", o->force, "Replace the file if it exists");
    return [o] { return qdf::RunNew(*o, std::cout, std::cerr); };
}

Action DefineCheck(CLI::App& command) {
    auto o = Make<qdf::CheckOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    command.add_option("--schema", o->schema,
                       "Check each document against a database or a JSON schema instead");
    AddTimeout(command, o->timeout);
    command.add_flag("--json", o->json,
                     "Write one JSON object a file: path, ok, sectionsRead, error, findings");
    command.add_flag("-q,--quiet", o->quiet, "Write nothing: the exit status tells");
    command.footer(
        "Exit status: 0 when every file is clean, 1 otherwise, 2 when a FILE is not a regular "
        "file or cannot be read.");
    return [o] { return qdf::RunCheck(*o, std::cout, std::cerr); };
}

constexpr char kEditFooter[] =
    "The file is read and saved through one handle, held from the read to the save so that no "
    "other writer's change is lost; the save replaces it in one step, and when anything fails "
    "it is left as it was.\n"
    "Exit status: 0 saved, 1 the file is not a document, did not read cleanly or holds text a "
    "save would drop, the result was refused or the save failed, 2 the file cannot be opened or "
    "the arguments are wrong, 3 another writer holds the file (try again, or give --wait).";

// The FILE argument of the edits, their encoding and their wait.
std::shared_ptr<qdf::EditOptions> DefineEdit(CLI::App& command) {
    auto o = Make<qdf::EditOptions>();
    command
        .add_option("FILE", o->file, "The .qdf file (- edits standard input onto standard output)")
        ->required();
    AddEncoding(command, o->encoding);
    AddWait(command, o->wait);
    command.footer(kEditFooter);
    return o;
}

Action DefineSet(CLI::App& command) {
    auto o = DefineEdit(command);
    command
        .add_option("KEY=VALUE", o->arguments,
                    "KEY a member's path in the JSON form (database, flags.editedSQL, "
                    "printer.strings[2]); a text takes VALUE as it stands, a number, flag or "
                    "list (a JSON array) as JSON")
        ->required();
    return [o] { return qdf::RunSet(*o, std::cout, std::cerr); };
}

// The list an edit works on, by its key in the JSON form.
void AddList(CLI::App& command, std::string& list) {
    command
        .add_option("LIST", list,
                    "tables, attributes, nonDisplayAttributes, conditions, joins or defaultValues")
        ->required();
}

Action DefineAdd(CLI::App& command) {
    auto o = DefineEdit(command);
    AddList(command, o->list);
    command.add_option("TEXT", o->arguments, "The texts to append")->required();
    return [o] { return qdf::RunAdd(*o, std::cout, std::cerr); };
}

Action DefineRemove(CLI::App& command) {
    auto o = DefineEdit(command);
    AddList(command, o->list);
    command.add_option("INDEX", o->arguments, "The indexes (from 0) of the elements to remove")
        ->required();
    return [o] { return qdf::RunRemove(*o, std::cout, std::cerr); };
}

Action DefineEditor(CLI::App& command) {
    auto o = DefineEdit(command);
    command.footer(std::string("Opens $VISUAL, else $EDITOR, else vi, on the document's JSON "
                               "form; saves when the editor exits successfully, the text "
                               "changed and fits, and the file did not change meanwhile. An "
                               "edited text that is not saved is kept, and the message says "
                               "where.\n") +
                   kEditFooter);
    return [o] { return qdf::RunEdit(*o, std::cout, std::cerr); };
}

Action DefineGet(CLI::App& command) {
    auto o = Make<qdf::GetOptions>();
    command.add_option("FILE", o->file, "The .qdf file, or - for standard input")->required();
    command
        .add_option("KEY", o->keys,
                    "Member paths as set takes them (database, flags.editedSQL, "
                    "printer.strings[7]), or a list's element (tables[2])")
        ->required();
    command.add_flag("-r,--raw", o->raw, "Print texts as they are, without JSON's quotes");
    AddEncoding(command, o->encoding);
    command.footer(
        "Exit status: 0 printed, 1 the document did not read cleanly (what was read is printed), "
        "2 an unknown key, an element past a list's end, or a file that cannot be read.");
    return [o] { return qdf::RunGet(*o, std::cout, std::cerr); };
}

Action DefineDiff(CLI::App& command) {
    auto o = Make<qdf::DiffOptions>();
    command.add_option("A", o->a, "The first .qdf file, or - for standard input")->required();
    command.add_option("B", o->b, "The second .qdf file, or - for standard input")->required();
    command.add_flag("--json", o->json,
                     "Write {\"equal\", \"differences\": [{\"path\", \"a\", \"b\"}]}");
    AddEncoding(command, o->encoding);
    command.footer(
        "Each member that differs is named by its path in the JSON form (tables[2], "
        "flags.editedSQL), with its values in A and in B.\n"
        "Exit status: 0 equal, 1 different, 2 a file cannot be opened or did not read cleanly "
        "(what was read is still compared).");
    return [o] { return qdf::RunDiff(*o, std::cout, std::cerr); };
}

Action DefineCondition(CLI::App& command) {
    auto o = Make<qdf::ConditionOptions>();
    AddChoice(command, "--type", o->type,
              std::map<std::string, TWDB_DataType>{{"integer", TWDB_Integer},
                                                   {"string", TWDB_String},
                                                   {"bool", TWDB_Bool},
                                                   {"real", TWDB_Real},
                                                   {"time", TWDB_Time}},
              "The attribute's data type")
        ->required();
    command.add_option("--table", o->table,
                       "The attribute's table (default: the part of the first word before its "
                       "\".\", if any)");
    command.add_option("--attribute", o->attribute,
                       "The attribute's name (default: the first word, after its \".\")");
    command
        .add_option("TEXT", o->text,
                    "The condition: attribute, operator and operand separated by spaces")
        ->required();
    AddEncoding(command, o->encoding);
    return [o] { return qdf::RunCondition(*o, std::cout, std::cerr); };
}

void AddDialect(CLI::App& command, twfile::sql::Dialect& dialect, const std::string& description) {
    AddChoice(command, "--dialect", dialect,
              std::map<std::string, twfile::sql::Dialect>{
                  {"sqlite", twfile::sql::Dialect::SQLite},
                  {"postgresql", twfile::sql::Dialect::PostgreSQL}},
              description);
}

Action DefineSql(CLI::App& command) {
    auto o = Make<qdf::SqlOptions>();
    command.add_option("FILE", o->file, "The .qdf file, or - for standard input")->required();
    AddParameters(command, o->parameters);
    command.add_flag("--inline", o->inlineValues,
                     "Write the values into the statement as quoted SQL literals");
    AddDialect(command, o->dialect,
               "The server's SQL: how the statement is read and checked and how --inline writes "
               "values (sqlite, the default, or postgresql)");
    command.add_option("--schema", o->schema,
                       "A database or JSON schema that gives the parameters' data types");
    AddEncoding(command, o->encoding);
    command.footer(
        "Exit status: 0 printed, 1 the document did not read cleanly, 2 bad input (a parameter "
        "without a value or with a value of the wrong type, a statement that run would refuse, "
        "a value --inline cannot write safely for the dialect).");
    return [o] { return qdf::RunSql(*o, std::cout, std::cerr); };
}

Action DefineParams(CLI::App& command) {
    auto o = Make<qdf::ParamsOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    command.add_flag("--json", o->json,
                     "One JSON object a file, {\"path\", \"parameters\"}, instead of the table");
    command.add_option("--schema", o->schema,
                       "A database or JSON schema that gives the conditions' data types");
    AddDialect(command, o->dialect,
               "The server's SQL, how the texts are read (sqlite, the default, or postgresql)");
    AddEncoding(command, o->encoding);
    command.footer(
        "Exit status, the highest of the files': 0 listed, 1 the document did not read cleanly, "
        "2 a file or the schema cannot be read.");
    return [o] { return qdf::RunParams(*o, std::cout, std::cerr); };
}

Action DefineRun(CLI::App& command) {
    auto o = Make<qdf::RunOptions>();
    command.add_option("FILE", o->file, "The .qdf file, or - for standard input")->required();
    command
        .add_option("--db", o->database,
                    "The SQLite database, or odbc:CONNECTION-STRING (odbc: alone: the "
                    "document's data source)")
        ->required();
    AddParameters(command, o->parameters);
    AddChoice(command, "--format", o->format,
              std::map<std::string, std::optional<qdf::RowFormat>>{{"table", qdf::RowFormat::Table},
                                                                   {"csv", qdf::RowFormat::Csv},
                                                                   {"json", qdf::RowFormat::Json}},
              "table (the default on a terminal), csv (the default otherwise) or json");
    command.add_option("--limit", o->limit, "Print at most N rows")
        ->check(CLI::Validator(
            [](std::string& text) {
                return !text.empty() && text.size() < 19 &&
                               text.find_first_not_of("0123456789") == std::string::npos
                           ? std::string()
                           : "must be a whole number of rows, 0 or more";
            },
            ""))
        ->option_text("N");
    AddTimeout(command, o->timeout);
    AddEncoding(command, o->encoding);
    command.footer(
        "Exit status: 0 done, 1 the document did not read cleanly, 2 bad input (a database "
        "that cannot be read, a table it lacks, a parameter without a value or of the wrong "
        "type, an error of the engine, the time limit reached), 130 or 143 stopped by Ctrl-C "
        "or SIGTERM (the database's statement is cancelled first).");
    return [o] { return qdf::RunRun(*o, isatty(STDOUT_FILENO) != 0, std::cout, std::cerr); };
}

Action DefineHelp(CLI::App& command);

struct Command {
    const char* name;
    const char* summary;
    Action (*define)(CLI::App& command);
};

const Command kCommands[] = {
    {"show", "Print a readable summary of a document", DefineShow},
    {"export", "Print documents as JSON, several as JSON Lines", DefineExport},
    {"import", "Build a document from its JSON form and save it", DefineImport},
    {"new", "Save a new empty document", DefineNew},
    {"check", "Tell for each file whether it reads cleanly and would be saved unchanged",
     DefineCheck},
    {"set", "Set members of a document: qdf set FILE KEY=VALUE...", DefineSet},
    {"get", "Print members of a document by the keys that set takes", DefineGet},
    {"add", "Append texts to a list of a document", DefineAdd},
    {"remove", "Remove elements from a list of a document", DefineRemove},
    {"edit", "Edit a document's JSON form in $VISUAL or $EDITOR, and save it", DefineEditor},
    {"diff", "Name each member in which two documents differ", DefineDiff},
    {"condition", "Bind a condition text to an attribute and show what the library makes of it",
     DefineCondition},
    {"params", "List the parameters of documents, where they stand and what they need",
     DefineParams},
    {"sql", "Print the SQL statement a document describes", DefineSql},
    {"run", "Run the statement a document describes and print its rows", DefineRun},
    {"help", "Print the help of qdf or of one command", DefineHelp},
};

// "qdf: unknown command 'WORD'", with the command it most likely meant.
int UnknownCommand(const std::string& word) {
    std::vector<std::string> names;
    for (const Command& command : kCommands)
        names.emplace_back(command.name);
    const std::string closest = qdf::ClosestName(word, names);
    std::cerr << "qdf: unknown command '" << word << "'";
    if (!closest.empty()) std::cerr << "; did you mean '" << closest << "'?";
    std::cerr << "\nRun 'qdf help' for the list of commands.\n";
    return qdf::kExitUsage;
}

bool IsCommand(const std::string& word) {
    for (const Command& command : kCommands) {
        if (word == command.name) return true;
    }
    return false;
}

Action DefineHelp(CLI::App& command) {
    auto name = std::make_shared<std::string>();
    command.add_option("COMMAND", *name, "The command to describe (default: every command)");
    return [name, &command] {
        const CLI::App& qdf = *command.get_parent();
        if (name->empty()) {
            std::cout << qdf.get_formatter()->make_help(&qdf, "qdf", CLI::AppFormatMode::Normal);
            return int{qdf::kExitOk};
        }
        if (!IsCommand(*name)) return UnknownCommand(*name);
        std::cout << qdf.get_subcommand(*name)->help("qdf");
        return int{qdf::kExitOk};
    };
}

// Prints what the library showed outside any command's own reporting.
void PrintLeftoverMessages() {
    for (const std::string& text : qdf::TakeMessages())
        qdf::PrintMessage(std::cerr, "", text);
}

int Run(int argc, char** argv) {
    CLI::App app{
        "qdf: show, export, import, create, check, edit and compare query definition files "
        "(.qdf)",
        "qdf"};
    app.set_version_flag("--version", std::string("qdf ") + QDF_VERSION_TEXT);
    app.require_subcommand(1);
    std::vector<std::pair<CLI::App*, Action>> commands;
    for (const Command& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.summary);
        commands.emplace_back(sub, command.define(*sub));
    }

    if (argc > 1 && argv[1][0] != '-' && !IsCommand(argv[1])) return UnknownCommand(argv[1]);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error, std::cout, std::cerr);
        std::cerr << std::string("qdf: ") + error.what() +
                         "\nRun 'qdf --help' or 'qdf COMMAND --help' for more information.\n";
        return qdf::kExitUsage;
    }

    qdf::CaptureMessageBoxes();
    int status = qdf::kExitUsage;
    for (const auto& command : commands) {
        if (*command.first) status = command.second();
    }
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
    qdf::UseBinaryStandardStreams();
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "qdf: out of memory\n";
    } catch (const std::exception& error) {
        std::cerr << std::string("qdf: ") + error.what() + '\n';
    }
    return qdf::kExitFailed;
}
