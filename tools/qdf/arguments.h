// The command-line options that several commands share, declared on a
// command of the table (command_table.h).
#ifndef QDF_ARGUMENTS_H
#define QDF_ARGUMENTS_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/json/encoding.h>
#include <twfile/sql/dialect.h>

namespace qdf {

namespace json = twfile::json;

std::string Lower(std::string text);

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

// --encoding windows-1252|utf-8.
void AddEncoding(CLI::App& command, json::Encoding& encoding);

// -o,--output FILE: a file to write, "-" for standard output; an empty name
// is refused.
CLI::Option* AddOutput(CLI::App& command, std::string& output, const std::string& description);

// --dialect sqlite|postgresql: the server's SQL, as description tells what
// it decides.
void AddDialect(CLI::App& command, twfile::sql::Dialect& dialect, const std::string& description);
// --timeout SECONDS: the most time the database may spend on a statement.
void AddTimeout(CLI::App& command, unsigned& seconds);
// --param NAME=VALUE, repeatable.
void AddParameters(CLI::App& command, std::vector<std::string>& parameters);
// --wait SECONDS of the commands that write a document another may hold.
void AddWait(CLI::App& command, double& wait);

// The options of one command, made to live as long as its action.
template <typename Options>
std::shared_ptr<Options> Make() {
    return std::make_shared<Options>();
}

}  // namespace qdf

#endif  // QDF_ARGUMENTS_H
