#!/usr/bin/env bash
# A short run of every fuzz target (SECONDS each, 30 by default), one after another, for CI:
# fails when a target finds an input that crashes, hangs or runs out of memory.
#
# usage: tools/fuzz_smoke.sh [SECONDS]
set -euo pipefail
seconds=${1:-30}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
failed=()
for source in "$source_dir"/fuzz/*.cpp; do
  target=$(basename "$source" .cpp)
  [ -d "$source_dir/fuzz/corpus/$target" ] || continue  # the support files have no corpus
  echo "fuzz $target for $seconds s"
  "$source_dir/tools/fuzz.sh" "$target" "$seconds" >/dev/null || failed+=("$target")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings (see build-fuzz/findings/): ${failed[*]}" >&2
  exit 1
fi
echo "every fuzz target ran $seconds s without a finding"
