// qdf man (not listed in the help): the manual page in roff, made from the
// command table, for the build to install as qdf.1.
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "command_table.h"
#include "commands.h"

namespace qdf {

namespace {

// Text as roff sets it: its escape character and hyphens escaped, and a line
// that roff would take for a request kept as text.
std::string Roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (char ch : text) {
        if (lineStart && (ch == '.' || ch == '\'')) out += "\\&";
        if (ch == '\\')
            out += "\\e";
        else if (ch == '-')
            out += "\\-";
        else
            out += ch;
        lineStart = ch == '\n';
    }
    return out;
}

std::string Bold(const std::string& text) {
    return "\\fB" + Roff(text) + "\\fR";
}

std::string Page(const CLI::App& qdf) {
    std::string page = ".TH QDF 1 \"\" \"twfile " + Roff(VersionText()) +
                       "\" \"User Commands\"\n"
                       ".SH NAME\nqdf \\- query definition file tool\n"
                       ".SH SYNOPSIS\n";
    for (const Command& row : Commands()) {
        if (!row.hidden) page += Bold(Synopsis(*qdf.get_subcommand(row.name))) + "\n.br\n";
    }
    page += Bold("qdf --version") + "\n.SH DESCRIPTION\n" + Roff(qdf.get_description()) +
            ".\n.PP\nEach command's section below lists its options, its exit statuses and "
            "examples; " +
            Bold("qdf help COMMAND") + " prints the same.\n.SH COMMANDS\n";
    for (const Command& row : Commands()) {
        if (row.hidden) continue;
        const CLI::App& command = *qdf.get_subcommand(row.name);
        page += ".SS " + Roff(row.name) + "\n" + Bold(Synopsis(command)) + "\n.PP\n" +
                Roff(row.summary) + ".\n";
        for (const CLI::Option* option : command.get_options()) {
            if (option->nonpositional()) continue;
            page +=
                ".TP\n" + Bold(option->get_name()) + "\n" + Roff(option->get_description()) + "\n";
        }
        for (const OptionText& option : OptionsOf(command)) {
            std::string names;
            for (const std::string& name : option.names)
                names += (names.empty() ? "" : ", ") + Bold(name);
            if (!option.value.empty()) names += " \\fI" + Roff(option.value) + "\\fR";
            page += ".TP\n" + names + "\n" + Roff(option.description) + "\n";
        }
        std::string notes = command.get_footer();
        notes = notes.substr(0, notes.find("Exit status:"));
        while (!notes.empty() && notes.back() == '\n')
            notes.pop_back();
        if (!notes.empty()) page += ".PP\n" + Roff(notes) + "\n";
        page += ".PP\nExit status:\n.RS\n";
        for (const ExitMeaning& exit : row.exits)
            page += ".TP 5\n" + std::to_string(exit.status) + "\n" + Roff(exit.meaning) + "\n";
        page += ".RE\n";
        if (!row.examples.empty()) {
            page += ".PP\nExamples:\n.RS\n";
            for (const Example& example : row.examples)
                page += ".PP\n" + Bold(example.line) + "\n.br\n" + Roff(example.what) + "\n";
            page += ".RE\n";
        }
    }
    page +=
        ".SH EXIT STATUS\n"
        ".TP 5\n0\ndone, and clean\n"
        ".TP\n1\ndone, but a read stopped at an error, a check failed or a document was "
        "refused\n"
        ".TP\n2\nnothing could be done: wrong arguments, an input that cannot be opened or "
        "read\n"
        ".TP\n3\na document to change is held by another writer: nothing was done, and "
        "trying again later may succeed\n"
        ".TP\n130, 143\n" +
        Bold("run") + " stopped by Ctrl\\-C or SIGTERM\n" +
        ".PP\nEach command's own statuses are listed in its section.\n"
        ".SH ENVIRONMENT\n"
        ".TP\n" +
        Bold("VISUAL") + ", " + Bold("EDITOR") + "\n" +
        Roff("The editor of qdf edit: VISUAL, else EDITOR, else vi (notepad on Windows).") +
        "\n.TP\n" + Bold("TMPDIR") + "\n" +
        Roff(
            "The folder for temporary files (standard input kept as a file, the text qdf "
            "edit opens); on Windows TEMP or TMP when it is not set; else /tmp.") +
        "\n.TP\n" + Bold("QDF_ODBC_PASSWORD") + "\n" +
        Roff(
            "The password for an odbc: database, so that it need not be on the command "
            "line, where others can see it.") +
        "\n.SH FILES\n.TP\n" + Bold("*.qdf") + "\n" +
        Roff("Query definition files, read and written by the commands.") + "\n.TP\n" +
        Bold("share/bash-completion/completions/qdf") + ", " +
        Bold("share/zsh/site-functions/_qdf") + ", " +
        Bold("share/fish/vendor_completions.d/qdf.fish") + "\n" +
        Roff(
            "The completion scripts the package installs (qdf completion SHELL prints "
            "them).") +
        "\n";
    return page;
}

}  // namespace

Action DefineManualPage(CLI::App& command) {
    return [&command] {
        std::cout << Page(*command.get_parent());
        return int{kExitOk};
    };
}

}  // namespace qdf
