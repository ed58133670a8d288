#!/usr/bin/env bash
# Builds irt_bench in BUILD_DIR (default build-irt) and runs the R cross-check of the IRT tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-irt}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DITEMDIF_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target irt_bench >/dev/null
exec Rscript "$root/tools/cross_check_irt.R" "$build"
