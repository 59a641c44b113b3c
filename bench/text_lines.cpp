// Text lines: one million lines of 40 bytes, each ended by CR LF. Writing
// through WriteLine against fputs and the limit (the bytes copied into one
// array and written with a single write(2)); reading back through both
// ReadLine forms against fgets, std::getline on an std::ifstream and the
// limit (read(2) of the whole file, then one memchr scan for the line ends).
// Every reader counts the lines and sums their first bytes, and checks both.
//
// A further reader shows the floor that the file object's refills set: the
// file read a buffer-full (65534 bytes) at a time from the first byte not
// yet taken, with the system calls that each refill makes (query the size,
// move to the offset, read), and each buffer-full scanned with memchr.
#include <twfile/file/file32.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support.h"

namespace {

constexpr int kLines = 1'000'000;
constexpr int kLineLength = 40;
constexpr int kLineBytes = kLineLength + 2;  // with CR LF

// The lines, made once: each as a C string without its line end (for
// WriteLine) and with it (for fputs), and the whole file's bytes.
struct Lines {
    std::vector<char> bare;      // kLines texts of kLineLength + 1 bytes
    std::vector<char> withEnds;  // kLines texts of kLineBytes + 1 bytes
    std::vector<char> file;      // what every writer produces
    std::int64_t firstByteSum = 0;

    const char* Bare(int i) const { return &bare[std::size_t(i) * (kLineLength + 1)]; }
    const char* WithEnd(int i) const { return &withEnds[std::size_t(i) * (kLineBytes + 1)]; }
};

const Lines& TheLines() {
    static const Lines lines = [] {
        Lines made;
        made.bare.resize(std::size_t{kLines} * (kLineLength + 1));
        made.withEnds.resize(std::size_t{kLines} * (kLineBytes + 1));
        made.file.reserve(std::size_t{kLines} * kLineBytes);
        static const char kFiller[] = "SELECT ORDERS.AMOUNT FROM ORDERS WHERE X";
        for (int i = 0; i < kLines; ++i) {
            char text[kLineLength + 1];
            std::snprintf(text, sizeof text, "%07d %.*s", i, kLineLength - 8, kFiller + i % 7);
            // The filler is shorter from some offsets: pad to the full length.
            const std::size_t used = std::strlen(text);
            std::memset(text + used, 'x', kLineLength - used);
            text[kLineLength] = '\0';
            text[0] = static_cast<char>('A' + i % 26);
            std::memcpy(&made.bare[std::size_t(i) * (kLineLength + 1)], text, kLineLength + 1);
            char* withEnd = &made.withEnds[std::size_t(i) * (kLineBytes + 1)];
            std::memcpy(withEnd, text, kLineLength);
            std::memcpy(withEnd + kLineLength, "\r\n", 3);
            made.file.insert(made.file.end(), withEnd, withEnd + kLineBytes);
            made.firstByteSum += text[0];
        }
        return made;
    }();
    return lines;
}

// The file the readers read, written once with write(2).
const std::string& LinesFile() {
    static const std::string path = [] {
        const std::string made = twbench::ScratchPath("lines-read.txt");
        const std::vector<char>& bytes = TheLines().file;
        std::ofstream out(made, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) std::fprintf(stderr, "cannot write %s\n", made.c_str());
        return made;
    }();
    return path;
}

std::string WritePath() {
    return twbench::ScratchPath("lines-write.txt");
}

void CheckRead(benchmark::State& state, int lines, std::int64_t sum) {
    if (lines != kLines || sum != TheLines().firstByteSum) {
        twbench::Fail(state,
                      "read back " + std::to_string(lines) + " lines, not the lines written");
    }
}

void SetLineWork(benchmark::State& state) {
    twbench::SetWork(state, kLines, std::int64_t{kLines} * kLineBytes);
}

// Writing.

void LinesWriteTWFile(benchmark::State& state) {
    const Lines& lines = TheLines();
    twbench::WriteAnew(state, WritePath(), [&lines](const std::string& path) {
        CTWFile32 file;
        int status = twbench::OpenForWriting(file, path);
        for (int i = 0; i < kLines && status >= 0; ++i)
            status = file.WriteLine(lines.Bare(i));
        if (status >= 0) status = file.WriteFile();
        if (status >= 0) status = file.CloseFile();
        return twbench::Failure(status);
    });
    SetLineWork(state);
}

void LinesWriteFputs(benchmark::State& state) {
    const Lines& lines = TheLines();
    twbench::WriteAnew(state, WritePath(), [&lines](const std::string& path) -> std::string {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return "fopen failed";
        bool ok = true;
        for (int i = 0; i < kLines && ok; ++i)
            ok = std::fputs(lines.WithEnd(i), file) >= 0;
        ok = std::fclose(file) == 0 && ok;
        return ok ? "" : "fputs failed";
    });
    SetLineWork(state);
}

void LinesWriteLimit(benchmark::State& state) {
    const Lines& lines = TheLines();
    std::vector<char> bytes(std::size_t{kLines} * kLineBytes, 1);
    twbench::WriteAnew(state, WritePath(), [&](const std::string& path) -> std::string {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return "open failed";
        char* to = bytes.data();
        for (int i = 0; i < kLines; ++i) {
            const char* text = lines.Bare(i);
            const std::size_t length = std::strlen(text);
            std::memcpy(to, text, length);
            std::memcpy(to + length, "\r\n", 2);
            to += length + 2;
        }
        const bool ok =
            twbench::WriteAllBytes(fd, bytes.data(), static_cast<std::size_t>(to - bytes.data()));
        return ::close(fd) == 0 && ok ? "" : "write failed";
    });
    SetLineWork(state);
}

// Reading.

// Reads the lines file through the file object; readLine(file, eof, first)
// takes one line, stores its first byte in first and returns the status.
template <typename ReadLine>
void ReadThroughTWFile(benchmark::State& state, ReadLine readLine) {
    const std::string& path = LinesFile();
    for (auto _ : state) {
        CTWFile32 file;
        file.SetFileName(path.c_str());
        int status = file.CreateFileA();
        int lines = 0;
        std::int64_t sum = 0;
        for (int eof = 0; status >= 0;) {
            char first = 0;
            status = readLine(file, eof, first);
            if (status < 0 || eof != 0) break;
            ++lines;
            sum += first;
        }
        if (status >= 0) status = file.CloseFile();
        if (twbench::FailedStatus(state, status)) break;
        CheckRead(state, lines, sum);
    }
    SetLineWork(state);
}

void LinesReadTWFileArray(benchmark::State& state) {
    char line[101] = {};
    ReadThroughTWFile(state, [&line](CTWFile32& file, int& eof, char& first) {
        const int status = file.ReadLine(line, 100, eof);
        first = line[0];
        return status;
    });
}

void LinesReadTWFileString(benchmark::State& state) {
    CString line;
    ReadThroughTWFile(state, [&line](CTWFile32& file, int& eof, char& first) {
        const int status = file.ReadLine(&line, eof);
        first = line.IsEmpty() ? '\0' : line.GetAt(0);
        return status;
    });
}

void LinesReadFgets(benchmark::State& state) {
    const std::string& path = LinesFile();
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            twbench::Fail(state, "fopen failed");
            break;
        }
        char line[128];
        int lines = 0;
        std::int64_t sum = 0;
        while (std::fgets(line, sizeof line, file) != nullptr) {
            ++lines;
            sum += line[0];
        }
        std::fclose(file);
        CheckRead(state, lines, sum);
    }
    SetLineWork(state);
}

