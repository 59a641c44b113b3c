// qdf help: the help of qdf or of one command, and the parts of a command's
// help made from its row of the table.
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "command_table.h"
#include "commands.h"

namespace qdf {

std::string Synopsis(const CLI::App& command) {
    std::string text = "qdf " + command.get_name();
    bool options = false;
    std::string arguments;
    for (const CLI::Option* option : command.get_options()) {
        if (option->nonpositional()) {
            options = options || option != command.get_help_ptr();
            continue;
        }
        std::string name = option->get_name();
        if (option->get_items_expected_max() > 1) name += "...";
        arguments += ' ' + (option->get_required() ? name : '[' + name + ']');
    }
    return text + (options ? " [OPTIONS]" : "") + arguments;
}

std::vector<OptionText> OptionsOf(const CLI::App& command) {
    std::vector<OptionText> options;
    for (const CLI::Option* option : command.get_options()) {
        if (!option->nonpositional()) continue;
        OptionText text;
        for (const std::string& name : option->get_snames())
            text.names.push_back("-" + name);
        for (const std::string& name : option->get_lnames())
            text.names.push_back("--" + name);
        if (option->get_type_size() != 0) {
            text.value = option->get_option_text();
            if (text.value.empty()) text.value = option->get_type_name();
            // A choice's text is its names, "|" between them.
            if (text.value.find('|') != std::string::npos) {
                std::size_t start = 0;
                for (std::size_t bar; (bar = text.value.find('|', start)) != std::string::npos;
                     start = bar + 1)
                    text.choices.push_back(text.value.substr(start, bar - start));
                text.choices.push_back(text.value.substr(start));
            }
        }
        text.description = option->get_description();
        options.push_back(std::move(text));
    }
    return options;
}

std::string ExitAndExamplesText(const Command& row) {
    std::string text = "Exit status:\n";
    for (const ExitMeaning& exit : row.exits) {
        std::string status = std::to_string(exit.status);
        text += "  " + status + std::string(5 - status.size(), ' ') + exit.meaning + "\n";
    }
    if (!row.examples.empty()) {
        text += "\nExamples:\n";
        for (const Example& example : row.examples)
            text += "  " + std::string(example.line) + "\n      " + example.what + "\n";
    }
    text.pop_back();  // the help puts its own line end after the footer
    return text;
}

Action DefineHelp(CLI::App& command) {
    auto name = std::make_shared<std::string>();
    command.add_option("COMMAND", *name, "The command to describe (default: every command)");
    return [name, &command] {
        const CLI::App& qdf = *command.get_parent();
        if (name->empty()) {
            std::cout << qdf.get_formatter()->make_help(&qdf, "qdf", CLI::AppFormatMode::Normal);
            return int{kExitOk};
        }
        const Command* row = FindCommand(*name);
        if (row == nullptr || row->hidden) return UnknownCommand(*name);
        std::cout << qdf.get_subcommand(*name)->help("qdf");
        return int{kExitOk};
    };
}

}  // namespace qdf
