// The tool's documents in and out: inputs read completely (a file or
// standard input), documents read with the library and what the read
// reports, and documents saved to a path or to standard output.
#ifndef QDF_FILES_H
#define QDF_FILES_H

#include <functional>
#include <ostream>
#include <string>

#include <twfile/query/qdf.h>

#include "commands.h"
#include "diagnostics.h"

namespace qdf {

// How messages name an input: "standard input" for "-", else the path.
std::string InputName(const std::string& input);

// Every byte of the file input, or of standard input for "-" (a pipe is
// read to its end). Throws Failure(kExitUsage) naming the input when it is
// not a regular file or cannot be read.
std::string ReadInput(const std::string& input);

// A document to open: the file input itself, or for "-" a temporary file
// holding all of standard input, removed with the object. Throws
// Failure(kExitUsage) naming the input when it names something other than a
// regular file (a directory, pipe, device or socket) or cannot be read; a
// missing file is left to the open to report.
class DocumentInput {
  public:
    explicit DocumentInput(const std::string& input);
    ~DocumentInput();
    DocumentInput(const DocumentInput&) = delete;
    DocumentInput& operator=(const DocumentInput&) = delete;

    // The path to open.
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
    bool m_temporary = false;
};

struct LoadReport {
    // Whether the file was opened; when not, openFailure tells why.
    bool opened = false;
    std::string openFailure;
    // The error that stopped the read, if any, and the other message box
    // texts shown while reading.
    Diagnostics diagnostics;
    // The document's report of the sections not read (GetStatusString).
    std::string statusReport;

    bool ReadCleanly() const { return opened && !diagnostics.error; }
};

// Opens path read-only into doc, a document fresh from its constructor, reads
// every section and closes the file again; the members keep what was read.
// The error service is left clear.
LoadReport LoadDocument(const std::string& path, CTWFileQDF& doc);

// The names of the sections whose read indicator is 0, separated by ", ".
std::string SectionsNotRead(const CTWFileQDF& doc);

// Reads options.file (through DocumentInput) and prints the library's
// messages on err and, when the file opened, render's text on out. Exit
// status: 0 read cleanly, 1 the read stopped at an error, 2 the file cannot
// be opened or is not a regular file, or render failed (its Failure's
// status).
using Render = std::function<std::string(const CTWFileQDF& doc, const LoadReport& report)>;
int RunReadCommand(const FileOptions& options, const Render& render, std::ostream& out,
                   std::ostream& err);

// Saves doc to path with the library's SaveAs, which replaces the file in one
// step (path holds its old contents or the whole document, never a part; a
// replaced file keeps its permissions, a link stays a link). For "-" the
// document's text goes to out. Something other than a regular file at path
// is never replaced. Prints the reason of a failure to err ("qdf: PATH:
// ..."). The document is left with its file closed.
ExitStatus SaveDocument(CTWFileQDF& doc, const std::string& path, std::ostream& out,
                        std::ostream& err);

}  // namespace qdf

#endif  // QDF_FILES_H
