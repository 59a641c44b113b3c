#include "loading.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

#include "input.h"

namespace qdf {

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
    inUse = !report.opened && doc.GetOpenError() == win32::ERROR_SHARING_VIOLATION;
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

}  // namespace

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

std::string InUseText(const std::string& name) {
    return name + ": in use by another program; not changed (--wait SECONDS waits for it)";
}

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
    if (!opened) throw Failure(kExitInUse, InUseText(name));
    return report;
}

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

}  // namespace qdf
