// The command-line wiring of qdf sql, qdf run and qdf check --schema.
#ifndef QDF_SQL_CLI_H
#define QDF_SQL_CLI_H

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "sql_commands.h"

namespace qdf {

class SqlCli {
  public:
    // Adds the commands sql and run to app, and the option --schema to check.
    SqlCli(CLI::App& app, CLI::App& check);

    // When sql or run was chosen, or check with --schema, runs it, sets status
    // and returns true.
    bool Run(const std::vector<std::string>& checkFiles, int& status) const;

  private:
    CLI::App* m_sql;
    CLI::App* m_run;
    CLI::App* m_check;
    SqlOptions m_sqlOptions;
    RunOptions m_runOptions;
    std::string m_checkSchema;
};

}  // namespace qdf

#endif  // QDF_SQL_CLI_H
