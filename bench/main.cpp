// Runs the benchmarks with every file in a scratch directory that is removed
// at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <exception>

#include "support.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        twbench::ScratchDirectory scratch;
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "twfile_bench: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
