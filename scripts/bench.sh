#!/usr/bin/env bash
# Builds the benchmarks optimised (-O2) into build/bench, runs them and prints
# the table of ratios. Every file goes to a scratch directory under TMPDIR
# (or /tmp) that is removed at the end.
#   scripts/bench.sh                     5 repetitions of every benchmark
#   BENCH_REPETITIONS=9 scripts/bench.sh
#   scripts/bench.sh --benchmark_filter=lines/   further flags go to the program
# The JSON results stay in build/bench/results.json, the program's own report
# in build/bench/console.txt.
#
# qdf run through ODBC is measured against psql on a throwaway PostgreSQL
# server (scripts/postgres.sh), started here and stopped at the end. When it
# cannot start, those benchmarks are left out and the table says so. The Python
# module is measured last, by bench/python_bench.py, where it is built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
repetitions=${BENCH_REPETITIONS:-5}
cmake -S . -B build/bench -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTWFILE_BUILD_BENCHMARKS=ON -DTWFILE_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench -j "$(nproc)" --target twfile_bench qdf
server=$(mktemp -d -u "${TMPDIR:-/tmp}/twfile-bench-postgres.XXXXXX")
trap 'bash scripts/postgres.sh stop "$server"' EXIT
if connection=$(bash scripts/postgres.sh start "$server" 2>"$server.log"); then
    # psql reaches the same server as the same user.
    field() { tr ';' '\n' <<<"$connection" | sed -n "s/^$1=//p"; }
    export TWFILE_BENCH_ODBC=$connection PGHOST=$(field Server) PGPORT=$(field Port) \
        PGUSER=$(field UID) PGPASSWORD=$(field PWD)
else
    unset TWFILE_BENCH_ODBC
    echo "NOTE: the PostgreSQL server did not start, qdf run through ODBC is left out:"
    sed 's/^/  /' "$server.log"
fi
rm -f "$server.log"
results=build/bench/results.json
console=build/bench/console.txt
echo "running the benchmarks, $repetitions repetitions (the program's own report: $console)"
# The repetitions of all benchmarks are interleaved at random, so that a slow
# spell of the machine does not fall on one side of a ratio only.
build/bench/bench/twfile_bench \
    --benchmark_repetitions="$repetitions" \
    --benchmark_min_warmup_time=0.1 \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=json \
    "$@" >"$console"
echo
python3 scripts/bench_table.py "$results"
# The Python module's rows (bench/python_bench.py), where it is built.
if cmake --build build/bench -j "$(nproc)" --target twfile_python >/dev/null 2>&1; then
    echo
    /usr/bin/python3 bench/python_bench.py --qdf build/bench/tools/qdf/qdf \
        --module build/bench/python --repetitions "$repetitions"
fi
