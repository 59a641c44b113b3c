#include "files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>
#include "portable.h"

#include <twfile/file/file32.h>
#include <twfile/platform/last_error.h>
#include <twfile/platform/replace_calls.h>

namespace qdf {

namespace {

constexpr char kNotRegular[] = "not a regular file (a directory, pipe, device or socket)";

[[noreturn]] void Fail(const std::string& input, const std::string& what, int code) {
    throw Failure(kExitUsage, InputName(input) + ": " + what + ": " + std::strerror(code));
}

// A new file of its own in TMPDIR (or /tmp), named prefix and a unique
// ending: its descriptor, or -1 with errno set.
int MakeTemporary(const char* prefix, std::string& name) {
    name = TemporaryFolder() + "/" + prefix + "-XXXXXX";
    return ::mkostemp(&name[0], O_CLOEXEC);
}

// Reads fd to its end.
std::string ReadAll(int fd, const std::string& input) {
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) return bytes;
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(input, "cannot read", errno);
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw Failure(kExitUsage, path + ": cannot write: " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

// A descriptor of the regular file input, opened for reading in binary;
// a Failure when it cannot be opened or is not a regular file.
int OpenRegular(const std::string& input) {
    const int fd = ::open(input.c_str(), O_RDONLY | O_BINARY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) Fail(input, "cannot open", errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw Failure(kExitUsage, input + ": " + kNotRegular);
    }
    return fd;
}

}  // namespace

std::string InputName(const std::string& input) {
    return input == "-" ? "standard input" : input;
}

std::string ReadInput(const std::string& input) {
    if (input == "-") return ReadAll(STDIN_FILENO, input);
    const int fd = OpenRegular(input);
    try {
        std::string bytes = ReadAll(fd, input);
        ::close(fd);
        return bytes;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

InputStream::InputStream(const std::string& input) {
    if (input == "-") {
        m_fd = STDIN_FILENO;
    } else {
        m_fd = OpenRegular(input);
    }
    m_buffer = std::make_unique<Buffer>(m_fd, input);
    m_stream.rdbuf(m_buffer.get());
}

InputStream::~InputStream() {
    if (m_fd != STDIN_FILENO) ::close(m_fd);
}

void InputStream::CheckRead() const {
    if (m_buffer->failure() != 0) Fail(m_buffer->input(), "cannot read", m_buffer->failure());
}

InputStream::Buffer::int_type InputStream::Buffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
        const ssize_t n = ::read(m_fd, m_bytes, sizeof m_bytes);
        if (n == 0) return traits_type::eof();
        if (n < 0) {
            if (errno == EINTR) continue;
            m_failure = errno;
            return traits_type::eof();
        }
        setg(m_bytes, m_bytes, m_bytes + n);
        return traits_type::to_int_type(*gptr());
    }
}

DocumentInput::DocumentInput(const std::string& input) : m_path(input) {
    if (input != "-") {
        struct stat info {};
        if (::stat(input.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            throw Failure(kExitUsage, input + ": " + kNotRegular);
        }
        return;
    }
    const std::string bytes = ReadInput(input);
    std::string name;
    const int fd = MakeTemporary("qdf-stdin", name);
    if (fd < 0) {
        throw Failure(kExitUsage, std::string("cannot keep standard input in a temporary file: ") +
                                      std::strerror(errno));
    }
    m_path = name;
    m_temporary = true;
    try {
        WriteAll(fd, bytes, name);
    } catch (...) {
        ::close(fd);
        ::unlink(name.c_str());
        throw;
    }
    ::close(fd);
}

DocumentInput::~DocumentInput() {
    if (m_temporary) ::unlink(m_path.c_str());
}

namespace {

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        if (!joined.empty()) joined += "; ";
        joined += text;
    }
    return joined;
}

}  // namespace

namespace {

// The position byte of the file at path, with the line it is on: one more
// than the line ends before it.
LoadReport::Position PositionIn(const std::string& path, long byte) {
    LoadReport::Position position;
    position.byte = byte;
    position.line = 1;
    try {
        const std::string bytes = ReadInput(path);
        const auto end = bytes.begin() +
                         static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                             bytes.size(), static_cast<std::size_t>(std::max(0L, position.byte))));
        position.line += static_cast<long>(std::count(bytes.begin(), end, '\n'));
    } catch (const Failure&) {
        // The file changed under us: the byte offset alone still tells.
    }
    return position;
}

}  // namespace

