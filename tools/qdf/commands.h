// The commands of qdf: each command's options and the function that runs it
// (commands/<name>.cpp), and the exit statuses they share. main.cpp's table
// wires them to the command line.
#ifndef QDF_COMMANDS_H
#define QDF_COMMANDS_H

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <twfile/host/schema.h>
#include <twfile/json/encoding.h>
#include <twfile/json/error.h>
#include <twfile/sql/dialect.h>
#include <twfile/sql/statement.h>

#include "diagram.h"
#include "row_writers.h"

namespace qdf {

// 0: done and clean. 1: done, but the library reported an error, a check
// failed or a document was refused. 2: nothing could be done: wrong
// arguments, an input that cannot be opened or parsed. 3: a document to
// change is in use by another writer: nothing was done, and trying again
// later may succeed.
enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitInUse = 3 };

// A failure that ends a command: its message (printed after "qdf: ") and the
// exit status it ends with.
class Failure : public std::runtime_error {
  public:
    Failure(ExitStatus status, const std::string& message)
        : std::runtime_error(message), m_status(status) {}
    ExitStatus status() const { return m_status; }

  private:
    ExitStatus m_status;
};

namespace json = twfile::json;

// Raises error, from the JSON form, as a Failure: input that does not fit is
// bad usage (kExitUsage); a document that could not take a value failed
// (kExitFailed), and the message boxes its error showed are dropped.
[[noreturn]] void RaiseFailure(const json::Error& error);

// Returns call(), a call of the JSON form, with its errors raised as
// Failures.
template <typename Call>
decltype(auto) AsFailure(Call&& call) {
    try {
        return call();
    } catch (const json::Error& error) {
        RaiseFailure(error);
    }
}

// show: documents, "-" for standard input.
struct FileOptions {
    std::vector<std::string> files;
    json::Encoding encoding = json::Encoding::Windows1252;
};

// Prints a readable summary of each document, an empty line between two.
// Exit status, the highest of the files': 0 read cleanly, 1 the read stopped
// at an error (the summary shows what was read and the error), 2 the file
// cannot be opened or a text does not fit the encoding.
int RunShow(const FileOptions& options, std::ostream& out, std::ostream& err);

struct ExportOptions {
    std::vector<std::string> files;  // "-" reads standard input
    json::Encoding encoding = json::Encoding::Windows1252;
    // JSON Lines even for one file.
    bool lines = false;
    // One line without spaces instead of indented JSON.
    bool compact = false;
    // The file to write instead of out; empty or "-" for out.
    std::string output;
    // Files read at a time, on as many threads.
    int jobs = 1;
};

// Prints the document as JSON (document_json.h). Several files, or lines,
// give JSON Lines: for each file one compact object, {"path", "document"}
// when it was read (even with an error) or {"path", "error"} when it could
// not be. With output, the text goes to a file beside it that is renamed
// over it at the end, so that it holds its old contents or the whole
// export; it is left alone when nothing was exported. Statuses as for show.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

struct ImportOptions {
    // A JSON file, or "-" for standard input.
    std::string input;
    // The .qdf file to write, or "-" for out.
    std::string output;
    json::Encoding encoding = json::Encoding::Windows1252;
    // Seconds to wait while another writer holds the output.
    double wait = 0;
    // JSON Lines of export --lines: each document saved to its "path", or
    // with output under that folder by the path's last part alone.
    bool lines = false;
};

// Builds a document from its JSON form and saves it. Exit status: 0 written,
// 1 the document was refused (members the file cannot carry) or writing
// failed, 2 the input cannot be read, is not JSON or does not fit the shape,
// 3 the output is in use by another writer (after waiting, with wait).
int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

class InputStream;
// import of one document: the JSON form read from input (named name in
// messages) saved to target as RunImport saves it, refused as RunImport
// refuses it, with the same messages on err. file, when given, is the
// stream's source, whose failed read is reported before the JSON's.
int ImportDocument(std::istream& input, const std::string& name, const std::string& target,
                   json::Encoding encoding, double wait, std::ostream& out, std::ostream& err,
                   const InputStream* file = nullptr);

struct NewOptions {
    // The file to write, or "-" for out.
    std::string file;
    // Replace a file that already exists.
    bool force = false;
};

// Saves a new empty document (its display colours from the platform). Exit
// status: 0 written, 1 writing failed, 2 the file exists and force is off.
int RunNew(const NewOptions& options, std::ostream& out, std::ostream& err);

