// qdf: the command line. The table below names each command, says what the
// user is told of it (its summary, exit statuses and examples) and the
// function that declares its arguments (commands/<name>.cpp); the help,
// the manual page and the shell completions are made from it.

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "command_table.h"
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

namespace qdf {

namespace {

// The statuses of the commands that read files one after another: the
// highest of the files'.
const std::vector<ExitMeaning> kReadExits = {
    {kExitOk, "every file read cleanly"},
    {kExitFailed, "a read stopped at an error (what was read is still shown, with the error)"},
    {kExitUsage,
     "a file cannot be opened, a text does not fit the encoding, the arguments "
     "are wrong, or standard output cannot be written"}};

const std::vector<ExitMeaning> kEditExits = {
    {kExitOk, "saved, or nothing to change"},
    {kExitFailed,
     "the file is not a document, did not read cleanly or holds text a save "
     "would drop, the result was refused or the save failed"},
    {kExitUsage, "the file cannot be opened or the arguments are wrong"},
    {kExitInUse, "another writer holds the file (try again, or give --wait)"}};

const std::vector<Command> kCommands = {
    {"show",
     "Print a readable summary of a document",
     kReadExits,
     {{"qdf show report.qdf", "the members of report.qdf, one a line"},
      {"qdf show a.qdf b.qdf", "both summaries, an empty line between them"}},
     DefineShow},
    {"export",
     "Print documents as JSON, several as JSON Lines",
     kReadExits,
     {{"qdf export report.qdf", "the document's JSON form, indented"},
      {"qdf export -j 4 -o all.jsonl *.qdf", "every file as JSON Lines into all.jsonl"}},
     DefineExport},
    {"import",
     "Build a document from its JSON form and save it",
     {{kExitOk, "written"},
      {kExitFailed,
       "the document was refused (members the file cannot carry) or writing "
       "failed"},
      {kExitUsage, "the input cannot be read, is not JSON or does not fit the shape"},
      {kExitInUse, "another writer holds the output (try again, or give --wait)"}},
     {{"qdf import report.json -o report.qdf", "report.qdf made from its JSON form"},
      {"qdf export a.qdf | qdf import - -o b.qdf", "a copy of a.qdf through its JSON form"}},
     DefineImport},
    {"new",
     "Save a new empty document",
     {{kExitOk, "written"},
      {kExitFailed, "writing failed"},
      {kExitUsage, "the file exists and --force is not given, or the arguments are wrong"}},
     {{"qdf new empty.qdf", "a new document in empty.qdf"}},
     DefineNew},
    {"check",
     "Tell for each file whether it reads cleanly and would be saved unchanged",
     {{kExitOk, "every file is clean"},
      {kExitFailed, "a file is not clean, or a document does not fit the schema"},
      {kExitUsage,
       "a FILE is not a regular file or cannot be read, or the schema cannot be "
       "read"}},
     {{"qdf check *.qdf", "\"FILE: ok\" or one line per finding, for each file"},
      {"qdf check --schema shop.db report.qdf", "whether the tables and columns are in shop.db"}},
     DefineCheck},
    {"set",
     "Set members of a document: qdf set FILE KEY=VALUE...",
     kEditExits,
     {{"qdf set report.qdf database=Sales", "the document's database set to Sales"},
      {"qdf set report.qdf flags.editedSQL=true", "a flag set"}},
     DefineSet},
    {"get",
     "Print members of a document by the keys that set takes",
     {{kExitOk, "printed"},
      {kExitFailed, "the document did not read cleanly (what was read is printed)"},
      {kExitUsage, "an unknown key, an element past a list's end, or a file that cannot be read"}},
     {{"qdf get report.qdf database 'tables[0]'", "the database and the first table, in JSON"},
      {"qdf get -r report.qdf editedSQL", "the edited SQL as it is"}},
     DefineGet},
    {"add",
     "Append texts to a list of a document",
     kEditExits,
     {{"qdf add report.qdf tables ORDERS", "the table ORDERS appended to the tables"}},
     DefineAdd},
    {"remove",
     "Remove elements from a list of a document",
     kEditExits,
     {{"qdf remove report.qdf conditions 0 2", "the first and third conditions removed"}},
     DefineRemove},
    {"edit",
     "Edit a document's JSON form in $VISUAL or $EDITOR, and save it",
     kEditExits,
     {{"qdf edit report.qdf", "report.qdf's JSON form opened in the editor"}},
     DefineEdit},
    {"diff",
     "Name each member in which two documents differ",
     {{kExitOk, "equal"},
      {kExitFailed, "different"},
      {kExitUsage,
       "a file cannot be opened or did not read cleanly (what was read is still "
       "compared), or standard output cannot be written"}},
     {{"qdf diff old.qdf new.qdf", "\"PATH: A -> B\" for each difference"}},
     DefineDiff},
    {"condition",
     "Bind a condition text to an attribute and show what the library makes of it",
     {{kExitOk, "the condition's checks pass"},
      {kExitFailed, "the checks fail or the library reports an error"},
      {kExitUsage, "the arguments do not name an attribute or do not fit the encoding"}},
     {{"qdf condition --type integer \"ORDERS.QTY > 10\"",
       "the SQL and the checks of a condition on an integer"}},
     DefineCondition},
    {"params",
     "List the parameters of documents, where they stand and what they need",
     {{kExitOk, "listed"},
      {kExitFailed, "a read stopped at an error"},
      {kExitUsage, "a file or the schema cannot be read"}},
     {{"qdf params report.qdf", "each parameter's place, default and whether a run needs it"},
      {"qdf params --json --schema shop.db *.qdf", "the same as JSON, typed by shop.db"}},
     DefineParams},
    {"sql",
     "Print the SQL statement a document describes",
     {{kExitOk, "printed"},
      {kExitFailed, "the document did not read cleanly"},
      {kExitUsage,
       "bad input: a parameter without a value or with a value of the wrong type, "
       "a statement that run would refuse, a value --inline cannot write safely "
       "for the dialect"}},
     {{"qdf sql report.qdf", "the statement, and a comment for each bound value"},
      {"qdf sql --inline --param YEAR=2024 report.qdf", "the statement with the value written in"}},
     DefineSql},
    {"run",
     "Run the statement a document describes and print its rows",
     {{kExitOk, "done"},
      {kExitFailed, "the document did not read cleanly"},
      {kExitUsage,
       "bad input: a database that cannot be read, a table it lacks, a parameter "
       "without a value or of the wrong type, an error of the engine, the time "
       "limit reached"},
      {130, "stopped by Ctrl-C (the database's statement is cancelled first)"},
      {143, "stopped by SIGTERM (likewise)"}},
     {{"qdf run --db shop.db report.qdf", "the rows, as a table on a terminal, else as CSV"},
      {"qdf run --db postgresql://me@db.example.com/sales report.qdf",
       "the rows from PostgreSQL, the password from PGPASSWORD or ~/.pgpass"},
      {"qdf run --db odbc: --format json report.qdf",
       "the rows as JSON, from the data source the document names"}},
     DefineRun},
    {"diagram",
     "Draw a document's tables, their attributes and its joins (SVG, PNG or DOT)",
     {{kExitOk, "drawn"},
      {kExitFailed,
       "the document did not read cleanly (what was read is drawn), or the file is not a "
       "document"},
      {kExitUsage,
       "the file or the schema cannot be read, a text does not fit the encoding, the output "
       "cannot be written, or this qdf was built without Graphviz"}},
     {{"qdf diagram -o report.svg report.qdf", "the diagram of report.qdf in report.svg"},
      {"qdf diagram --schema shop.db --format png -o report.png report.qdf",
       "as a PNG image, with the types from shop.db and what it lacks in red"},
      {"qdf diagram --format dot report.qdf | dot -Tpdf -o report.pdf",
       "the graph as DOT, laid out by Graphviz's dot"}},
     DefineDiagram},
    {"serve",
     "Serve a folder of documents as a page in the browser, and as a JSON API",
     {{kExitOk, "stopped by Ctrl-C or SIGTERM"},
      {kExitUsage,
       "the folder, the address or the port cannot be had, or this qdf was built without "
       "cpp-httplib"}},
     {{"qdf serve examples --db sales.db", "the examples, run on sales.db"},
      {"qdf serve --open", "the current folder, opened in the browser"},
      {"curl -H \"Authorization: Bearer $TOKEN\" http://127.0.0.1:$PORT/api/documents",
       "the list of documents, from a script"}},
     DefineServe},
    {"help",
     "Print the help of qdf or of one command",
     {{kExitOk, "printed"}, {kExitUsage, "no such command"}},
     {{"qdf help export", "the help of export"}},
     DefineHelp},
    {"completion",
     "Print the completion script of a shell: bash, zsh or fish",
     {{kExitOk, "printed"}, {kExitUsage, "no such shell"}},
     {{"source <(qdf completion bash)", "completion in the running bash"},
      {"qdf completion fish > ~/.config/fish/completions/qdf.fish", "completion in fish"}},
     DefineCompletion},
    {"man", "Print the manual page (roff)", {{kExitOk, "printed"}}, {}, DefineManualPage, true},
};

// Prints what the library showed outside any command's own reporting.
void PrintLeftoverMessages() {
    for (const std::string& text : TakeMessages())
        PrintMessage(std::cerr, "", text);
}

// For a command line that did not parse: an argument that starts with "-"
// and is no option of the command was most likely a text, which goes after
// "--". Empty when there is none.
std::string DashHint(CLI::App& app, int argc, char** argv) {
    if (argc < 2 || FindCommand(argv[1]) == nullptr) return "";
    const CLI::App* command = app.get_subcommand(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-') continue;
        if (command->get_option_no_throw(arg.substr(0, arg.find('='))) != nullptr) continue;
        return "qdf: " + arg + " is no option of " + argv[1] +
               "; a text that starts with - goes after --, as in: qdf " + argv[1] + " ... -- " +
               arg + "\n";
    }
    return "";
}

int Run(int argc, char** argv) {
    CLI::App app{
        "qdf: show, export, import, create, check, edit, read and compare query definition "
        "files (.qdf), list their parameters, try conditions against an attribute, print or "
        "run the SQL statement a document describes, and draw its tables and joins",
        "qdf"};
    app.set_version_flag("--version", std::string("qdf ") + QDF_VERSION_TEXT);
    app.require_subcommand(1);
    std::vector<std::pair<CLI::App*, Action>> commands;
    for (const Command& command : kCommands) {
        CLI::App* sub = app.add_subcommand(command.name, command.summary);
        commands.emplace_back(sub, command.define(*sub));
        const std::string notes = sub->get_footer();
        sub->footer((notes.empty() ? "" : notes + "\n\n") + ExitAndExamplesText(command));
        if (command.hidden) sub->group("");
    }
    app.footer("Run 'qdf help COMMAND' for a command's options, exit statuses and examples.");

    // A bare qdf is told what it can do.
    if (argc < 2) {
        std::cout << app.help();
        return kExitUsage;
    }
    if (argv[1][0] != '-' && FindCommand(argv[1]) == nullptr) return UnknownCommand(argv[1]);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error, std::cout, std::cerr);
        std::cerr << std::string("qdf: ") + error.what() + "\n" + DashHint(app, argc, argv) +
                         "Run 'qdf --help' or 'qdf COMMAND --help' for more information.\n";
        return kExitUsage;
    }

