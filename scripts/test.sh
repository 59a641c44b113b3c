#!/usr/bin/env bash
# Builds and runs every test: the g++ build, then the clang++ build under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# under Wine (scripts/test-windows.sh). Exits non-zero on the first failure.
#
# The SQL cases that run on a database server too get a throwaway
# PostgreSQL server (scripts/postgres.sh), stopped at the end. When it cannot
# start, they are skipped and say so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
server=$(mktemp -d -u "${TMPDIR:-/tmp}/twfile-postgres.XXXXXX")
trap 'bash scripts/postgres.sh stop "$server"' EXIT
started=$(date +%s)
if connection=$(bash scripts/postgres.sh start "$server"); then
    export TWFILE_TEST_ODBC=$connection
    echo "== PostgreSQL server for the ODBC cases started in $(( $(date +%s) - started ))s"
else
    unset TWFILE_TEST_ODBC
    echo "== NOTE: the PostgreSQL server did not start: the ODBC cases are SKIPPED"
fi
# Leaks inside the ODBC driver and fontconfig (scripts/lsan-odbc.supp); the
# list of suppressions used is not printed, so that qdf's standard error
# stays its own.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-odbc.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for flavour in release sanitize; do
    echo "== $flavour build"
    scripts/build.sh "$flavour"
    echo "== $flavour tests"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "build/$flavour" --output-on-failure -j "$(nproc)"
done
echo "== windows build"
bash scripts/test-windows.sh
