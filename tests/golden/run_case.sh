#!/usr/bin/env bash
# One frozen run of the dialogue. The program answers the prompt with the case's `stdin` in a
# scratch folder holding the case's input files (and those `inputs_from` names, relative to the
# source tree). Its standard output, standard error, exit status and every file it leaves
# behind must equal the files under the case's expected/ byte for byte, and it may leave no
# other file. With --update the run's files become the new expected/ instead.
#
# With --run the same case goes through `itemdif run CONTROL`: everything must be the same but
# for the prompt, whose lines (the six after the banner's ten) the console leaves out.
#
# usage: run_case.sh [--update | --run] PROGRAM CASE_DIR SOURCE_DIR
set -euo pipefail

update=0
command_line=0
if [ "${1:-}" = --update ]; then update=1; shift; fi
if [ "${1:-}" = --run ]; then command_line=1; shift; fi
program=$(realpath "$1")
case_dir=$(realpath "$2")
source_dir=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/result"

for input in "$case_dir"/*; do
  case $(basename "$input") in
    expected | stdin | inputs_from) ;;
    *) cp "$input" "$work/run/" ;;
  esac
done
if [ -f "$case_dir/inputs_from" ]; then
  while read -r listed; do cp "$source_dir/$listed" "$work/run/"; done < "$case_dir/inputs_from"
fi
ls -A "$work/run" | sort > "$work/inputs"

status=0
if [ $command_line = 1 ]; then
  control=$(tr -d '\r\n' < "$case_dir/stdin")
  (cd "$work/run" && "$program" run "$control" < /dev/null > "$work/result/stdout" \
    2> "$work/result/stderr") || status=$?
else
  (cd "$work/run" && "$program" < "$case_dir/stdin" > "$work/result/stdout" \
    2> "$work/result/stderr") || status=$?
fi
echo "$status" > "$work/result/status"
for made in $(ls -A "$work/run" | sort | comm -13 "$work/inputs" -); do
  cp "$work/run/$made" "$work/result/"
done

if [ $update = 1 ]; then
  rm -rf "$case_dir/expected"
  cp -r "$work/result" "$case_dir/expected"
  echo "updated $case_dir/expected"
  exit 0
fi

expected_dir="$case_dir/expected"
if [ $command_line = 1 ]; then
  expected_dir="$work/expected"
  cp -r "$case_dir/expected" "$expected_dir"
  if ! sed -n 15p "$expected_dir/stdout" | grep -q "Enter Name of Input file"; then
    echo "expected/stdout has no prompt at line 15"
    exit 1
  fi
  sed -i '11,16d' "$expected_dir/stdout"
fi

failed=0
if ! diff <(ls -A "$expected_dir" | sort) <(ls -A "$work/result" | sort) > "$work/names"; then
  echo "files differ (< expected, > this run):"
  cat "$work/names"
  failed=1
fi
for expected in "$expected_dir"/*; do
  name=$(basename "$expected")
  [ -f "$work/result/$name" ] || continue
  if ! cmp -s "$expected" "$work/result/$name"; then
    echo "$name differs from expected/$name:"
    diff <(cat -A "$expected") <(cat -A "$work/result/$name") | head -40 || true
    failed=1
  fi
done
exit $failed
