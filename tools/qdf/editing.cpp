#include "editing.h"

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/json/lossy_members.h>
#include "arguments.h"
#include "input.h"
#include "output.h"
#include "suggestion.h"

namespace qdf {

using twfile::query::MemberKind;
using twfile::query::Members;

namespace {

constexpr const char* kLossy = "the file cannot carry these members back unchanged";

// Names on err each member of doc that the file cannot carry back
// unchanged; true when there is one.
bool NameLossyMembers(const CTWFileQDF& doc, const std::string& name, std::ostream& err) {
    const std::vector<json::LossyMember> lossy = json::FindLossyMembers(doc);
    for (const json::LossyMember& member : lossy)
        PrintMessage(err, name, member.member + ": " + member.reason);
    return !lossy.empty();
}

}  // namespace

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

std::shared_ptr<EditOptions> AddEditArguments(CLI::App& command) {
    auto o = Make<EditOptions>();
    command
        .add_option("FILE", o->file, "The .qdf file (- edits standard input onto standard output)")
        ->required();
    AddEncoding(command, o->encoding);
    AddWait(command, o->wait);
    command.footer(kEditNotes);
    return o;
}

void AddList(CLI::App& command, std::string& list) {
    command
        .add_option("LIST", list,
                    "tables, attributes, nonDisplayAttributes, conditions, joins or defaultValues")
        ->required();
}

}  // namespace qdf
