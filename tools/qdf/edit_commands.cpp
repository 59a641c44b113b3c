// The commands that change a document in place: set, add, remove and edit.
// Each one is a change applied between reading the document and saving it.
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <twfile/query/file_stamp.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "document_json.h"
#include "files.h"
#include "lossy_members.h"
#include "member_keys.h"
#include "portable.h"

namespace qdf {

using Json = nlohmann::ordered_json;
using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

namespace {

// Changes doc; throws Failure when the change does not fit. Returns false
// when there is nothing to save.
using Change = std::function<bool(CTWFileQDF& doc)>;

constexpr const char* kLossy = "the file cannot carry these members back unchanged";

// Names on err each member of doc that the file cannot carry back
// unchanged; true when there is one.
bool NameLossyMembers(const CTWFileQDF& doc, const std::string& name, std::ostream& err) {
    const std::vector<LossyMember> lossy = FindLossyMembers(doc);
    for (const LossyMember& member : lossy)
        PrintMessage(err, name, member.member + ": " + member.reason);
    return !lossy.empty();
}

// Throws Failure when doc, read from the file called name, is not one that
// a save would write back whole: it did not read cleanly, a section was not
// read, or text was passed over.
void RequireWhole(const std::string& name, const CTWFileQDF& doc, const LoadReport& report,
                  std::ostream& err) {
    if (!report.opened) throw Failure(kExitUsage, name + ": cannot open: " + report.openFailure);
    PrintReadDiagnostics(err, name, report);
    if (report.NotADocument()) throw Failure(kExitFailed, name + ": not changed");
    if (report.diagnostics.error) {
        throw Failure(kExitFailed, name + ": did not read cleanly; not changed");
    }
    // A section that was not read (missing, or of a version this library
    // does not read) would be saved with its members' defaults: its text in
    // the file would be lost. So would text that the read passed over.
    const std::string notRead = SectionsNotRead(doc);
    if (!notRead.empty()) {
        throw Failure(kExitFailed, name + ": sections not read: " + notRead +
                                       "; not changed (a save would replace them)");
    }
    if (report.droppedAt) {
        throw Failure(kExitFailed, name + ": " + DroppedPlace(report) +
                                       ": text that a save would drop; not changed");
    }
}

// Applies change to doc and refuses a result the file cannot carry back;
// false when there is nothing to save.
bool Apply(const Change& change, CTWFileQDF& doc, const std::string& name, std::ostream& err) {
    try {
        if (!change(doc)) return false;
        if (NameLossyMembers(doc, name, err))
            throw Failure(kExitFailed, std::string("not changed: ") + kLossy);
    } catch (const Failure& failure) {
        throw Failure(failure.status(), name + ": " + failure.what());
    }
    return true;
}

// Reads options.file, applies change and saves the result over the file,
// which is held from the read to the save. Standard input is read whole and
// the result goes to out.
int Edit(const EditOptions& options, const Change& change, std::ostream& out, std::ostream& err) {
    const std::string name = InputName(options.file);
    try {
        CTWFileQDF doc;
        if (options.file == "-") {
            LoadReport report;
            {
                const DocumentInput input(options.file);
                report = LoadDocument(input.path(), doc);
            }
            RequireWhole(name, doc, report, err);
            if (!Apply(change, doc, name, err)) return kExitOk;
            return SaveDocument(doc, options.file, out, err);
        }
        const DocumentInput input(options.file);  // refuses what is not a file
        const LoadReport report = LoadForUpdate(options.file, name, doc, options.wait);
        RequireWhole(name, doc, report, err);
        if (!Apply(change, doc, name, err)) return kExitOk;
        return SaveHeld(doc, name, err);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

const Member& ListAt(const std::string& path) {
    const Member& member = MemberAt(path);
    if (member.kind != MemberKind::List) {
        throw Failure(kExitUsage, path +
                                      ": not a list (tables, attributes, nonDisplayAttributes, "
                                      "conditions, joins, defaultValues)");
    }
    return member;
}

// VALUE as the JSON value member takes: a text as it stands, anything else
// read as JSON.
Json ValueFor(const Member& member, const std::string& value) {
    if (member.kind == MemberKind::Text) return Json(value);
    try {
        return Json::parse(value);
    } catch (const nlohmann::json::parse_error&) {
        const char* what = member.kind == MemberKind::List   ? "must be a JSON array of strings"
                           : member.kind == MemberKind::Flag ? "must be true or false"
                                                             : "must be an integer";
        throw Failure(kExitUsage, std::string(member.path) + ": " + what);
    }
}

}  // namespace

int RunSet(const EditOptions& options, std::ostream& out, std::ostream& err) {
    return Edit(
        options,
        [&](CTWFileQDF& doc) {
            // Every assignment is checked before the first is made.
            std::vector<std::pair<const Member*, Json>> values;
            for (const std::string& assignment : options.arguments) {
                const std::size_t equals = assignment.find('=');
                if (equals == std::string::npos) {
                    throw Failure(kExitUsage, assignment + ": not KEY=VALUE");
                }
                const Member& member = MemberAt(assignment.substr(0, equals));
                values.emplace_back(&member, ValueFor(member, assignment.substr(equals + 1)));
            }
            for (const auto& value : values)
                ApplyMember(value.second, *value.first, doc, options.encoding);
            return true;
        },
        out, err);
}

int RunAdd(const EditOptions& options, std::ostream& out, std::ostream& err) {
    return Edit(
        options,
        [&](CTWFileQDF& doc) {
            const Member& list = ListAt(options.list);
            Json items = MemberToJson(doc, list, options.encoding);
            for (const std::string& text : options.arguments)
                items.push_back(text);
            ApplyMember(items, list, doc, options.encoding);
            return true;
        },
        out, err);
}

int RunRemove(const EditOptions& options, std::ostream& out, std::ostream& err) {
    return Edit(
        options,
        [&](CTWFileQDF& doc) {
            const Member& list = ListAt(options.list);
            const Json items = MemberToJson(doc, list, options.encoding);
            std::vector<bool> removed(items.size(), false);
            for (const std::string& text : options.arguments) {
                const bool digits = !text.empty() && text.size() < 10 &&
                                    text.find_first_not_of("0123456789") == std::string::npos;
                const std::size_t index = digits ? std::stoul(text) : items.size();
                if (index >= items.size()) {
                    throw Failure(kExitUsage, options.list + "[" + text + "]: no such element (" +
                                                  std::to_string(items.size()) + " in the list)");
                }
                removed[index] = true;
            }
            Json kept = Json::array();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (!removed[i]) kept.push_back(items[i]);
            }
            ApplyMember(kept, list, doc, options.encoding);
            return true;
        },
        out, err);
}

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
    Json json = DocumentToJson(doc, options.file, LoadReport{}, options.encoding);
    for (const char* key : {"file", "sectionsRead", "statusReport", "error"})
        json.erase(key);
    return json.dump(2) + "\n";
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
                ApplyJson(edited, d, options.encoding);
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

}  // namespace qdf
