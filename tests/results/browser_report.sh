#!/usr/bin/env bash
# Renders report.html in headless Chromium and checks that it loads without a console message,
# holds one curve plot per item and the D-DIF plot, and draws a screenshot that is not blank:
# the quiz example with one focal group, and with three (the overall table, a legend entry per
# focal group and a line per group in every curve plot). Exit 77 (reported as skipped) where
# Chromium is not installed.
#   browser_report.sh ITEMDIF SOURCE_DIR [KEEP_DIR]
set -u
itemdif=$1
source_dir=$2
chromium=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$chromium" ]; then
  echo "chromium is not installed: the browser test is skipped"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

browse() {
  local page=$1
  shift
  # The sandbox needs user namespaces that a root or container run does not have.
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --no-first-run --user-data-dir="$work/profile" --enable-logging=stderr --v=0 \
    --window-size=1280,2400 "$@" "file://$page"
}

occurrences() { grep -o "$1" "$2" | wc -l; }

# check_page NAME PAGE ITEMS: loads the page, counts its plots and screenshots it; the page's DOM
# stays in $work/NAME.html for further counts.
check_page() {
  local name=$1 page=$2 items=$3
  [ -s "$page" ] || fail "$name: no report.html"
  browse "$page" --dump-dom > "$work/$name.html" 2> "$work/$name.log" ||
    fail "$name: chromium could not load the page"
  # The page runs no script and loads nothing, so any console line is a fault of the page.
  if grep -E 'CONSOLE|ERR_FILE_NOT_FOUND|net::ERR' "$work/$name.log"; then
    fail "$name: the page wrote to the console or asked for a resource"
  fi
  local curves dif_plots
  curves=$(occurrences 'class="curve-plot"' "$work/$name.html")
  [ "$curves" -eq "$items" ] || fail "$name: $curves curve plots for $items items"
  dif_plots=$(occurrences 'class="dif-plot"' "$work/$name.html")
  [ "$dif_plots" -eq 1 ] || fail "$name: $dif_plots D-DIF plots"
  browse "$page" --screenshot="$work/$name.png" > "$work/$name-shot.log" 2>&1 ||
    fail "$name: no screenshot"
  python3 "$source_dir/tests/results/png_variety.py" "$work/$name.png" ||
    fail "$name: the screenshot is blank"
}

"$itemdif" analyze "$source_dir/examples/quiz/quiz.csv" --group sex --focal F --id id \
  --missing-codes 9 --out "$work/quiz" --quiet || fail "itemdif analyze --out failed"
items=$(($(wc -l < "$work/quiz/items.csv") - 1))
check_page quiz "$work/quiz/report.html" "$items"
[ "$(occurrences 'legend-entry' "$work/quiz.html")" -eq 0 ] || fail "quiz: a legend of focal groups"

# Several focal groups: the quiz with its girls split in three groups by row, against the boys.
awk -F, 'BEGIN { OFS = "," } NR > 1 && $2 == "F" { $2 = "F" (NR % 3) } { print }' \
  "$source_dir/examples/quiz/quiz.csv" > "$work/groups.csv"
"$itemdif" analyze "$work/groups.csv" --group sex --focal F0,F1,F2 --reference M --id id \
  --missing-codes 9 --out "$work/groups" --quiet || fail "itemdif analyze of three focal groups failed"
check_page groups "$work/groups/report.html" "$items"
dom="$work/groups.html"
[ "$(occurrences 'class="items overall"' "$dom")" -eq 1 ] || fail "groups: no overall table"
[ "$(occurrences 'class="items classes"' "$dom")" -eq 1 ] || fail "groups: no table of classes"
entries=$(occurrences 'class="legend-entry ' "$dom")
[ "$entries" -eq 3 ] || fail "groups: $entries legend entries for 3 focal groups"
# A line per group in each plot (a group without a used level would have none).
lines=$(occurrences '<path class="curve"' "$dom")
[ "$lines" -le $((4 * items)) ] && [ "$lines" -ge $((3 * items)) ] ||
  fail "groups: $lines group lines in $items curve plots of 4 groups"

if [ $# -ge 3 ]; then
  cp "$work/quiz.png" "$3/report.png"
  cp "$work/groups.png" "$3/report-groups.png"
fi
echo "report.html: $items curve plots, the D-DIF plot, no console message, screenshot drawn;" \
  "three focal groups: $items curve plots of $lines lines, 3 legend entries"
