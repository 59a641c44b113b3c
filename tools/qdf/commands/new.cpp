// qdf new: a new empty document saved.
#include <iostream>

#include <twfile/query/qdf.h>
#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "output.h"
#include "portable.h"

namespace qdf {

int RunNew(const NewOptions& options, std::ostream& out, std::ostream& err) {
    struct stat info {};
    if (!options.force && options.file != "-" && ::lstat(options.file.c_str(), &info) == 0) {
        // --force replaces a file, and only a file.
        PrintMessage(err, options.file,
                     S_ISDIR(info.st_mode) ? "is a directory; give the new file's name"
                                           : "already exists (--force replaces it)");
        return kExitUsage;
    }
    CTWFileQDF doc;
    const Diagnostics setup = TakeDiagnostics();
    if (!setup.Empty()) {
        PrintDiagnostics(err, options.file, setup);
        return kExitFailed;
    }
    return SaveDocument(doc, options.file, out, err);
}

Action DefineNew(CLI::App& command) {
    auto o = Make<NewOptions>();
    command.add_option("FILE", o->file, "The .qdf file to create, or - for standard output")
        ->required();
    command.add_flag("-f,--force", o->force, "Replace the file if it exists");
    return [o] { return RunNew(*o, std::cout, std::cerr); };
}

}  // namespace qdf
