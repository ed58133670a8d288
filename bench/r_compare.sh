#!/usr/bin/env bash
# Times R and itemdif on the same data. By default 100 000 + 100 000 examinees x 100 0/1 items:
# R computes per item the MH sums, the standardization index and Breslow-Day in R code and fits
# glm three times; with `polr`, 100 000 + 100 000 examinees x 20 items scored 1-5: R fits the
# three proportional-odds models of every item with MASS::polr (r-cran-mass). itemdif runs
# `analyze --purify none` with all four methods. Prints both times and the ratio.
# Not part of `make test`. usage: bench/r_compare.sh [polr] [ITEMDIF]   (default build/itemdif)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
script=$root/bench/r_compare.R
options=(--items q1:q100)
if [ "${1:-}" = polr ]; then
  shift
  script=$root/bench/r_compare_polr.R
  options=(--items q1:q20 --max-score 5)
fi
itemdif=${1:-$root/build/itemdif}
name=$(basename "$script" .R)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
csv=$work/scores.csv

Rscript "$script" generate "$csv"
echo "$name: $(du -m "$csv" | cut -f1) MB of scores"

best=
for attempt in 1 2 3; do
  start=$(date +%s.%N)
  "$itemdif" analyze "$csv" --group group --focal F "${options[@]}" --purify none --quiet
  end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc -l)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
done

read -r r_total r_analysis < <(Rscript "$script" analyze "$csv")
printf '%s: itemdif %.2f s (best of 3, reading included)\n' "$name" "$best"
printf '%s: R %.1f s (%.1f s after read.csv)\n' "$name" "$r_total" "$r_analysis"
printf '%s: R / itemdif = %.0fx (%.0fx without R'"'"'s reading)\n' "$name" \
  "$(echo "$r_total / $best" | bc -l)" "$(echo "$r_analysis / $best" | bc -l)"
