#!/usr/bin/env bash
# Line and branch coverage of the library reached by each fuzz target's
# corpus (the repository's seeds and the working copy in build/fuzz/corpus):
# builds the targets with source-based coverage into build/fuzz-coverage,
# replays every corpus once and prints llvm-cov's report of src/.
#   scripts/fuzz_coverage.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in clang++ llvm-profdata llvm-cov; do
    command -v "$tool" >/dev/null || { echo "fuzz coverage: $tool is not installed" >&2; exit 2; }
done
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B build/fuzz-coverage -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWFILE_BUILD_FUZZERS=ON \
    -DTWFILE_BUILD_TESTS=OFF -DTWFILE_BUILD_TOOLS=OFF \
    "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=$flags" >/dev/null
cmake --build build/fuzz-coverage -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
for target in "${targets[@]}"; do
    binary=build/fuzz-coverage/fuzz/$target
    profiles=build/fuzz-coverage/profiles/$target
    rm -rf "$profiles"
    mkdir -p "$profiles"
    corpora=("fuzz/corpus/$target")
    [ -d "build/fuzz/corpus/$target" ] && corpora+=("build/fuzz/corpus/$target")
    LLVM_PROFILE_FILE="$profiles/%p.profraw" "$binary" -runs=0 "${corpora[@]}" >/dev/null 2>&1
    llvm-profdata merge -sparse "$profiles"/*.profraw -o "$profiles/merged.profdata"
    echo "== coverage of $target"
    llvm-cov report "$binary" -instr-profile="$profiles/merged.profdata" "$PWD/src"
done
