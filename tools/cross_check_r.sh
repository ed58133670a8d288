#!/usr/bin/env bash
# Compares `itemdif analyze` on the bundled quiz with the same statistics computed in R
# (tools/cross_check_r.R): once as the README runs it, once with Holm's adjustment.
# usage: tools/cross_check_r.sh [ITEMDIF]   (default build/itemdif)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
itemdif=${1:-$root/build/itemdif}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=$root/examples/quiz/quiz.csv

for adjust in none holm; do
  extra=()
  [ "$adjust" = none ] || extra=(--adjust "$adjust")
  "$itemdif" analyze "$data" --group sex --focal F --id id --missing-codes 9 "${extra[@]}" \
    --out "$work/$adjust" --quiet
  echo "== --adjust $adjust: $work/$adjust/items.csv against R"
  Rscript "$root/tools/cross_check_r.R" "$data" "$work/$adjust/items.csv" "$adjust"
done
