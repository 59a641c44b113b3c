#include "save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "diagnostics.h"
#include "input.h"

namespace qdf {

namespace {

// SaveAs, then Close; what the library reported, printed against name.
ExitStatus SaveAs(CTWFileQDF& doc, const std::string& path, const std::string& name,
                  std::ostream& err) {
    doc.SaveAs(path.c_str());
    Diagnostics diagnostics = TakeDiagnostics();
    doc.Close();
    const Diagnostics closing = TakeDiagnostics();
    if (!diagnostics.error) diagnostics.error = closing.error;
    diagnostics.messages.insert(diagnostics.messages.end(), closing.messages.begin(),
                                closing.messages.end());
    if (diagnostics.Empty()) return kExitOk;
    PrintDiagnostics(err, name, diagnostics);
    if (!diagnostics.error) PrintMessage(err, name, "not written");
    return kExitFailed;
}

// The document's text, written to a temporary file first.
ExitStatus SaveToStream(CTWFileQDF& doc, std::ostream& out, std::ostream& err) {
    const char* directory = std::getenv("TMPDIR");
    std::string name =
        std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") +
        "/qdf-out-XXXXXX";
    const int fd = ::mkostemp(&name[0], O_CLOEXEC);
    if (fd < 0) {
        PrintMessage(err, "standard output",
                     std::string("cannot make a temporary file: ") + std::strerror(errno));
        return kExitFailed;
    }
    ::close(fd);
    ExitStatus status = SaveAs(doc, name, "standard output", err);
    if (status == kExitOk) {
        try {
            out << ReadInput(name);
        } catch (const Failure& failure) {
            PrintMessage(err, "", failure.what());
            status = kExitFailed;
        }
    }
    ::unlink(name.c_str());
    return status;
}

}  // namespace

ExitStatus SaveDocument(CTWFileQDF& doc, const std::string& path, std::ostream& out,
                        std::ostream& err) {
    if (path == "-") return SaveToStream(doc, out, err);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        PrintMessage(err, path,
                     "not a regular file (a directory, pipe, device or socket); not replaced");
        return kExitUsage;
    }
    return SaveAs(doc, path, path, err);
}

}  // namespace qdf