namespace {

std::string Place(const std::optional<LoadReport::Position>& position) {
    if (!position) return std::string();
    return "line " + std::to_string(position->line) + " (byte " + std::to_string(position->byte) +
           ")";
}

}  // namespace

std::string ErrorPlace(const LoadReport& report) {
    return Place(report.errorAt);
}

std::string DroppedPlace(const LoadReport& report) {
    return Place(report.droppedAt);
}

void PrintReadDiagnostics(std::ostream& err, const std::string& file, const LoadReport& report) {
    Diagnostics error;
    error.error = report.diagnostics.error;
    const std::string place = ErrorPlace(report);
    if (report.NotADocument()) {
        PrintMessage(err, file, kNotADocumentText);
    } else {
        PrintDiagnostics(err, place.empty() ? file : file + ": " + place, error);
    }
    Diagnostics others = report.diagnostics;
    others.error.reset();
    PrintDiagnostics(err, file, others);
}

namespace {

enum class Access { Read, Update };

// Opens and reads path into doc; for Access::Update the file stays open, and
// inUse tells whether another writer kept the open out.
LoadReport Load(const std::string& path, CTWFileQDF& doc, Access access, bool& inUse) {
    LoadReport report;
    inUse = false;
    // A failure of the document's construction is still pending.
    report.diagnostics = TakeDiagnostics();
    if (report.diagnostics.error) {
        report.openFailure = "the document could not be set up";
        return report;
    }
    doc.Open(path.c_str(), access == Access::Read ? 1 : 0);
    report.opened = doc.IsFileOpen() != 0;
    inUse = !report.opened && win32::GetLastError() == win32::ERROR_SHARING_VIOLATION;
    report.diagnostics = TakeDiagnostics();
    if (report.opened && report.diagnostics.error && !report.NotADocument()) {
        long byte = 0;
        doc.GetCurLoc(byte);
        report.errorAt = PositionIn(path, byte);
    }
    if (report.opened && doc.GetDroppedTextOffset() >= 0)
        report.droppedAt = PositionIn(path, doc.GetDroppedTextOffset());
    if (!report.opened) {
        // The file object has shown the system's reason in a message box.
        report.openFailure = report.diagnostics.messages.empty()
                                 ? std::string("cannot open the file")
                                 : Joined(report.diagnostics.messages);
        report.diagnostics.messages.clear();
        return report;
    }

    CString status;
    doc.GetStatusString(&status);
    report.statusReport.assign(status.GetString(), static_cast<std::size_t>(status.GetLength()));
    if (access == Access::Read) doc.Close();
    Diagnostics after = TakeDiagnostics();
    if (!report.diagnostics.error) report.diagnostics.error = after.error;
    report.diagnostics.messages.insert(report.diagnostics.messages.end(), after.messages.begin(),
                                       after.messages.end());
    return report;
}

// Runs attempt, and again every tenth of a second for up to wait seconds
// while it returns false (the file is in use); true when it succeeded.
bool WhileInUse(double wait, const std::function<bool()>& attempt) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(std::max(0.0, wait)));
    for (;;) {
        if (attempt()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string InUse(const std::string& name) {
    return name + ": in use by another program; not changed (--wait SECONDS waits for it)";
}

}  // namespace

LoadReport LoadDocument(const std::string& path, CTWFileQDF& doc) {
    bool inUse = false;
    return Load(path, doc, Access::Read, inUse);
}

ExitStatus LoadToRead(const std::string& file, CTWFileQDF& doc, std::ostream& err) {
    LoadReport report;
    try {
        const DocumentInput input(file);
        report = LoadDocument(input.path(), doc);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return kExitUsage;
    }
    if (!report.opened) {
        PrintMessage(err, InputName(file), "cannot open: " + report.openFailure);
        PrintDiagnostics(err, file, report.diagnostics);
        return kExitUsage;
    }
    PrintReadDiagnostics(err, file, report);
    if (report.NotADocument()) return kNotADocument;
    return report.diagnostics.error ? kExitFailed : kExitOk;
}

LoadReport LoadForUpdate(const std::string& path, const std::string& name, CTWFileQDF& doc,
                         double wait) {
    LoadReport report;
    const bool opened = WhileInUse(wait, [&] {
        bool inUse = false;
        report = Load(path, doc, Access::Update, inUse);
        return !inUse;
    });
    if (!opened) throw Failure(kExitInUse, InUse(name));
    return report;
}

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

void RequireOneStandardInput(const std::vector<std::string>& inputs) {
    if (std::count(inputs.begin(), inputs.end(), "-") > 1) {
        throw Failure(kExitUsage, "standard input (-) can be read only once");
    }
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

std::string SectionsNotRead(const CTWFileQDF& doc) {
    std::string names;
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        if (doc.m_bSectionRead[i] != 0) continue;
        if (!names.empty()) names += ", ";
        names += CTWFileQDF::SectionName(i);
    }
    return names;
}

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
            doc.IsFileOpen() == 0 && win32::GetLastError() == win32::ERROR_SHARING_VIOLATION;
        diagnostics = TakeDiagnostics();
        return !inUse;
    });
    if (!placed) {
        PrintMessage(err, "", InUse(name));
        return kExitInUse;
    }
    return Closed(doc, std::move(diagnostics), name, err);
}

