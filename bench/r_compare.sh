#!/usr/bin/env bash
# Times R and itemdif on the same 100 000 + 100 000 examinees x 100 items: R computes per item
# the MH sums, the standardization index and Breslow-Day in R code and fits glm three times;
# itemdif runs `analyze --purify none` with all four methods. Prints both times and the ratio.
# Not part of `make test`. usage: bench/r_compare.sh [ITEMDIF]   (default build/itemdif)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
itemdif=${1:-$root/build/itemdif}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
csv=$work/scores.csv

Rscript "$root/bench/r_compare.R" generate "$csv"
echo "r_compare: $(du -m "$csv" | cut -f1) MB of scores"

best=
for attempt in 1 2 3; do
  start=$(date +%s.%N)
  "$itemdif" analyze "$csv" --group group --focal F --items q1:q100 --purify none --quiet
  end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc -l)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
done

read -r r_total r_analysis < <(Rscript "$root/bench/r_compare.R" analyze "$csv")
printf 'r_compare: itemdif %.2f s (best of 3, reading included)\n' "$best"
printf 'r_compare: R %.1f s (%.1f s after read.csv)\n' "$r_total" "$r_analysis"
printf 'r_compare: R / itemdif = %.0fx (%.0fx without R'"'"'s reading)\n' \
  "$(echo "$r_total / $best" | bc -l)" "$(echo "$r_analysis / $best" | bc -l)"
