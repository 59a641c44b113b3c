// Runs the benchmarks with every file in a scratch directory that is removed
// at the end.
//
// The heap keeps the memory it frees, as a long-running application's heap
// does. Otherwise the C library hands the 80 MB of a document of 10^6 lines
// back to the kernel when the document is destroyed, and every following Open
// pays for taking it back page by page, while a document of 10^4 lines is
// always read into memory the heap still holds: the comparison of sizes would
// measure the heap's trimming, not the library. TWBENCH_DEFAULT_HEAP=1 keeps
// the C library's default behaviour.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "support.h"

namespace {

void KeepFreedMemory() {
#if defined(__GLIBC__)
    const char* keepDefault = std::getenv("TWBENCH_DEFAULT_HEAP");
    if (keepDefault != nullptr && std::strcmp(keepDefault, "1") == 0) return;
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemory();
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