void LinesReadGetline(benchmark::State& state) {
    const std::string& path = LinesFile();
    for (auto _ : state) {
        std::ifstream file(path, std::ios::binary);
        std::string line;
        int lines = 0;
        std::int64_t sum = 0;
        while (std::getline(file, line)) {
            ++lines;
            sum += line[0];
        }
        CheckRead(state, lines, sum);
    }
    SetLineWork(state);
}

void LinesReadLimit(benchmark::State& state) {
    const std::string& path = LinesFile();
    std::vector<char> bytes(TheLines().file.size(), 1);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info;
        if (fd < 0 || ::fstat(fd, &info) != 0 ||
            static_cast<std::size_t>(info.st_size) != bytes.size()) {
            if (fd >= 0) ::close(fd);
            twbench::Fail(state, "open failed");
            break;
        }
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t count = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (count <= 0) break;
            got += static_cast<std::size_t>(count);
        }
        ::close(fd);
        int lines = 0;
        std::int64_t sum = 0;
        const char* from = bytes.data();
        const char* end = from + got;
        while (const char* lf = static_cast<const char*>(std::memchr(from, '\n', end - from))) {
            if (lf > from && lf[-1] == '\r') {
                ++lines;
                sum += *from;
            }
            from = lf + 1;
        }
        CheckRead(state, lines, sum);
    }
    SetLineWork(state);
}

void LinesReadRefillFloor(benchmark::State& state) {
    const std::string& path = LinesFile();
    std::vector<char> buffer(twbench::kBufferFull, 1);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            twbench::Fail(state, "open failed");
            break;
        }
        int lines = 0;
        std::int64_t sum = 0;
        bool ok = true;
        for (off_t offset = 0;;) {
            struct stat info;
            ok = ::fstat(fd, &info) == 0;
            if (!ok || offset >= info.st_size) break;
            const std::size_t count = std::min<std::size_t>(
                twbench::kBufferFull, static_cast<std::size_t>(info.st_size - offset));
            ok = ::lseek(fd, offset, SEEK_SET) == offset &&
                 ::read(fd, buffer.data(), count) == static_cast<ssize_t>(count);
            if (!ok) break;
            const char* from = buffer.data();
            const char* end = from + count;
            while (const char* lf = static_cast<const char*>(std::memchr(from, '\n', end - from))) {
                if (lf > from && lf[-1] == '\r') {
                    ++lines;
                    sum += *from;
                }
                from = lf + 1;
            }
            offset += from - buffer.data();
        }
        ::close(fd);
        if (!ok) {
            twbench::Fail(state, "read failed");
            break;
        }
        CheckRead(state, lines, sum);
    }
    SetLineWork(state);
}

#define TWBENCH_LINES(function, name) BENCHMARK(function)->Name(name)->Unit(benchmark::kMillisecond)

TWBENCH_LINES(LinesWriteTWFile, "lines/write/twfile");
TWBENCH_LINES(LinesWriteFputs, "lines/write/fputs");
TWBENCH_LINES(LinesWriteLimit, "lines/write/limit");
TWBENCH_LINES(LinesReadTWFileArray, "lines/read/twfile_array");
TWBENCH_LINES(LinesReadTWFileString, "lines/read/twfile_string");
TWBENCH_LINES(LinesReadFgets, "lines/read/fgets");
TWBENCH_LINES(LinesReadGetline, "lines/read/getline");
TWBENCH_LINES(LinesReadLimit, "lines/read/limit");
TWBENCH_LINES(LinesReadRefillFloor, "lines/read/refill_floor");

}  // namespace
