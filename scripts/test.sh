#!/usr/bin/env bash
# Builds and runs every test: the g++ build, then the clang++ build under
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on the
# first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
for flavour in release sanitize; do
    echo "== $flavour build"
    scripts/build.sh "$flavour"
    echo "== $flavour tests"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "build/$flavour" --output-on-failure -j "$(nproc)"
done
