#include "process.h"

#include "support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace twbench {

long RunProgram(const std::vector<std::string>& args, bool quiet, double* cpuSeconds) {
    if (args.empty()) return -1;
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
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
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
