#!/usr/bin/env bash
# Compares `itemdif analyze` on the bundled quiz with the same statistics computed in R
# (tools/cross_check_r.R): once as the README runs it, once with Holm's adjustment; then the
# polytomous items of the bundled questionnaire and of psychTools::bfi (tools/cross_check_poly_r.R),
# and the overall tests of the regions example and of psychTools::bfi by education
# (tools/cross_check_groups_r.R).
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

# Polytomous items: the bundled questionnaire, and the 25 personality ratings of R's
# psychTools::bfi (1-6, missing answers; women against men) when psychTools is installed.
survey=$root/examples/survey/survey.csv
"$itemdif" analyze "$survey" --group language --focal FR --id id --max-score 5 \
  --out "$work/survey" --quiet
echo "== survey: $work/survey/items.csv against R"
Rscript "$root/tools/cross_check_poly_r.R" "$survey" "$work/survey/items.csv" language FR EN
# Several focal groups: the overall tests of the bundled regions example.
regions=$root/examples/regions/regions.csv
"$itemdif" analyze "$regions" --group region --focal East,South,West --reference North --id id \
  --max-score 3 --out "$work/regions" --quiet
echo "== regions: $work/regions/overall.csv against R"
Rscript "$root/tools/cross_check_groups_r.R" "$regions" "$work/regions/overall.csv" region North \
  East,South,West
if Rscript -e 'quit(status = !requireNamespace("psychTools", quietly = TRUE))' 2>/dev/null; then
  Rscript -e 'data(bfi, package = "psychTools"); write.csv(bfi, commandArgs(TRUE)[1], row.names = FALSE, na = "")' \
    "$work/bfi.csv"
  "$itemdif" analyze "$work/bfi.csv" --group gender --focal 2 --reference 1 --items A1:O5 \
    --max-score 6 --out "$work/bfi" --quiet
  echo "== psychTools::bfi by gender: $work/bfi/items.csv against R"
  Rscript "$root/tools/cross_check_poly_r.R" "$work/bfi.csv" "$work/bfi/items.csv" gender 2 1
  # Five education levels: some college (3, the largest) against the four others.
  "$itemdif" analyze "$work/bfi.csv" --group education --reference 3 --focal 1,2,4,5 \
    --items A1:O5 --max-score 6 --out "$work/bfi-education" --quiet
  echo "== psychTools::bfi by education: $work/bfi-education/overall.csv against R"
  Rscript "$root/tools/cross_check_groups_r.R" "$work/bfi.csv" "$work/bfi-education/overall.csv" \
    education 3 1,2,4,5
fi
