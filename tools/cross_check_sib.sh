#!/usr/bin/env bash
# Compares the SIBTEST columns of `itemdif analyze` with tools/cross_check_sib.R: first the R
# formulas on the hand-worked tables of the unit tests, then the bundled quiz (0/1 items) and,
# when psychTools is installed, the 25 personality ratings of psychTools::bfi (1-6, missing
# answers; women against men).
# usage: tools/cross_check_sib.sh [ITEMDIF]   (default build/itemdif)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
itemdif=${1:-$root/build/itemdif}
check=$root/tools/cross_check_sib.R
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== R formulas on the unit tests' tables"
Rscript "$check" --self-test

quiz=$root/examples/quiz/quiz.csv
"$itemdif" analyze "$quiz" --group sex --focal F --reference M --id id --missing-codes 9 \
  --methods mh,sib --purify none --out "$work/quiz" --quiet
echo "== quiz: $work/quiz/items.csv against R"
Rscript "$check" "$quiz" sex F M "$work/quiz/items.csv" 1 6 9

if Rscript -e 'quit(status = !requireNamespace("psychTools", quietly = TRUE))' 2>/dev/null; then
  Rscript -e 'data(bfi, package = "psychTools"); write.csv(bfi, commandArgs(TRUE)[1], row.names = FALSE, na = "")' \
    "$work/bfi.csv"
  "$itemdif" analyze "$work/bfi.csv" --group gender --focal 2 --reference 1 --items A1:O5 \
    --max-score 6 --methods mh,sib --purify none --out "$work/bfi" --quiet
  echo "== psychTools::bfi by gender: $work/bfi/items.csv against R"
  Rscript "$check" "$work/bfi.csv" gender 2 1 "$work/bfi/items.csv" 6 6
  "$itemdif" analyze "$work/bfi.csv" --group gender --focal 2 --reference 1 --items A1:O5 \
    --max-score 6 --methods mh,sib --purify none --sib-min 20 --out "$work/bfi20" --quiet
  echo "== psychTools::bfi by gender, --sib-min 20: $work/bfi20/items.csv against R"
  Rscript "$check" "$work/bfi.csv" gender 2 1 "$work/bfi20/items.csv" 6 20
fi
