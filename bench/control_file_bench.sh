#!/usr/bin/env bash
# Times the control-file analysis at the three sizes of the speed targets: wall time (the
# least of the runs) and peak memory of each, and the phases by separate runs — a model-1 run
# reads the files, counts the levels and computes the Mantel-Haenszel tables; the logistic
# fits are what a model-2 run takes beyond that.
#
#   bench/control_file_bench.sh [PROGRAM] [--quick]
# PROGRAM defaults to build/itemdif; --quick runs only the 100 000 + 100 000 x 100 sizes.
# The data are generated once (fixed seed) under ${ITEMDIF_BENCH_DATA:-/tmp/itemdif-bench-data}.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/itemdif
quick=0
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    *) program=$(realpath "$arg") ;;
  esac
done
data=${ITEMDIF_BENCH_DATA:-/tmp/itemdif-bench-data}
runs=${ITEMDIF_BENCH_RUNS:-3}
mkdir -p "$data"

generator=$data/make_dif_data
if [[ ! -x $generator || $generator -ot $root/bench/generate/make_dif_data.cpp ]]; then
  g++ -std=c++20 -O2 -o "$generator" "$root/bench/generate/make_dif_data.cpp"
fi

# One data set per size; the control files of both models share it.
prepare() {  # name reference focal items
  local dir=$data/$1
  if [[ ! -f $dir/done ]]; then
    mkdir -p "$dir"
    "$generator" "$dir" "$2" "$3" "$4" 2
    sed 's/^>MODEL: 2$/>MODEL: 1/; s/^>OUTPUT: bench.out$/>OUTPUT: bench1.out/' \
      "$dir/bench.ctl" > "$dir/bench1.ctl"
    touch "$dir/done"
  fi
}

# Prints "best_seconds peak_megabytes cpu_seconds" of `runs` runs of one control file: the
# least wall time, the largest peak, and the processor time (user + system) of the fastest
# run, which shows the work done when other jobs share the machine.
time_runs() {  # dir control runs
  local best="" peak=0 cpu=""
  for ((r = 0; r < $3; ++r)); do
    local out
    out=$(cd "$1" && { /usr/bin/time -f "%e %M %U %S" "$program" <<< "$2" > /dev/null; } 2>&1 | tail -1)
    read -r seconds kilobytes user system <<< "$out"
    if [[ -z $best ]] || awk "BEGIN{exit !($seconds < $best)}"; then
      best=$seconds
      cpu=$(awk "BEGIN{print $user + $system}")
    fi
    (( kilobytes > peak )) && peak=$kilobytes
  done
  echo "$best $((peak / 1024)) $cpu"
}

row() {  # name reference focal items runs
  prepare "$1" "$2" "$3" "$4"
  local dir=$data/$1
  local bytes
  bytes=$(( $(stat -c %s "$dir/ref.dat") + $(stat -c %s "$dir/foc.dat") ))
  read -r t1 m1 c1 < <(time_runs "$dir" bench1.ctl "$5")
  read -r t2 m2 c2 < <(time_runs "$dir" bench.ctl "$5")
  local cells=$(( ($2 + $3) * $4 ))
  awk -v n="$1" -v t1="$t1" -v m1="$m1" -v c1="$c1" -v t2="$t2" -v m2="$m2" -v c2="$c2" \
      -v b="$bytes" -v c="$cells" -v items="$4" 'BEGIN {
    printf "%-15s model 1 %6.2f s (cpu %6.2f s) %5d MB | model 2 %6.2f s (cpu %6.2f s) %5d MB\n", n, t1, c1, m1, t2, c2, m2
    printf "%-15s model 1 reads and counts %4.0f MB/s | fits %6.2f s wall, %6.1f ms cpu a fit | memory target %3.0f MB\n",
           "", b / 1e6 / t1, t2 - t1, 1000 * (c2 - c1) / items, 1.3 * c / 1048576 + 4 }'
}

echo "program: $program"
row "100k+100k x100" 100000 100000 100 "$runs"
if (( quick == 0 )); then
  row "500k+500k x60" 500000 500000 60 "${ITEMDIF_BENCH_LARGE_RUNS:-1}"
fi
