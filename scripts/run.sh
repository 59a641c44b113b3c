#!/usr/bin/env bash
# Builds the project and runs its main job on a bundled example: the summary
# of a sales query as qdf shows it, then the query's rows from the example
# database, which is made from examples/sales.sql.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release >/dev/null
qdf=build/release/tools/qdf/qdf
database=build/release/sales.db
rm -f "$database"
sqlite3 "$database" <examples/sales.sql
$qdf show examples/sales.qdf
echo
$qdf run examples/sales.qdf --db "$database" --format table \
    --param From=2024-01-01 --param To=2024-06-30
