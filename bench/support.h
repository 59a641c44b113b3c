// Shared by the benchmarks: the scratch directory that every file goes to,
// and the reporting of failures and sizes.
#ifndef TWFILE_BENCH_SUPPORT_H
#define TWFILE_BENCH_SUPPORT_H

#include <twfile/file/file32.h>

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "testing/temp_dir.h"

namespace twbench {

// A fresh directory under TMPDIR (or /tmp), made when the program starts and
// removed with its files when it ends. Only one exists at a time.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  private:
    twtest::TempDir m_dir;
};

// The path of name inside the scratch directory.
std::string ScratchPath(const std::string& name);
// Removes a file if it exists; a benchmark that writes a new file removes
// the old one outside the timed region first.
void RemoveFile(const std::string& path);

// Sets file up to make a new file at path (read and write access, opened
// always) and opens it; the status of the open.
int OpenForWriting(CTWFile32& file, const std::string& path);

// Empty when status is not negative; else the pending error's text and
// trail, and the error is cleared.
std::string Failure(int status);
// When status is negative: stops the benchmark with the pending error's text
// and clears the error. Returns whether it did.
bool FailedStatus(benchmark::State& state, int status);
// Stops the benchmark with a message of its own.
void Fail(benchmark::State& state, const std::string& message);

// Runs a benchmark whose every iteration makes the file at path anew: the
// old file is removed outside the timed region, then write(path) runs; it
// returns an empty string, or what failed, which stops the benchmark.
template <typename Write>
void WriteAnew(benchmark::State& state, const std::string& path, Write write) {
    for (auto _ : state) {
        state.PauseTiming();
        RemoveFile(path);
        state.ResumeTiming();
        const std::string failure = write(path);
        if (!failure.empty()) {
            Fail(state, failure);
            break;
        }
    }
}

// Writes all of count bytes with write(2): one call for a regular file.
bool WriteAllBytes(int fd, const void* bytes, std::size_t count);

// The file object's buffer size, and what its flush does with a buffer-full
// of count bytes that starts at offset start: move to the new end, read the
// position back, cut the file there, move to start, write the bytes. The
// floors run this to show what the flushes' system calls cost by themselves.
constexpr std::size_t kBufferFull = 65534;
bool FlushLikeTheFileObject(int fd, long long start, const void* bytes, std::size_t count);
// Writes count bytes from the start of the file a buffer-full at a time, as
// the file object's flushes would.
bool WriteInBufferFulls(int fd, const void* bytes, std::size_t count);

// Reports how much each iteration did: items (values or lines) and bytes.
// The table script reads "items" to give the time per item.
void SetWork(benchmark::State& state, std::int64_t items, std::int64_t bytes);

}  // namespace twbench

#endif  // TWFILE_BENCH_SUPPORT_H
