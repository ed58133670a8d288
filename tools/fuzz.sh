#!/usr/bin/env bash
# Builds (if needed) and runs one fuzz target for a number of seconds: one process, under
# AddressSanitizer and UndefinedBehaviorSanitizer, memory limited to 2 GB, 10 s per input.
# The corpus grows in build-fuzz/corpus/TARGET, seeded from fuzz/corpus/TARGET; inputs that
# fail are kept as build-fuzz/findings/TARGET-*. The last lines of the run are printed.
#
# usage: tools/fuzz.sh TARGET SECONDS    (TARGET: a file name under fuzz/ without .cpp)
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$source_dir/build-fuzz}
if [ ! -f "$source_dir/fuzz/$target.cpp" ]; then
  echo "tools/fuzz.sh: no fuzz target '$target' (see fuzz/*.cpp)" >&2
  exit 2
fi

# libFuzzer comes with clang's runtime libraries, in the package of the installed clang.
"$source_dir/tools/need_packages.sh" clang:clang++ cmake:cmake make:make \
  libcli11-dev:/usr/share/cmake/CLI11/CLI11Config.cmake \
  libreadstat-dev:/usr/include/readstat.h \
  libboost-math-dev:/usr/include/boost/math/distributions/chi_squared.hpp \
  libeigen3-dev:/usr/include/eigen3/Eigen/Dense \
  nlohmann-json3-dev:/usr/include/nlohmann/json.hpp
runtime=$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a
major=$(clang++ -dumpversion | cut -d. -f1)
"$source_dir/tools/need_packages.sh" "libclang-rt-$major-dev:$runtime"

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DITEMDIF_TESTS=OFF -DITEMDIF_FUZZ=ON >/dev/null
fi
cmake --build "$build" -j "${FUZZ_JOBS:-2}" --target "fuzz_$target" >/dev/null

mkdir -p "$build/corpus/$target" "$build/findings"
cd "$build"
rm -f fuzz-0.log
status=0
"./fuzz/fuzz_$target" -jobs=1 -workers=1 -rss_limit_mb=2048 -timeout=10 \
  -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/findings/$target-" \
  "$build/corpus/$target" "$source_dir/fuzz/corpus/$target" >"$build/fuzz-$target.out" 2>&1 ||
  status=$?
# With -jobs the run's own lines go to fuzz-0.log; a finding shows there, whatever the status.
log="$build/fuzz-$target.out"
if [ -f fuzz-0.log ]; then
  mv fuzz-0.log "$build/fuzz-$target.log"
  log="$build/fuzz-$target.log"
fi
tail -n 25 "$log"
if grep -qE '^==[0-9]+==ERROR|^SUMMARY: |ERROR: libFuzzer|runtime error:' "$log"; then
  status=1
fi
exit $status
