// The table of qdf's commands. Each row holds what a user is told of the
// command besides its arguments: its summary, its exit statuses and its
// examples. --help, the manual page and the shell completions are all made
// from it, and the function that declares the command's arguments returns
// what runs it.
#ifndef QDF_COMMAND_TABLE_H
#define QDF_COMMAND_TABLE_H

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace qdf {

// What runs a command once its arguments are parsed.
using Action = std::function<int()>;

struct ExitMeaning {
    int status;
    const char* meaning;
};

struct Example {
    const char* line;  // the command line, "qdf ..."
    const char* what;  // what it does
};

struct Command {
    const char* name;
    const char* summary;
    std::vector<ExitMeaning> exits;
    std::vector<Example> examples;
    // Declares the command's arguments on command and returns what runs it.
    Action (*define)(CLI::App& command);
    // Left out of the help's list and of completion (the manual page's maker).
    bool hidden = false;
};

// The rows, in the order the help lists them (main.cpp).
const std::vector<Command>& Commands();
// The row of the command called name, or nullptr.
const Command* FindCommand(const std::string& name);

// The synopsis of a command, made from its arguments: "qdf show [OPTIONS]
// FILE...".
std::string Synopsis(const CLI::App& command);
// A command's option as the manual page and the completions show it.
struct OptionText {
    std::vector<std::string> names;    // "-c", "--compact"
    std::string value;                 // what it takes ("SECONDS"); empty for a flag
    std::vector<std::string> choices;  // the values it takes, when it names them
    std::string description;
};
std::vector<OptionText> OptionsOf(const CLI::App& command);

// "Exit status:" and "Examples:" as the help prints them after a command's
// own notes.
std::string ExitAndExamplesText(const Command& row);

// Says on standard error that word is no command, with the command it most
// likely meant; the exit status for it.
int UnknownCommand(const std::string& word);
// The version qdf --version prints (main.cpp).
std::string VersionText();

// The commands' own declarations (commands/<name>.cpp).
Action DefineShow(CLI::App& command);
Action DefineExport(CLI::App& command);
Action DefineImport(CLI::App& command);
Action DefineNew(CLI::App& command);
Action DefineCheck(CLI::App& command);
Action DefineSet(CLI::App& command);
Action DefineAdd(CLI::App& command);
Action DefineRemove(CLI::App& command);
Action DefineEdit(CLI::App& command);
Action DefineDiff(CLI::App& command);
Action DefineGet(CLI::App& command);
Action DefineParams(CLI::App& command);
Action DefineCondition(CLI::App& command);
Action DefineSql(CLI::App& command);
Action DefineRun(CLI::App& command);
Action DefineDiagram(CLI::App& command);
Action DefineServe(CLI::App& command);
Action DefineHelp(CLI::App& command);
Action DefineCompletion(CLI::App& command);
Action DefineManualPage(CLI::App& command);

}  // namespace qdf

#endif  // QDF_COMMAND_TABLE_H
