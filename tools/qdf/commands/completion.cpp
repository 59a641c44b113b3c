// qdf completion: the completion script of bash, zsh or fish, made from the
// command table: the commands, each one's options and the values of its
// choices, the member keys of set, the lists of add and remove, and *.qdf
// files for the rest.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <twfile/query/members.h>
#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"

namespace qdf {

namespace {

using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

// The shown commands, and the options of each.
struct Shown {
    const Command* row;
    std::vector<OptionText> options;
};

std::vector<Shown> ShownCommands(const CLI::App& qdf) {
    std::vector<Shown> shown;
    for (const Command& row : Commands()) {
        if (!row.hidden) shown.push_back({&row, OptionsOf(*qdf.get_subcommand(row.name))});
    }
    return shown;
}

std::string Joined(const std::vector<std::string>& words, const std::string& separator = " ") {
    std::string joined;
    for (const std::string& word : words)
        joined += (joined.empty() ? "" : separator) + word;
    return joined;
}

std::string CommandNames(const std::vector<Shown>& shown) {
    std::vector<std::string> names;
    for (const Shown& command : shown)
        names.emplace_back(command.row->name);
    return Joined(names);
}

// The members' keys, each followed by suffix; only the lists' with listsOnly.
std::vector<std::string> MemberKeys(bool listsOnly, const std::string& suffix = "") {
    std::vector<std::string> keys;
    for (const Member& member : Members()) {
        if (!listsOnly || member.kind == MemberKind::List)
            keys.push_back(std::string(member.path) + suffix);
    }
    return keys;
}

// The values of each choice option, once for every option of that name.
std::vector<std::pair<std::string, std::string>> Choices(const std::vector<Shown>& shown) {
    std::vector<std::pair<std::string, std::string>> choices;
    for (const Shown& command : shown) {
        for (const OptionText& option : command.options) {
            if (option.choices.empty()) continue;
            const std::string name = option.names.back();
            bool known = false;
            for (const auto& choice : choices)
                known = known || choice.first == name;
            if (!known) choices.emplace_back(name, Joined(option.choices));
        }
    }
    return choices;
}

// Text between single quotes: a quote ends it, is escaped and starts it again.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char ch : text)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

const char kShells[] = "bash zsh fish";

std::string Bash(const std::vector<Shown>& shown) {
    std::string text =
        "# bash completion for qdf, made by 'qdf completion bash'.\n\n_qdf() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]}\n"
        "    local prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    local commands=" +
        Quoted(CommandNames(shown)) +
        "\n"
        "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$commands --help --version\" -- "
        "\"$cur\"))\n"
        "        return\n    fi\n"
        "    local command=${COMP_WORDS[1]} options= values=\n"
        "    case $prev in\n";
    for (const auto& choice : Choices(shown))
        text += "        " + choice.first + ") values=" + Quoted(choice.second) + " ;;\n";
    text += "    esac\n    case $command in\n";
    for (const Shown& command : shown) {
        std::vector<std::string> names, valued;
        for (const OptionText& option : command.options) {
            for (const std::string& name : option.names) {
                names.push_back(name);
                if (!option.value.empty() && option.choices.empty()) valued.push_back(name);
            }
        }
        text += std::string("        ") + command.row->name +
                ")\n            options=" + Quoted(Joined(names)) + "\n";
        if (!valued.empty()) {
            // An option's own value: any file, or whatever the user types.
            text += "            case $prev in " + Joined(valued, "|") +
                    ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;; esac\n";
        }
        text += "            ;;\n";
    }
    text +=
        "    esac\n"
        "    if [[ -n $values ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$values\" -- \"$cur\"))\n"
        "    elif [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        "    elif [[ $command == help && $COMP_CWORD -eq 2 ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
        "    elif [[ $command == completion && $COMP_CWORD -eq 2 ]]; then\n"
        "        COMPREPLY=($(compgen -W " +
        Quoted(kShells) +
        " -- \"$cur\"))\n"
        "    elif [[ ($command == add || $command == remove) && $COMP_CWORD -eq 3 ]]; then\n"
        "        COMPREPLY=($(compgen -W " +
        Quoted(Joined(MemberKeys(true))) +
        " -- \"$cur\"))\n"
        "    elif [[ $command == set && $COMP_CWORD -gt 2 && $cur != *=* ]]; then\n"
        "        compopt -o nospace 2>/dev/null\n"
        "        COMPREPLY=($(compgen -W " +
        Quoted(Joined(MemberKeys(false, "="))) +
        " -- \"$cur\"))\n"
        "    else\n"
        "        COMPREPLY=($(compgen -f -X '!*.qdf' -- \"$cur\") $(compgen -d -- \"$cur\"))\n"
        "    fi\n}\n\ncomplete -o filenames -F _qdf qdf\n";
    return text;
}

// A zsh _describe entry: "name:description", colons in the name escaped.
std::string Described(const std::string& name, const std::string& description) {
    std::string escaped;
    for (char ch : name)
        escaped += ch == ':' ? std::string("\\:") : std::string(1, ch);
    return Quoted(escaped + ":" + description);
}

std::string Zsh(const std::vector<Shown>& shown) {
    std::string text =
        "#compdef qdf\n# zsh completion for qdf, made by 'qdf completion zsh'.\n\n"
        "_qdf() {\n    local -a commands options values\n    commands=(\n";
    for (const Shown& command : shown)
        text += "        " + Described(command.row->name, command.row->summary) + "\n";
    text +=
        "    )\n"
        "    if (( CURRENT == 2 )); then\n        _describe 'command' commands\n"
        "        return\n    fi\n    local command=${words[2]}\n"
        "    case ${words[CURRENT-1]} in\n";
    for (const auto& choice : Choices(shown))
        text += "        " + choice.first + ") compadd -- " + choice.second + "; return ;;\n";
    text += "    esac\n    case $command in\n";
    for (const Shown& command : shown) {
        text += std::string("        ") + command.row->name + ") options=(";
        std::string sep;
        for (const OptionText& option : command.options) {
            for (const std::string& name : option.names) {
                text += sep + Described(name, option.description);
                sep = " ";
            }
        }
        text += ") ;;\n";
    }
    text +=
        "    esac\n"
        "    if [[ $PREFIX == -* ]]; then\n        _describe 'option' options\n"
        "    elif [[ $command == help ]] && (( CURRENT == 3 )); then\n"
        "        _describe 'command' commands\n"
        "    elif [[ $command == completion ]] && (( CURRENT == 3 )); then\n"
        "        compadd -- " +
        std::string(kShells) +
        "\n"
        "    elif [[ $command == (add|remove) ]] && (( CURRENT == 4 )); then\n"
        "        compadd -- " +
        Joined(MemberKeys(true)) +
        "\n"
        "    elif [[ $command == set && $PREFIX != *=* ]] && (( CURRENT > 3 )); then\n"
        "        compadd -S '' -- " +
        Joined(MemberKeys(false, "=")) +
        "\n"
        "    else\n        _files -g '*.qdf'\n    fi\n}\n\n_qdf \"$@\"\n";
    return text;
}

std::string Fish(const std::vector<Shown>& shown) {
    std::string text =
        "# fish completion for qdf, made by 'qdf completion fish'.\n\n"
        "complete -c qdf -f\n";
    for (const Shown& command : shown) {
        text += std::string("complete -c qdf -n __fish_use_subcommand -a ") + command.row->name +
                " -d " + Quoted(command.row->summary) + "\n";
    }
    for (const Shown& command : shown) {
        const std::string when =
            std::string(" -n '__fish_seen_subcommand_from ") + command.row->name + "'";
        for (const OptionText& option : command.options) {
            text += "complete -c qdf" + when;
            for (const std::string& name : option.names)
                text += name.compare(0, 2, "--") == 0 ? " -l " + name.substr(2)
                                                      : " -s " + name.substr(1);
            if (!option.choices.empty())
                text += " -x -a " + Quoted(Joined(option.choices));
            else if (!option.value.empty())
                text += " -r -F";
            text += " -d " + Quoted(option.description) + "\n";
        }
    }
    text += "complete -c qdf -n '__fish_seen_subcommand_from help' -a " +
            Quoted(CommandNames(shown)) + "\n";
    text +=
        "complete -c qdf -n '__fish_seen_subcommand_from completion' -a " + Quoted(kShells) + "\n";
    text += "complete -c qdf -n '__fish_seen_subcommand_from add remove' -a " +
            Quoted(Joined(MemberKeys(true))) + "\n";
    text += "complete -c qdf -n '__fish_seen_subcommand_from set' -a " +
            Quoted(Joined(MemberKeys(false, "="))) + "\n";
    std::vector<std::string> onFiles;
    for (const Shown& command : shown) {
        const std::string name = command.row->name;
        if (name != "help" && name != "completion" && name != "condition") onFiles.push_back(name);
    }
    text += "complete -c qdf -n '__fish_seen_subcommand_from " + Joined(onFiles) +
            "' -k -a '(__fish_complete_suffix .qdf)'\n";
    return text;
}

}  // namespace

Action DefineCompletion(CLI::App& command) {
    auto shell = std::make_shared<std::string>();
    AddChoice(
        command, "SHELL", *shell,
        std::map<std::string, std::string>{{"bash", "bash"}, {"zsh", "zsh"}, {"fish", "fish"}},
        "The shell: bash, zsh or fish")
        ->required();
    command.footer(
        "bash: source the script, or install it as bash-completion/completions/qdf. zsh: "
        "install it as _qdf in a folder of $fpath. fish: install it as "
        "fish/vendor_completions.d/qdf.fish, or in ~/.config/fish/completions.");
    return [shell, &command] {
        const std::vector<Shown> shown = ShownCommands(*command.get_parent());
        std::cout << (*shell == "bash" ? Bash(shown) : *shell == "zsh" ? Zsh(shown) : Fish(shown));
        return int{kExitOk};
    };
}

}  // namespace qdf
