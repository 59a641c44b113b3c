// qdf edit: a document's JSON form edited in the user's editor, and saved
// when the file did not change meanwhile.
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include <twfile/query/file_stamp.h>
#include <CLI/CLI.hpp>

#include <twfile/json/document_json.h>
#include "command_table.h"
#include "editing.h"
#include "input.h"
#include "output.h"
#include "portable.h"

namespace qdf {

namespace {

// Runs the user's editor on path and waits for it.
void RunEditor(const std::string& path) {
    const char* editor = std::getenv("VISUAL");
    if (editor == nullptr || *editor == '\0') editor = std::getenv("EDITOR");
#ifdef _WIN32
    if (editor == nullptr || *editor == '\0') editor = "notepad";
    // The editor's words as the command interpreter splits them, then the
    // file; the outer quotes are the interpreter's.
    const std::string command = "\"" + std::string(editor) + " \"" + path + "\"\"";
    if (std::system(command.c_str()) != 0) {
        throw Failure(kExitFailed, std::string("the editor (") + editor + ") failed");
    }
#else
    if (editor == nullptr || *editor == '\0') editor = "vi";
    // The editor's words as the shell splits them, then the file.
    const std::string command = std::string(editor) + " \"$1\"";
    const pid_t child = ::fork();
    if (child < 0)
        throw Failure(kExitFailed, std::string("cannot run the editor: ") + std::strerror(errno));
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), "sh", path.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw Failure(kExitFailed,
                          std::string("cannot wait for the editor: ") + std::strerror(errno));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw Failure(kExitFailed, std::string("the editor (") + editor + ") failed");
    }
#endif
}

}  // namespace

namespace {

// The document's JSON form as edit offers it.
std::string EditableText(const CTWFileQDF& doc, const EditOptions& options) {
    json::ReadReport report;
    report.file = options.file;
    Json form = AsFailure([&] { return json::DocumentToJson(doc, report, options.encoding); });
    for (const char* key : {"file", "sectionsRead", "statusReport", "error"})
        form.erase(key);
    return form.dump(2) + "\n";
}

}  // namespace

// The file is read, stamped and let go; the editor runs; the file is then
// held again, and saved only when it still matches the stamp. From the
// moment the editor starts, the edited text is removed only once it is
// saved or left unchanged.
int RunEdit(const EditOptions& options, std::ostream& /*out*/, std::ostream& err) {
    const std::string& file = options.file;
    if (file == "-") {
        PrintMessage(err, "edit", "needs a file: standard input is the terminal's");
        return kExitUsage;
    }
    std::string before;
    CTWFileStamp stamp;
    try {
        const DocumentInput input(file);
        CTWFileQDF doc;
        const LoadReport report = LoadForUpdate(file, file, doc, options.wait);
        RequireWhole(file, doc, report, err);
        stamp.Take(file.c_str());
        doc.Close();
        const Diagnostics stamping = TakeDiagnostics();
        if (!stamping.Empty()) {
            PrintDiagnostics(err, file, stamping);
            throw Failure(kExitFailed, file + ": cannot be examined; not changed");
        }
        before = EditableText(doc, options);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }

    std::string path = TemporaryFolder() + "/qdf-edit-XXXXXX.json";
    const int fd = ::mkostemps(&path[0], 5, O_CLOEXEC);
    if (fd < 0) {
        PrintMessage(err, file,
                     std::string("cannot make a temporary file: ") + std::strerror(errno));
        return kExitFailed;
    }
    ::close(fd);
    std::ofstream(path, std::ios::binary) << before;
    try {
        RunEditor(path);
        const std::string after = ReadInput(path);
        if (after == before) {
            ::unlink(path.c_str());
            return kExitOk;
        }
        Json edited;
        try {
            edited = Json::parse(after);
        } catch (const nlohmann::json::parse_error& error) {
            throw Failure(kExitFailed, std::string("not JSON: ") + error.what());
        }
        const DocumentInput input(file);
        CTWFileQDF doc;
        const LoadReport report = LoadForUpdate(file, file, doc, options.wait);
        int same = 0;
        stamp.Matches(file.c_str(), same);
        const Diagnostics stamping = TakeDiagnostics();
        PrintDiagnostics(err, file, stamping);
        if (same == 0) {
            throw Failure(kExitFailed,
                          "changed since it was read (by another program or "
                          "person)");
        }
        RequireWhole(file, doc, report, err);
        const bool changed = Apply(
            [&](CTWFileQDF& d) {
                AsFailure([&] { return json::ApplyJson(edited, d, options.encoding); });
                return true;
            },
            doc, file, err);
        if (changed && SaveHeld(doc, file, err) != kExitOk) throw Failure(kExitFailed, "not saved");
    } catch (const Failure& failure) {
        const std::string why = Why(failure, file);
        const std::string kept = "the edited text is kept in " + path;
        PrintMessage(err, file,
                     why.find("not changed") != std::string::npos
                         ? why + " (" + kept + ")"
                         : why + "; not changed (" + kept + ")");
        return failure.status() == kExitInUse ? kExitInUse : kExitFailed;
    }
    ::unlink(path.c_str());
    return kExitOk;
}

Action DefineEdit(CLI::App& command) {
    auto o = AddEditArguments(command);
    command.get_option("FILE")->description(
        "The .qdf file (not -: the editor needs the terminal, and the file to save to)");
    command.footer(std::string("Opens $VISUAL, else $EDITOR, else vi, on the document's JSON "
                               "form; saves when the editor exits successfully, the text "
                               "changed and fits, and the file did not change meanwhile. An "
                               "edited text that is not saved is kept, and the message says "
                               "where.\n") +
                   kEditNotes);
    return [o] { return RunEdit(*o, std::cout, std::cerr); };
}

}  // namespace qdf
