// Runs another program from a benchmark, as a user would run it from a
// shell, and reports its peak memory.
#ifndef TWFILE_BENCH_PROCESS_H
#define TWFILE_BENCH_PROCESS_H

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace twbench {

// Runs the program at the path args[0] with the arguments args, with this
// program's environment and its standard output going to /dev/null (and its
// standard error too when quiet); waits for it to end. Its peak memory in
// KiB, or -1 when it could not start or did not end with status 0.
// When cpuSeconds is given, it receives the program's CPU time (user and
// system).
long RunProgram(const std::vector<std::string>& args, bool quiet = false,
                double* cpuSeconds = nullptr);

// Runs args once per iteration of state, which counts state.range(0) rows
// of work per run, and records the program's peak memory as max_rss_kib.
void TimeProgram(benchmark::State& state, const std::vector<std::string>& args);

}  // namespace twbench

#endif  // TWFILE_BENCH_PROCESS_H
