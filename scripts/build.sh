#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   scripts/build.sh release     g++, optimised, warnings as errors; the
#                                benchmarks are built too (never run here)
#   scripts/build.sh sanitize    clang++ with AddressSanitizer and UBSan
# Further arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
shift || true
case "$flavour" in
    release)
        args=(-DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
              -DTWFILE_BUILD_BENCHMARKS=ON) ;;
    sanitize)
        flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
        args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
              "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=$flags"
              "-DCMAKE_SHARED_LINKER_FLAGS=$flags") ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S . -B "build/$flavour" -G Ninja "${args[@]}" "$@" >/dev/null
cmake --build "build/$flavour" -j "$(nproc)"
