#include "process.h"

#include "support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>

extern char** environ;

namespace twbench {

long RunProgram(const std::vector<std::string>& program, bool quiet, double* cpuSeconds) {
    if (program.empty()) return -1;
    std::vector<std::string> args = program;
#ifdef TIME_BINARY
    // The peak memory that wait4 reports of a program started here is never
    // below this process's own peak: the kernel counts the memory the child
    // shared with this process until it ran the program. GNU time, a small
    // process, starts the program itself and reports the program's own peak.
    const std::string peakFile = ScratchPath("peak.txt");
    args.insert(args.begin(), {TIME_BINARY, "-f", "%M", "-o", peakFile});
#endif
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) return -1;
    if (cpuSeconds != nullptr) {
        *cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
#ifdef TIME_BINARY
    long peak = -1;
    if (FILE* file = std::fopen(peakFile.c_str(), "r")) {
        if (std::fscanf(file, "%ld", &peak) != 1) peak = -1;
        std::fclose(file);
    }
    return peak;
#else
    return usage.ru_maxrss;
#endif
}

void TimeProgram(benchmark::State& state, const std::vector<std::string>& args) {
    long peak = 0;
    for (auto _ : state) {
        peak = RunProgram(args);
        if (peak < 0) {
            Fail(state, args[0] + " failed");
            break;
        }
    }
    state.counters["max_rss_kib"] = static_cast<double>(peak);
    SetWork(state, state.range(0), 0);
}

}  // namespace twbench