struct CheckOptions {
    std::vector<std::string> files;  // "-" reads standard input
    // A database or JSON schema to check the documents against instead.
    std::string schema;
    json::Encoding encoding = json::Encoding::Windows1252;
    // One JSON object a line for each file instead: {"path", "ok",
    // "sectionsRead" (null when the file did not open), "error" (null or its
    // text), "findings" (the lines the text form prints)}; with schema,
    // {"path", "ok", "tables", "attributes", "nonDisplayAttributes",
    // "conditions", "joins" (each a list of {"text", "ok", "messages"}),
    // "statement": {"ok", "checks", "parameters", "unbound"}}, or {"path",
    // "ok": false, "error"} for a file that cannot be read.
    bool json = false;
    // Nothing on out: the exit status alone tells.
    bool quiet = false;
    // With a database: the most seconds each of its statements may take, 0
    // for no limit.
    unsigned timeout = 0;
};

// Without a schema, prints for each file either "FILE: ok" or one line per
// finding: that it cannot be opened, the error that stopped the read, the
// other messages of the library, the sections not read, and the members the
// format cannot carry back unchanged. With a schema, prints for each file
// and item "FILE: KIND TEXT: ok" or one line per failure. Exit status: 0
// when every file is clean, 1 otherwise, 2 when an input is not a regular
// file or cannot be read (said on err).
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// The edits: set, add, remove and edit. Each reads FILE ("-": standard
// input, and the result goes to out), changes it, and saves it with the
// library's save, which replaces the file in one step. The file is read
// through the handle it is saved with, held with write access from the read
// to the save, so that no other writer's change made meanwhile is lost. The
// file is left byte for byte as it was when anything fails: a file that is
// not a document, does not read cleanly or holds text a save would drop, an
// edit that does not fit, a result the file cannot carry back unchanged, a
// failed save. Exit status: 0 saved (or nothing to change), 1 the file did
// not read cleanly, the result was refused or the save failed, 2 the file
// cannot be opened or the arguments are wrong, 3 another writer holds the
// file (after waiting, with wait).
struct EditOptions {
    std::string file;
    // Seconds to wait while another writer holds the file.
    double wait = 0;
    // set: KEY=VALUE, KEY a member's path in the JSON form ("database",
    // "flags.editedSQL", "printer.strings[2]"); a text takes VALUE as it
    // stands, a number or flag and a list (a JSON array) as JSON.
    // add: the texts to append to list. remove: the indexes of the elements
    // to remove from list.
    std::vector<std::string> arguments;
    std::string list;  // add and remove: "tables", "conditions", ...
    json::Encoding encoding = json::Encoding::Windows1252;
};

int RunSet(const EditOptions& options, std::ostream& out, std::ostream& err);
int RunAdd(const EditOptions& options, std::ostream& out, std::ostream& err);
int RunRemove(const EditOptions& options, std::ostream& out, std::ostream& err);
// Writes the document's JSON form to a temporary file, runs $VISUAL (else
// $EDITOR, else vi) on it and applies what it then holds to the document
// (missing keys keep their values). An unchanged text saves nothing. The
// file is not held while the editor runs; a file changed meanwhile (its
// size, modification time or bytes) is not saved over. Whenever the edited
// text is not saved (the editor failed, the text is not JSON or does not
// fit, the file changed or can no longer be saved), it is kept, and the
// message names where.
int RunEdit(const EditOptions& options, std::ostream& out, std::ostream& err);

struct GetOptions {
    std::string file;  // "-" reads standard input
    // Member paths as set takes them, or "list[i]" for a list's element.
    std::vector<std::string> keys;
    json::Encoding encoding = json::Encoding::Windows1252;
    // Texts as they are, without JSON's quotes and escapes.
    bool raw = false;
};

// Prints the value of each key, one a line, in JSON (a text with raw as it
// is). An unknown key is named with the key most likely meant, before
// anything is printed. Exit status: 0 printed, 1 the read stopped at an
// error (what was read is printed) or the file is not a document, 2 an
// unknown key, an element past a list's end, or a file that cannot be read.
int RunGet(const GetOptions& options, std::ostream& out, std::ostream& err);

struct DiffOptions {
    std::string a;  // "-" reads standard input
    std::string b;
    json::Encoding encoding = json::Encoding::Windows1252;
    // One JSON object instead of one line a difference.
    bool json = false;
    // The paths of the members that differ, each once (a list by its name).
    bool nameOnly = false;
};

// Compares two documents member by member, lists aligned by content
// (document_diff.h), and prints each difference as "PATH: A -> B" (the values
// in JSON, "(none)" for an element one list lacks; a text of several lines as
// the hunks of a unified diff) or, with json, {"equal", "differences":
// [{"path", "a", "b"}]} (null for a missing element). Exit status: 0 equal,
// 1 different, 2 a file cannot be opened (nothing is compared) or did not
// read cleanly (what was read is compared and printed).
int RunDiff(const DiffOptions& options, std::ostream& out, std::ostream& err);

