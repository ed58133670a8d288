#!/usr/bin/env bash
# Times headless Chromium opening report.html of 300 items and drawing its first screen (3000 examinees, planted
# DIF in every 25th item) against an empty page, which gives the browser's own start-up time.
#   bench/report_open.sh [ITEMDIF]   (default build/itemdif)
set -eu
itemdif=${1:-build/itemdif}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/items300.csv" <<'PY'
import math, random, sys
random.seed(300)
items = 300
with open(sys.argv[1], "w") as f:
    f.write("group," + ",".join(f"i{j + 1}" for j in range(items)) + "\n")
    for n in range(3000):
        focal = n % 2
        theta = random.gauss(0, 1)
        row = []
        for j in range(items):
            b = -2 + 4 * j / items + (0.8 if focal and j % 25 == 0 else 0)
            row.append("1" if random.random() < 1 / (1 + math.exp(-1.2 * (theta - b))) else "0")
        f.write(("F" if focal else "R") + "," + ",".join(row) + "\n")
PY
"$itemdif" analyze "$work/items300.csv" --group group --focal F --out "$work/out" --quiet
echo '<!DOCTYPE html><html><body></body></html>' > "$work/empty.html"
chromium=$(command -v chromium)
shot() {
  "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
    --user-data-dir="$work/profile" --window-size=1280,1000 --screenshot="$work/shot.png" \
    "file://$1" > /dev/null 2>&1
}
best() {  # the minimum of 3 runs, in seconds
  local min=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N); shot "$1"; end=$(date +%s.%N)
    min=$(echo "$end - $start" | bc -l | awk -v m="$min" '{ if (m == "" || $1 < m) print $1; else print m }')
  done
  echo "$min"
}
empty=$(best "$work/empty.html")
page=$(best "$work/out/report.html")
size=$(stat -c %s "$work/out/report.html")
printf 'report.html of 300 items (%d bytes): %.2f s; an empty page: %.2f s; the page itself: %.2f s\n' \
  "$size" "$page" "$empty" "$(echo "$page - $empty" | bc -l)"
