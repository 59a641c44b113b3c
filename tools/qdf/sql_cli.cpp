#include "sql_cli.h"

#include <unistd.h>

#include <cctype>
#include <iostream>
#include <map>

namespace qdf {

namespace {

void AddEncodingOption(CLI::App& command, Encoding& encoding) {
    static const std::map<std::string, Encoding> kEncodings{{"windows-1252", Encoding::Windows1252},
                                                            {"utf-8", Encoding::Utf8}};
    command.add_option("--encoding", encoding, "How the file's bytes are read as text")
        ->transform(CLI::CheckedTransformer(kEncodings, CLI::ignore_case))
        ->option_text("windows-1252|utf-8");
}

std::string Lower(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

const std::map<std::string, RowFormat> kFormats{
    {"table", RowFormat::Table}, {"csv", RowFormat::Csv}, {"json", RowFormat::Json}};

constexpr char kParameterHelp[] =
    "A parameter's value (repeatable); it comes before the document's default values";

}  // namespace

SqlCli::SqlCli(CLI::App& app, CLI::App& check) : m_check(&check) {
    m_sql = app.add_subcommand("sql", "Print the SQL statement a document describes");
    m_sql->add_option("FILE", m_sqlOptions.file, "The .qdf file")->required();
    m_sql->add_option("--param", m_sqlOptions.parameters, kParameterHelp)
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    m_sql->add_flag("--inline", m_sqlOptions.inlineValues,
                    "Write the values into the statement as quoted SQL literals");
    m_sql->add_option("--schema", m_sqlOptions.schema,
                      "A database or JSON schema that gives the parameters' data types");
    AddEncodingOption(*m_sql, m_sqlOptions.encoding);
    m_sql->footer(
        "Exit status: 0 printed, 1 the document did not read cleanly, 2 bad input "
        "(a parameter without a value or with a value of the wrong type).");

    m_run = app.add_subcommand("run", "Run the statement a document describes and print its rows");
    m_run->add_option("FILE", m_runOptions.file, "The .qdf file")->required();
    m_run->add_option("--db", m_runOptions.database, "The SQLite database")->required();
    m_run->add_option("--param", m_runOptions.parameters, kParameterHelp)
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    m_run
        ->add_option_function<std::string>(
            "--format",
            [this](const std::string& name) { m_runOptions.format = kFormats.at(Lower(name)); },
            "table (the default on a terminal), csv (the default otherwise) or json")
        ->check(CLI::Validator(
            [](std::string& name) {
                return kFormats.count(Lower(name)) != 0 ? std::string()
                                                        : "must be one of table|csv|json";
            },
            ""))
        ->option_text("table|csv|json");
    m_run->add_option("--limit", m_runOptions.limit, "Print at most N rows")
        ->check(CLI::Validator(
            [](std::string& text) {
                return !text.empty() && text.size() < 19 &&
                               text.find_first_not_of("0123456789") == std::string::npos
                           ? std::string()
                           : "must be a whole number of rows, 0 or more";
            },
            ""))
        ->option_text("N");
    AddEncodingOption(*m_run, m_runOptions.encoding);
    m_run->footer(
        "Exit status: 0 done, 1 the document did not read cleanly, 2 bad input (a "
        "database that cannot be read, a table it lacks, a parameter without a value "
        "or of the wrong type, an error of the engine).");

    check.add_option("--schema", m_checkSchema,
                     "Check each document against a database or a JSON schema instead");
}

bool SqlCli::Run(const std::vector<std::string>& checkFiles, int& status) const {
    if (*m_sql) {
        status = RunSql(m_sqlOptions, std::cout, std::cerr);
    } else if (*m_run) {
        status = RunRun(m_runOptions, isatty(STDOUT_FILENO) != 0, std::cout, std::cerr);
    } else if (*m_check && !m_checkSchema.empty()) {
        status =
            RunSchemaCheck(checkFiles, m_checkSchema, Encoding::Windows1252, std::cout, std::cerr);
    } else {
        return false;
    }
    return true;
}

}  // namespace qdf
