#include "arguments.h"

#include <cctype>

namespace qdf {

std::string Lower(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

void AddEncoding(CLI::App& command, json::Encoding& encoding) {
    AddChoice(command, "--encoding", encoding,
              std::map<std::string, json::Encoding>{{"windows-1252", json::Encoding::Windows1252},
                                                    {"cp1252", json::Encoding::Windows1252},
                                                    {"utf-8", json::Encoding::Utf8},
                                                    {"utf8", json::Encoding::Utf8}},
              "How the file's bytes are read as text: windows-1252 or cp1252 (every byte string, "
              "the default), or utf-8 or utf8");
}

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

void AddWait(CLI::App& command, double& wait) {
    command
        .add_option("--wait", wait,
                    "While another writer holds the file, try again for up to this many seconds "
                    "(default 0: give up at once, with exit status 3)")
        ->check(CLI::NonNegativeNumber)
        ->option_text("SECONDS");
}

void AddDialect(CLI::App& command, twfile::sql::Dialect& dialect, const std::string& description) {
    AddChoice(command, "--dialect", dialect,
              std::map<std::string, twfile::sql::Dialect>{
                  {"sqlite", twfile::sql::Dialect::SQLite},
                  {"postgresql", twfile::sql::Dialect::PostgreSQL}},
              description);
}

CLI::Option* AddOutput(CLI::App& command, std::string& output, const std::string& description) {
    return command.add_option("-o,--output", output, description)
        ->check(CLI::Validator(
            [](std::string& name) {
                return name.empty() ? "must name a file, or - for standard output" : "";
            },
            ""))
        ->option_text("FILE");
}

}  // namespace qdf
