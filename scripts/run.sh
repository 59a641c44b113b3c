#!/usr/bin/env bash
# Builds the project and runs its main job on a bundled example: the summary
# of a sales query as qdf shows it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release >/dev/null
build/release/tools/qdf/qdf show examples/sales.qdf