// The document's text, written to a temporary file first.
ExitStatus SaveToStream(CTWFileQDF& doc, std::ostream& out, std::ostream& err) {
    std::string name;
    const int fd = MakeTemporary("qdf-out", name);
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

std::string Why(const Failure& failure, const std::string& input) {
    const std::string text = failure.what();
    const std::string prefix = InputName(input) + ": ";
    return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : text;
}

namespace {

int ReadOne(const std::string& file, const Render& render, std::ostream& out, std::ostream& err) {
    CTWFileQDF doc;
    LoadReport report;
    const auto unread = [&](ExitStatus status, const std::string& why) {
        PrintMessage(err, InputName(file), why);
        if (render.unread) out << render.unread(file, why);
        return status;
    };
    try {
        const DocumentInput input(file);
        report = LoadDocument(input.path(), doc);
    } catch (const Failure& failure) {
        return unread(failure.status(), Why(failure, file));
    }
    if (!report.opened) {
        const ExitStatus status = unread(kExitUsage, "cannot open: " + report.openFailure);
        PrintDiagnostics(err, file, report.diagnostics);
        return status;
    }
    // Nothing of such a file is shown as a document, so that no empty one
    // goes on to be saved in its place.
    if (report.NotADocument()) {
        report.diagnostics.error.reset();
        PrintDiagnostics(err, file, report.diagnostics);
        return unread(kExitFailed, kNotADocumentText);
    }
    PrintReadDiagnostics(err, file, report);
    try {
        render.document(out, file, doc, report);
    } catch (const Failure& failure) {
        return unread(failure.status(), failure.what());
    }
    return report.diagnostics.error ? kExitFailed : kExitOk;
}

// Reads files on jobs threads, a run of files at a time; each file's texts
// are kept until those of the files before it are printed, and at most a few
// runs per thread are read ahead of the printing.
int RunParallel(const std::vector<std::string>& files, const Render& render, std::ostream& out,
                std::ostream& err, int jobs) {
    struct Result {
        std::string out;
        std::string err;
        int status = kExitOk;
    };
    struct Run {
        std::vector<Result> results;
        bool done = false;
    };
    // Runs short enough that every thread gets several, long enough that
    // the threads seldom meet.
    const std::size_t runLength =
        std::clamp<std::size_t>(files.size() / (static_cast<std::size_t>(jobs) * 8), 1, 32);
    const std::size_t runCount = (files.size() + runLength - 1) / runLength;
    const std::size_t window = static_cast<std::size_t>(jobs) * 4;
    std::vector<Run> runs(window);
    std::mutex lock;
    std::condition_variable printing;  // the printer waits for a run
    std::condition_variable reading;   // the readers wait for room
    std::size_t next = 0;              // the next run to read
    std::size_t printed = 0;           // the runs printed
    std::size_t awaited = runCount;    // the run the printer waits for

    const auto work = [&] {
        std::ostringstream fileOut;
        std::ostringstream fileErr;
        for (;;) {
            std::size_t run = 0;
            {
                std::unique_lock<std::mutex> hold(lock);
                reading.wait(hold, [&] { return next >= runCount || next < printed + window; });
                if (next >= runCount) return;
                run = next++;
            }
            std::vector<Result> results;
            const std::size_t first = run * runLength;
            for (std::size_t i = first; i < std::min(files.size(), first + runLength); ++i) {
                fileOut.str(std::string());
                fileErr.str(std::string());
                Result result;
                result.status = kExitFailed;
                try {
                    result.status = ReadOne(files[i], render, fileOut, fileErr);
                } catch (const std::exception& error) {
                    PrintMessage(fileErr, InputName(files[i]), error.what());
                }
                result.out = fileOut.str();
                result.err = fileErr.str();
                results.push_back(std::move(result));
            }
            const std::lock_guard<std::mutex> hold(lock);
            Run& slot = runs[run % window];
            slot.results = std::move(results);
            slot.done = true;
            if (awaited == run) printing.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < jobs; ++i)
        threads.emplace_back(work);

    int status = kExitOk;
    for (std::size_t run = 0; run < runCount; ++run) {
        std::vector<Result> results;
        {
            std::unique_lock<std::mutex> hold(lock);
            Run& slot = runs[run % window];
            awaited = run;
            printing.wait(hold, [&] { return slot.done; });
            results = std::move(slot.results);
            slot = Run();
            ++printed;
            reading.notify_all();
        }
        for (const Result& result : results) {
            err << result.err;
            out << result.out;
            status = std::max(status, result.status);
        }
    }
    for (std::thread& thread : threads)
        thread.join();
    return status;
}

}  // namespace

int RunReadCommand(const std::vector<std::string>& files, const Render& render, std::ostream& out,
                   std::ostream& err, int jobs) {
    try {
        RequireOneStandardInput(files);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
    if (jobs > 1 && files.size() > 1) {
        return RunParallel(files, render, out, err,
                           static_cast<int>(std::min<std::size_t>(jobs, files.size())));
    }
    int status = kExitOk;
    for (const std::string& file : files)
        status = std::max(status, ReadOne(file, render, out, err));
    return status;
}

ReplacingFile::ReplacingFile(const std::string& path) : m_path(path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        throw Failure(kExitUsage, path + ": " + kNotRegular + "; not replaced");
    }
    // The new file goes beside the file replaced: its folder must be there
    // before any work is done for it.
    errno = 0;
    const std::string replaced = win32::GetReplacedFileName(path.c_str());
    if (replaced.empty()) Fail(path, "cannot be replaced", errno != 0 ? errno : EINVAL);
    const std::size_t slash = replaced.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : replaced.substr(0, slash);
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        Fail(path, "cannot make a file beside it", errno != 0 ? errno : ENOTDIR);
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
                return o.file.WriteText(o.text.c_str());
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
