#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include "portable.h"

#include <twfile/file/file32.h>

#include "input.h"
#include "loading.h"

namespace qdf {

namespace {

// Closes doc after its save, which reported diagnostics, and prints what
// both reported against name: kExitOk when nothing was.
ExitStatus Closed(CTWFileQDF& doc, Diagnostics diagnostics, const std::string& name,
                  std::ostream& err) {
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

}  // namespace

ExitStatus SaveHeld(CTWFileQDF& doc, const std::string& name, std::ostream& err) {
    {
        const SignalsHeldBack held;
        doc.Save();
    }
    Diagnostics diagnostics = TakeDiagnostics();
    return Closed(doc, std::move(diagnostics), name, err);
}

#ifndef _WIN32
SignalsHeldBack::SignalsHeldBack() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &m_old);
}

SignalsHeldBack::~SignalsHeldBack() {
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}
#else
SignalsHeldBack::SignalsHeldBack() = default;
SignalsHeldBack::~SignalsHeldBack() = default;
#endif

namespace {

// SaveAs, then Close; what the library reported, printed against name.
// While another writer holds path, SaveAs is tried again for up to wait
// seconds.
ExitStatus SaveAs(CTWFileQDF& doc, const std::string& path, const std::string& name,
                  std::ostream& err, double wait = 0) {
    Diagnostics diagnostics;
    const bool placed = WhileInUse(wait, [&] {
        {
            const SignalsHeldBack held;
            doc.SaveAs(path.c_str());
        }
        const bool inUse =
            doc.IsFileOpen() == 0 && doc.GetOpenError() == win32::ERROR_SHARING_VIOLATION;
        diagnostics = TakeDiagnostics();
        return !inUse;
    });
    if (!placed) {
        PrintMessage(err, "", InUseText(name));
        return kExitInUse;
    }
    return Closed(doc, std::move(diagnostics), name, err);
}

// The document's text, written to a temporary file first.
ExitStatus SaveToStream(CTWFileQDF& doc, std::ostream& out, std::ostream& err) {
    std::string name;
    const int fd = MakeTemporaryFile("qdf-out", name);
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
                        std::ostream& err, double wait) {
    if (path == "-") return SaveToStream(doc, out, err);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        PrintMessage(err, path,
                     "not a regular file (a directory, pipe, device or socket); not replaced");
        return kExitUsage;
    }
    return SaveAs(doc, path, path, err, wait);
}

ReplacingFile::ReplacingFile(const std::string& path) : m_path(path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        throw Failure(kExitUsage, path + ": " + kNotRegularText + "; not replaced");
    }
    // The new file goes beside the file replaced: its folder must be there
    // before any work is done for it.
    errno = 0;
    const std::string replaced = CTWFile32::GetReplacedFileName(path.c_str());
    if (replaced.empty()) FailWithErrno(path, "cannot be replaced", errno != 0 ? errno : EINVAL);
    const std::size_t slash = replaced.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : replaced.substr(0, slash);
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        FailWithErrno(path, "cannot make a file beside it", errno != 0 ? errno : ENOTDIR);
    }
}

// The text goes through the library's file object, which replaces the file
// in one step as every save does.
void ReplacingFile::Commit() {
    struct Output {
        CTWFile32 file;
        std::string text;
    } output;
    output.text = m_stream.str();
    output.file.SetFileName(m_path.c_str());
    output.file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    output.file.SetShareMode(win32::FILE_SHARE_READ);
    {
        const SignalsHeldBack held;
        output.file.WriteReplacing(
            [](void* context) {
                Output& o = *static_cast<Output*>(context);
                // Raw bytes (a PNG image holds NULs), in pieces a long
                // count can carry.
                constexpr std::size_t kPiece = std::size_t(1) << 30;
                for (std::size_t at = 0; at < o.text.size(); at += kPiece) {
                    const long count = static_cast<long>(std::min(kPiece, o.text.size() - at));
                    const int status = o.file.WriteBLOB(&o.text[at], count);
                    if (status < 0) return status;
                }
                return 0;
            },
            &output);
    }
    const Diagnostics diagnostics = TakeDiagnostics();
    if (!diagnostics.error) return;
    std::string why =
        "error " + std::to_string(diagnostics.error->number) + ": " + diagnostics.error->message;
    for (const std::string& message : diagnostics.messages)
        why += " (" + message + ")";
    throw Failure(kExitFailed, m_path + ": " + why);
}

}  // namespace qdf
