#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ into build/fuzz and runs each for
# a number of seconds over a working copy of its corpus.
#   scripts/fuzz.sh [seconds] [target...]     default 60 seconds, every target
# Environment:
#   FUZZ_GROW=1     merge the new inputs the run found back into fuzz/corpus
#   FUZZ_JOBS=n     libFuzzer worker processes per target (default 1)
#   FUZZ_ARGS=...   further libFuzzer options
# Crashing inputs are kept in build/fuzz/artifacts; the script then fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ is not installed" >&2
    exit 2
fi
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWFILE_BUILD_FUZZERS=ON \
    -DTWFILE_BUILD_TESTS=OFF -DTWFILE_BUILD_TOOLS=OFF >/dev/null
cmake --build build/fuzz -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

status=0
for target in "${targets[@]}"; do
    seeds=fuzz/corpus/$target
    work=build/fuzz/corpus/$target
    mkdir -p "$seeds" "$work" build/fuzz/artifacts
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="build/fuzz/artifacts/$target-")
    case $target in
        qdf_document | qdf_roundtrip) options+=(-dict=fuzz/dict/qdf.dict) ;;
        condition) options+=(-dict=fuzz/dict/condition.dict) ;;
    esac
    if [ "${FUZZ_JOBS:-1}" -gt 1 ]; then
        options+=(-fork="$FUZZ_JOBS")
    fi
    echo "== fuzz $target for ${seconds}s"
    # ASan's leak check runs after each input that libFuzzer suspects. A
    # smaller quarantine keeps the freed buffers' pages in use: the targets
    # allocate a 64 KiB buffer or more per input.
    # shellcheck disable=SC2086
    if ! ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=16} "build/fuzz/fuzz/$target" "${options[@]}" ${FUZZ_ARGS:-} \
        "$work" "$seeds"; then
        echo "fuzz: $target failed; see build/fuzz/artifacts" >&2
        status=1
    fi
    if [ "${FUZZ_GROW:-0}" = 1 ]; then
        "build/fuzz/fuzz/$target" -merge=1 "$seeds" "$work" >/dev/null 2>&1
    fi
done
exit $status
