// The tool's documents in and out: inputs read completely (a file or
// standard input), documents read with the library and what the read
// reports, and documents saved to a path or to standard output.
#ifndef QDF_FILES_H
#define QDF_FILES_H

#include <fstream>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#endif

#include <twfile/query/qdf.h>

#include "commands.h"
#include "diagnostics.h"

namespace qdf {

// How messages name an input: "standard input" for "-", else the path.
std::string InputName(const std::string& input);

// A Failure's text without the name of input in front of it.
std::string Why(const Failure& failure, const std::string& input);

// Every byte of the file input, or of standard input for "-" (a pipe is
// read to its end). Throws Failure(kExitUsage) naming the input when it is
// not a regular file or cannot be read.
std::string ReadInput(const std::string& input);

// The bytes of the file input, or of standard input for "-", read a
// buffer-full at a time through stream(). The constructor throws as
// ReadInput does. A read that fails ends the stream there; CheckRead then
// throws its Failure(kExitUsage) naming the input.
class InputStream {
  public:
    explicit InputStream(const std::string& input);
    ~InputStream();
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    std::istream& stream() { return m_stream; }
    void CheckRead() const;

  private:
    class Buffer : public std::streambuf {
      public:
        Buffer(int fd, std::string input) : m_fd(fd), m_input(std::move(input)) {}

        // The errno of a read that failed, or 0.
        int failure() const { return m_failure; }
        const std::string& input() const { return m_input; }

      protected:
        int_type underflow() override;

      private:
        int m_fd;
        int m_failure = 0;
        std::string m_input;
        char m_bytes[1 << 16];
    };
    int m_fd = -1;
    std::unique_ptr<Buffer> m_buffer;
    std::istream m_stream{nullptr};
};

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

// Saves doc, open through LoadForUpdate, over its own file with the
// library's Save and closes it. Prints the reason of a failure to err
// against name.
ExitStatus SaveHeld(CTWFileQDF& doc, const std::string& name, std::ostream& err);

// Throws Failure(kExitUsage) when "-" (standard input, which can be read
// once) is among inputs more than once.
void RequireOneStandardInput(const std::vector<std::string>& inputs);

// Holds back the signals that end the program (interrupt, terminate, hang
// up) for its lifetime: one that arrives meanwhile acts when it ends, so a
// save under way finishes or cleans up after itself first. Nothing on
// Windows, where a console interrupt runs on a thread of its own.
class SignalsHeldBack {
  public:
    SignalsHeldBack();
    ~SignalsHeldBack();
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

  private:
#ifndef _WIN32
    sigset_t m_old;
#endif
};

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

// A file written anew in one step: the text collected in stream() replaces
// the file at Commit through the library's file object (a new file beside it,
// flushed to the disk, given the old file's permissions and renamed over
// it), so the file holds its old contents or the whole text. The
// constructor throws Failure(kExitUsage) naming path when something other
// than a regular file is there or its folder is missing.
class ReplacingFile {
  public:
    explicit ReplacingFile(const std::string& path);

    std::ostream& stream() { return m_stream; }
    // Throws Failure(kExitFailed) naming the path with the library's error
    // when the text cannot be written or put in place.
    void Commit();

  private:
    std::string m_path;
    std::ostringstream m_stream;
};

// Saves doc to path with the library's SaveAs, which replaces the file in one
// step (path holds its old contents or the whole document, never a part; a
// replaced file keeps its permissions, a link stays a link). For "-" the
// document's text goes to out. Something other than a regular file at path
// is never replaced. Prints the reason of a failure to err ("qdf: PATH:
// ..."). The document is left with its file closed. While another writer
// holds path it tries again for up to wait seconds, then gives kExitInUse.
ExitStatus SaveDocument(CTWFileQDF& doc, const std::string& path, std::ostream& out,
                        std::ostream& err, double wait = 0);

}  // namespace qdf

#endif  // QDF_FILES_H
