#!/usr/bin/env bash
# Builds the project and runs its main job on a bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh release >/dev/null
build/release/examples/temp_file_demo
