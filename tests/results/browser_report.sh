#!/usr/bin/env bash
# Renders the quiz example's report.html in headless Chromium and checks that it loads without a
# console message, holds one curve plot per item and the D-DIF plot, and draws a screenshot that
# is not blank. Exit 77 (reported as skipped) where Chromium is not installed.
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

"$itemdif" analyze "$source_dir/examples/quiz/quiz.csv" --group sex --focal F --id id \
  --missing-codes 9 --out "$work/out" --quiet || fail "itemdif analyze --out failed"
page="$work/out/report.html"
[ -s "$page" ] || fail "no report.html"
items=$(($(wc -l < "$work/out/items.csv") - 1))

browse() {
  # The sandbox needs user namespaces that a root or container run does not have.
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --no-first-run --user-data-dir="$work/profile" --enable-logging=stderr --v=0 \
    --window-size=1280,2400 "$@" "file://$page"
}

browse --dump-dom > "$work/dom.html" 2> "$work/dom.log" || fail "chromium could not load the page"
# The page runs no script and loads nothing, so any console line is a fault of the page.
if grep -E 'CONSOLE|ERR_FILE_NOT_FOUND|net::ERR' "$work/dom.log"; then
  fail "the page wrote to the console or asked for a resource"
fi
curves=$(grep -o 'class="curve-plot"' "$work/dom.html" | wc -l)
[ "$curves" -eq "$items" ] || fail "$curves curve plots for $items items"
dif_plots=$(grep -o 'class="dif-plot"' "$work/dom.html" | wc -l)
[ "$dif_plots" -eq 1 ] || fail "$dif_plots D-DIF plots"

browse --screenshot="$work/page.png" > "$work/shot.log" 2>&1 || fail "no screenshot"
python3 "$source_dir/tests/results/png_variety.py" "$work/page.png" || fail "the screenshot is blank"
if [ $# -ge 3 ]; then cp "$work/page.png" "$3/report.png"; fi
echo "report.html: $items curve plots, the D-DIF plot, no console message, screenshot drawn"