    CaptureMessageBoxes();
    int status = kExitUsage;
    for (const auto& command : commands) {
        if (*command.first) status = command.second();
    }
    PrintLeftoverMessages();
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "qdf: cannot write to standard output\n";
        return kExitUsage;
    }
    return status;
}

}  // namespace

const std::vector<Command>& Commands() {
    return kCommands;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

// "qdf: unknown command 'WORD'", with the command it most likely meant.
int UnknownCommand(const std::string& word) {
    std::vector<std::string> names;
    for (const Command& command : kCommands) {
        if (!command.hidden) names.emplace_back(command.name);
    }
    const std::string closest = ClosestName(word, names);
    std::cerr << "qdf: unknown command '" << word << "'";
    if (!closest.empty()) std::cerr << "; did you mean '" << closest << "'?";
    std::cerr << "\nRun 'qdf help' for the list of commands.\n";
    return kExitUsage;
}

std::string VersionText() {
    return QDF_VERSION_TEXT;
}

}  // namespace qdf

int main(int argc, char** argv) {
    qdf::UseBinaryStandardStreams();
    try {
        return qdf::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "qdf: out of memory\n";
    } catch (const std::exception& error) {
        std::cerr << std::string("qdf: ") + error.what() + '\n';
    }
    return qdf::kExitFailed;
}
