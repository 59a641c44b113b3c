// Shared by the benchmarks: the scratch directory that every file goes to,
// and the reporting of failures and sizes.
#ifndef TWFILE_BENCH_SUPPORT_H
#define TWFILE_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace twbench {

// A fresh directory under TMPDIR (or /tmp), made when the program starts and
// removed with its files when it ends. Only one exists at a time.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
};

// The path of name inside the scratch directory.
std::string ScratchPath(const std::string& name);
// Removes a file if it exists; a benchmark that writes a new file removes
// the old one outside the timed region first.
void RemoveFile(const std::string& path);

// When status is negative: stops the benchmark with the pending error's text
// and clears the error. Returns whether it did.
bool FailedStatus(benchmark::State& state, int status);
// Stops the benchmark with a message of its own.
void Fail(benchmark::State& state, const std::string& message);

// Writes all of count bytes with write(2): one call for a regular file.
bool WriteAllBytes(int fd, const void* bytes, std::size_t count);

// The file object's buffer size, and what its flush does with a buffer-full
// of count bytes that starts at offset start: move to the new end, read the
// position back, cut the file there, move to start, write the bytes. The
// floors run this to show what the flushes' system calls cost by themselves.
constexpr std::size_t kBufferFull = 65534;
bool FlushLikeTheFileObject(int fd, long long start, const void* bytes, std::size_t count);

// Reports how much each iteration did: items (values or lines) and bytes.
// The table script reads "items" to give the time per item.
void SetWork(benchmark::State& state, std::int64_t items, std::int64_t bytes);

}  // namespace twbench

#endif  // TWFILE_BENCH_SUPPORT_H
