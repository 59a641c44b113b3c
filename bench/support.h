// Shared by the benchmarks: the scratch directory that every file goes to,
// and the reporting of failures and sizes.
#ifndef TWFILE_BENCH_SUPPORT_H
#define TWFILE_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>

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

// Reports how much each iteration did: items (values or lines) and bytes.
// The table script reads "items" to give the time per item.
void SetWork(benchmark::State& state, std::int64_t items, std::int64_t bytes);

}  // namespace twbench

#endif  // TWFILE_BENCH_SUPPORT_H
