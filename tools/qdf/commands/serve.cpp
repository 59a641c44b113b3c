// qdf serve: a folder of documents served to the page built into qdf, and to
// scripts, on a local address.
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "interrupt.h"
#include "serve/server.h"
#include "sql_source.h"

namespace qdf {

namespace {

// Opens address in the desktop's browser with xdg-open; false when it
// could not be started.
bool OpenInBrowser(const std::string& address) {
#ifdef _WIN32
    (void)address;
    return false;
#else
    std::string program = "xdg-open";
    std::string argument = address;
    char* arguments[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, arguments, environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

}  // namespace

int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    try {
        serve::Settings settings;
        settings.folder = options.folder;
        settings.database = options.database;
        settings.encoding = options.encoding;
        settings.host = options.host;
        settings.threads = options.threads;
        serve::Server server(settings);
        server.Bind(options.port);
        if (!serve::IsLoopbackHost(options.host)) {
            PrintMessage(err, "serve",
                         "warning: listening on " + options.host +
                             ", which other machines may reach; every request still needs the "
                             "token");
        }
        if (!options.database.empty())
            PrintMessage(err, "serve",
                         "runs go to " + twfile::sql::ShownDatabase(options.database));
        out << server.Address() << std::endl;
        if (options.open && !OpenInBrowser(server.Address()))
            PrintMessage(err, "serve", "xdg-open failed: open the address above in a browser");
        const CancelOnInterrupt watch([&server] { server.Stop(); });
        if (!server.Listen()) throw Failure(kExitUsage, "the server stopped with an error");
        PrintMessage(err, "serve", "stopped");
        return kExitOk;
    } catch (const Failure& failure) {
        PrintMessage(err, "serve", failure.what());
        return failure.status();
    }
}

Action DefineServe(CLI::App& command) {
    auto o = Make<ServeOptions>();
    command.add_option("DIR", o->folder, "The folder whose .qdf files are served (default: .)");
    command
        .add_option("--db", o->database,
                    "The database that runs and checks use: SQLite, postgresql://URI, "
                    "postgres:CONNINFO or odbc:CONNECTION-STRING, as run takes it")
        ->option_text("DATABASE");
    command.add_option("--port", o->port, "The port, 0 to 65535; 0 (the default): a free one")
        ->check(CLI::Range(0, 65535))
        ->option_text("N");
    command
        .add_option("--host", o->host,
                    "The address to listen on (default 127.0.0.1); another than loopback is "
                    "reachable from other machines")
        ->option_text("ADDR");
    command.add_flag("--open", o->open, "Open the address in the desktop's browser (xdg-open)");
    command
        .add_option("--threads", o->threads,
                    "Serve this many requests at a time, 1 to 64 (default 8)")
        ->check(CLI::Range(1, 64))
        ->option_text("N");
    AddEncoding(command, o->encoding);
    command.footer(
        "Prints the page's address, with the token that opens a session, on standard output, "
        "and serves until Ctrl-C. The page and scripts use the same JSON API under /api; "
        "scripts send the token as \"Authorization: Bearer TOKEN\".");
    return [o] { return RunServe(*o, std::cout, std::cerr); };
}

}  // namespace qdf
