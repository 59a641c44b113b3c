// Documents read with the library, what each read reports, and the read
// commands' loop over their files.
#ifndef QDF_LOADING_H
#define QDF_LOADING_H

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <twfile/query/qdf.h>

#include "commands.h"
#include "diagnostics.h"

namespace qdf {

struct LoadReport {
    // Whether the file was opened; when not, openFailure tells why.
    bool opened = false;
    std::string openFailure;
    // The error that stopped the read, if any, and the other message box
    // texts shown while reading.
    Diagnostics diagnostics;
    // The document's report of the sections not read (GetStatusString).
    std::string statusReport;
    // Where the read stopped at its error: the line (from 1) and the byte
    // offset (from 0) of the file position when the error was raised.
    struct Position {
        long line = 0;
        long byte = 0;
    };
    std::optional<Position> errorAt;
    // Where the first text starts that the read passed over and a save
    // would drop, when there is such text.
    std::optional<Position> droppedAt;

    bool ReadCleanly() const { return opened && !diagnostics.error; }
    // The file holds no section at all.
    bool NotADocument() const {
        return diagnostics.error && diagnostics.error->number == CTWFileQDF::kNotADocument;
    }
};

// What qdf says of a file in which no section is found.
constexpr char kNotADocumentText[] = "not a query definition file";

// Opens path read-only into doc, a document fresh from its constructor, reads
// every section and closes the file again; the members keep what was read.
// The error service is left clear.
LoadReport LoadDocument(const std::string& path, CTWFileQDF& doc);

// LoadToRead's status for a file that is not a document.
constexpr ExitStatus kNotADocument = static_cast<ExitStatus>(-1);

// Reads file ("-": standard input) into doc, a document fresh from its
// constructor, and prints what went wrong to err. kExitOk when it read
// cleanly, kExitFailed when the read stopped at an error (doc keeps what was
// read), kExitUsage when it could not be opened, kNotADocument.
ExitStatus LoadToRead(const std::string& file, CTWFileQDF& doc, std::ostream& err);

// Opens path for reading and writing into doc, a document fresh from its
// constructor, and reads it as LoadDocument does; the file then stays open,
// held so that no other writer gets in until doc saves it (SaveHeld) or is
// closed. While another writer holds the file it tries again for up to wait
// seconds, then throws Failure(kExitInUse) naming name.
LoadReport LoadForUpdate(const std::string& path, const std::string& name, CTWFileQDF& doc,
                         double wait);

// Runs attempt, and again every tenth of a second for up to wait seconds
// while it returns false (the file is in use); true when it succeeded.
bool WhileInUse(double wait, const std::function<bool()>& attempt);
// "NAME: in use by another program; not changed ...".
std::string InUseText(const std::string& name);

// "line N (byte B)" for where the read stopped, or empty.
std::string ErrorPlace(const LoadReport& report);
// "line N (byte B)" for where the text starts that a save would drop, or
// empty.
std::string DroppedPlace(const LoadReport& report);

// Prints the read's error as "qdf: FILE: line N (byte B): error E: TEXT" and
// its other messages as "qdf: FILE: TEXT".
void PrintReadDiagnostics(std::ostream& err, const std::string& file, const LoadReport& report);

// The names of the sections whose read indicator is 0, separated by ", ".
std::string SectionsNotRead(const CTWFileQDF& doc);

// What a read command prints for one file: document writes the text of a
// document that opened (its read may have stopped at an error) to out, and
// raises a Failure, if at all, before it writes anything; unread, when set,
// the text for a file that could not be read at all (why, without its name).
struct Render {
    std::function<void(std::ostream& out, const std::string& file, const CTWFileQDF& doc,
                       const LoadReport& report)>
        document;
    std::function<std::string(const std::string& file, const std::string& why)> unread;
};

// Reads each of files (through DocumentInput) in turn and prints the
// library's messages on err and render's text on out. Exit status, the
// highest of the files': 0 read cleanly, 1 the read stopped at an error, 2
// the file cannot be opened or is not a regular file, or render failed (its
// Failure's status).
//
// With jobs above 1, that many files are read at a time, on as many threads,
// and the texts are printed in the order of files as before; render must
// then be safe to call from several threads at once.
int RunReadCommand(const std::vector<std::string>& files, const Render& render, std::ostream& out,
                   std::ostream& err, int jobs = 1);

// Writes doc, read from file as report tells, as qdf export prints it: its
// JSON form indented, or on one line with compact; with lines, as a line of
// JSON Lines, {"path", "document"}. Raises a Failure before it writes
// anything when a text does not fit encoding.
void ExportDocument(std::ostream& out, const std::string& file, const CTWFileQDF& doc,
                    const LoadReport& report, json::Encoding encoding, bool lines = false,
                    bool compact = false);

}  // namespace qdf

#endif  // QDF_LOADING_H
