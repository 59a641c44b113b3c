// Documents and texts written out: a document saved over the file it was
// read from, to a path or to standard output, and a text file replaced in
// one step; each with the signals that end the program held back meanwhile.
#ifndef QDF_OUTPUT_H
#define QDF_OUTPUT_H

#include <ostream>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <signal.h>
#endif

#include <twfile/query/qdf.h>

#include "commands.h"

namespace qdf {

// Saves doc, open through LoadForUpdate, over its own file with the
// library's Save and closes it. Prints the reason of a failure to err
// against name.
ExitStatus SaveHeld(CTWFileQDF& doc, const std::string& name, std::ostream& err);

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

#endif  // QDF_OUTPUT_H
