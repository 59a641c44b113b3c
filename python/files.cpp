#include "files.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <twfile/json/lossy_members.h>

#include "convert.h"
#include "errors.h"

namespace twpy {

namespace {

std::string Joined(const std::vector<std::string>& texts, const char* glue) {
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "" : glue) + LibraryText(text);
    return joined;
}

// The line (from 1) of byte offset byte in the file at path: one more than
// the line ends before it.
long LineAt(const std::string& path, long byte) {
    std::ifstream file(path, std::ios::binary);
    long line = 1;
    char buffer[65536];
    long left = std::max(0L, byte);
    while (left > 0 && file) {
        file.read(buffer, std::min<long>(left, sizeof buffer));
        const std::streamsize got = file.gcount();
        if (got <= 0) break;
        line += static_cast<long>(std::count(buffer, buffer + got, '\n'));
        left -= static_cast<long>(got);
    }
    return line;
}

bool InUse(const CTWFileQDF& doc) {
    return doc.IsFileOpen() == 0 && doc.GetOpenError() == win32::ERROR_SHARING_VIOLATION;
}

std::string InUseText(const std::string& path) {
    return LibraryText(path) + ": in use by another program; not changed";
}

// Raises what the library reported of a save or close, if anything.
void FailOnReport(const Diagnostics& diagnostics, const std::string& path) {
    if (diagnostics.error) {
        throw Failure(Failure::Kind::Error, diagnostics.error->number,
                      LibraryText(path) + ": " + LibraryText(diagnostics.error->message));
    }
    if (!diagnostics.messages.empty())
        Fail(LibraryText(path) + ": " + Joined(diagnostics.messages, "; ") + "; not written");
}

}  // namespace

json::ReadReport ReadDocument(const std::string& path, CTWFileQDF& doc, Access access,
                              bool strict) {
    json::ReadReport report;
    report.file = path;
    // A failure of the document's construction is still pending.
    Diagnostics diagnostics = TakeDiagnostics();
    if (diagnostics.error) FailOnReport(diagnostics, path);
    doc.Open(path.c_str(), access == Access::Read ? 1 : 0);
    const bool opened = doc.IsFileOpen() != 0;
    const bool inUse = InUse(doc);
    diagnostics = TakeDiagnostics();
    if (inUse) throw Failure(Failure::Kind::InUse, kModuleError, InUseText(path));
    if (!opened) {
        std::string why = Joined(diagnostics.messages, "; ");
        if (why.empty()) why = diagnostics.error ? LibraryText(diagnostics.error->message) : "";
        throw Failure(Failure::Kind::Error,
                      diagnostics.error ? diagnostics.error->number : kModuleError,
                      LibraryText(path) + ": cannot open" + (why.empty() ? "" : ": " + why));
    }
    if (diagnostics.error && diagnostics.error->number == CTWFileQDF::kNotADocument) {
        doc.Close();
        TakeDiagnostics();
        throw Failure(Failure::Kind::Error, diagnostics.error->number,
                      LibraryText(path) + ": not a query definition file");
    }
    if (diagnostics.error) {
        long byte = 0;
        doc.GetCurLoc(byte);
        report.error = json::ReadReport::Stop{diagnostics.error->number, diagnostics.error->message,
                                              json::ReadReport::Position{LineAt(path, byte), byte}};
    }
    CString status;
    doc.GetStatusString(&status);
    report.statusReport.assign(status.GetString(), static_cast<std::size_t>(status.GetLength()));
    if (access == Access::Read || (strict && report.error)) doc.Close();
    diagnostics = TakeDiagnostics();
    if (!report.error && diagnostics.error) {
        report.error =
            json::ReadReport::Stop{diagnostics.error->number, diagnostics.error->message, {}};
    }
    if (strict && report.error) {
        std::optional<Failure::Place> at;
        if (report.error->at) at = Failure::Place{report.error->at->line, report.error->at->byte};
        throw Failure(Failure::Kind::Error, report.error->number,
                      LibraryText(report.error->message), at);
    }
    return report;
}

void RefuseLossy(const CTWFileQDF& doc) {
    const std::vector<json::LossyMember> lossy = json::FindLossyMembers(doc);
    if (lossy.empty()) return;
    std::string message;
    for (const json::LossyMember& member : lossy)
        message += member.member + ": " + member.reason + "\n";
    Fail(message + "not written: the file cannot carry these members back unchanged");
}

void SaveDocumentAs(CTWFileQDF& doc, const std::string& path, bool keep) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        Fail(LibraryText(path) +
             ": not a regular file (a directory, pipe, device or socket); not replaced");
    }
    RefuseLossy(doc);
    doc.SaveAs(path.c_str());
    const bool inUse = InUse(doc);
    Diagnostics diagnostics = TakeDiagnostics();
    if (inUse) throw Failure(Failure::Kind::InUse, kModuleError, InUseText(path));
    if (!keep || diagnostics.error) {
        doc.Close();
        const Diagnostics closing = TakeDiagnostics();
        if (!diagnostics.error && closing.error) diagnostics = closing;
    }
    FailOnReport(diagnostics, path);
}

void SaveDocument(CTWFileQDF& doc) {
    RefuseLossy(doc);
    doc.Save();
    const Diagnostics diagnostics = TakeDiagnostics();
    const char* name = doc.GetFileName();
    FailOnReport(diagnostics, name != nullptr ? name : "");
}

void DefineFiles(py::module_& module) {
    module.def(
        "load",
        [](const py::object& path, const std::string& encoding, bool raw, bool strict) {
            const TextForm form = TextFormOf(encoding, raw);
            const std::string file = PathBytes(path);
            CTWFileQDF doc;
            json::ReadReport report;
            {
                const py::gil_scoped_release unlocked;
                report = ReadDocument(file, doc, Access::Read, strict);
            }
            return ConsumeDocument(doc, report, form);
        },
        py::arg("path"), py::arg("encoding") = "cp1252", py::arg("raw") = false,
        py::arg("strict") = true,
        R"(Reads the document at path and gives its JSON form as Python objects:
the value qdf export gives, as json.loads reads it.

Texts are str decoded with encoding ("cp1252", the default, reads every
byte; "utf-8" only valid UTF-8), or bytes as they are with raw=True.
Raises Error when the file cannot be opened or holds no document, and when
the read stopped at an error (its line and byte tell where); with
strict=False the read part is given instead, its "error" member telling
what stopped the read.)");

    module.def(
        "save",
        [](const py::dict& form, const py::object& path, const std::string& encoding) {
            const json::Encoding textEncoding = EncodingNamed(encoding);
            const std::string file = PathBytes(path);
            CTWFileQDF doc;
            Diagnostics setup = TakeDiagnostics();
            if (setup.error) FailOnReport(setup, file);
            ApplyForm(form, doc, textEncoding);
            const py::gil_scoped_release unlocked;
            SaveDocumentAs(doc, file, false);
        },
        py::arg("document"), py::arg("path"), py::arg("encoding") = "cp1252",
        R"(Saves a document given in its JSON form (a dict as load gives it) to
path, replacing the file in one step. Keys that are missing keep the values
of a new document; "file", "sectionsRead", "statusReport" and "error" are
ignored. Refuses what qdf import refuses, with the same message: a key the
form does not know, a value of the wrong type, a text the encoding cannot
hold, and members a saved file cannot carry back unchanged (an empty list
element, a line break in a one-line text).)");
}

}  // namespace twpy
