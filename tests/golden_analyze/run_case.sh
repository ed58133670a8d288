#!/usr/bin/env bash
# One frozen `itemdif analyze` run. The case's `args` holds the arguments (one per line) after
# `analyze`; the run happens in a scratch folder holding the case's input files and those that
# `inputs_from` names (relative to the source tree). Standard output, standard error, the exit
# status and every file written below `out/` must equal the files under expected/ byte for
# byte; report.html is compared by its text (tags taken out), so that its styling may change
# while what it says may not. With --update the run's files become the new expected/.
#
# usage: run_case.sh [--update] PROGRAM CASE_DIR SOURCE_DIR
set -euo pipefail

update=0
if [ "${1:-}" = --update ]; then update=1; shift; fi
program=$(realpath "$1")
case_dir=$(realpath "$2")
source_dir=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/result"
for input in "$case_dir"/*; do
  case $(basename "$input") in
    expected | args | inputs_from) ;;
    *) cp "$input" "$work/run/" ;;
  esac
done
if [ -f "$case_dir/inputs_from" ]; then
  while read -r listed; do cp "$source_dir/$listed" "$work/run/"; done < "$case_dir/inputs_from"
fi

mapfile -t arguments < "$case_dir/args"
status=0
(cd "$work/run" && "$program" analyze "${arguments[@]}" > "$work/result/stdout" \
  2> "$work/result/stderr") || status=$?
echo "$status" > "$work/result/status"
if [ -d "$work/run/out" ]; then
  for file in "$work/run/out"/*; do
    name=$(basename "$file")
    if [ "$name" = report.html ]; then
      # The page's text: every tag becomes a line break, blank lines go.
      sed -e 's/<[^>]*>/\n/g' "$file" | sed -e '/^[[:space:]]*$/d' > "$work/result/report.txt"
    else
      cp "$file" "$work/result/$name"
    fi
  done
fi

if [ $update = 1 ]; then
  rm -rf "$case_dir/expected"
  cp -r "$work/result" "$case_dir/expected"
  exit 0
fi
diff -r "$case_dir/expected" "$work/result"