struct ConditionOptions {
    TWDB_DataType type = TWDB_Integer;
    // The attribute's table and name. When not given they come from the
    // condition's first word: "T.A" gives table T and attribute A, "A" the
    // attribute A of no table.
    std::optional<std::string> table;
    std::optional<std::string> attribute;
    std::string text;
    json::Encoding encoding = json::Encoding::Windows1252;
};

// Binds the text to the attribute and prints on out the attribute, the SQL
// text, the full-name text, the parameters, the operand with the sample
// values put in for its parameters, and the result and messages of the
// condition's checks. Errors of the library go to err. Exit status: 0 when
// the checks pass, 1 when they fail or the library reports an error, 2 when
// the arguments do not name an attribute or do not fit the encoding.
// messages, when given, collects the checks' messages, each a text of
// lines separated by "\n".
int RunCondition(const ConditionOptions& options, std::ostream& out, std::ostream& err,
                 std::vector<std::string>* messages = nullptr);

struct SqlOptions {
    std::string file;
    std::vector<std::string> parameters;  // NAME=VALUE
    bool inlineValues = false;
    // The server the statement is meant for: how it is read and checked, and
    // how the values are written with inlineValues.
    twfile::sql::Dialect dialect = twfile::sql::Dialect::SQLite;
    // A database or JSON schema that types the parameters.
    std::string schema;
    json::Encoding encoding = json::Encoding::Windows1252;
};

// Prints the statement (ending with ";") and, after it, one SQL comment per
// bound value; with inlineValues the statement with the values written in
// for the dialect. The statement's bytes, CR LF line ends included, are
// printed as they are. A statement that a run would refuse, or a value that
// cannot be written safely for the dialect, is an error (exit 2).
int RunSql(const SqlOptions& options, std::ostream& out, std::ostream& err);

// What RunSql prints for statement without inlineValues.
std::string ShownStatement(const twfile::sql::Statement& statement);

struct ParamsOptions {
    std::vector<std::string> files;  // "-" reads standard input
    // A database or JSON schema that types the conditions' parameters.
    std::string schema;
    // How the texts are read: markers in comments are not parameters.
    twfile::sql::Dialect dialect = twfile::sql::Dialect::SQLite;
    json::Encoding encoding = json::Encoding::Windows1252;
    // One JSON object a file, {"path", "parameters": [...]}, instead of the
    // table.
    bool json = false;
};

// Lists each use of each parameter (a <<Name>> marker) of the documents: its
// place (conditions[i], joins[i], editedSQL, dynamicSort), the attribute a
// condition compares and its type from the schema, the default value, and
// whether a run needs a value for it ("not used" when the statement a run
// builds leaves it out). Exit status, the highest of the files': 0 listed,
// 1 the read stopped at an error, 2 a file or the schema cannot be read.
int RunParams(const ParamsOptions& options, std::ostream& out, std::ostream& err);

struct RunOptions {
    std::string file;
    std::string database;
    std::vector<std::string> parameters;
    std::optional<RowFormat> format;  // default: table on a terminal, else csv
    std::optional<std::uint64_t> limit;
    json::Encoding encoding = json::Encoding::Windows1252;
    // The most seconds the database may take for each statement, 0 for no
    // limit.
    unsigned timeout = 0;
};

// Runs the statement on the database and prints its rows.
int RunRun(const RunOptions& options, bool terminal, std::ostream& out, std::ostream& err);

struct DiagramOptions {
    std::string file;  // "-" reads standard input
    // The file to write, replaced in one step; empty or "-" for out.
    std::string output;
    DiagramFormat format = DiagramFormat::Svg;
    // A database or JSON schema that types the attributes and tells what is
    // missing from it.
    std::string schema;
    json::Encoding encoding = json::Encoding::Windows1252;
};

// Draws the document's tables as boxes listing the attributes it uses of
// each and its joins as lines between them (diagram_model.h, diagram.h).
// Exit status: 0 drawn, 1 the read stopped at an error (what was read is
// drawn) or the file is not a document, 2 the file or the schema cannot be
// read, a text does not fit the encoding, the output cannot be written, or
// this qdf cannot draw.
int RunDiagram(const DiagramOptions& options, std::ostream& out, std::ostream& err);

struct ServeOptions {
    std::string folder = ".";
    // The database of runs and checks; empty for none.
    std::string database;
    std::string host = "127.0.0.1";
    int port = 0;
    bool open = false;
    int threads = 8;
    json::Encoding encoding = json::Encoding::Windows1252;
};

// Serves the folder's documents (serve/server.h) until Ctrl-C or SIGTERM,
// after printing the address to open on out. Exit status: 0 stopped, 2 the
// folder, the address or the port cannot be had, or this qdf cannot serve.
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qdf

#endif  // QDF_COMMANDS_H
