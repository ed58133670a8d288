#!/usr/bin/env bash
# Makes the R package buildable: the core sources it compiles (the table builder, the
# analysis, the results writers and the option parsing of `analyze`; not the file readers, the
# control-file analysis or the command line's parser) go to src/core, and the bundled examples'
# data to inst/extdata. Neither copy is kept in git.
#
#   tools/r_package_sources.sh            into r/itemdif itself (for R CMD INSTALL r/itemdif)
#   tools/r_package_sources.sh DIR        r/itemdif and the copies into DIR/itemdif, which
#                                         keeps its compiled objects between runs
#
# A file is copied only when it changed, so that R recompiles only what it must.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
package=$root/r/itemdif
target=$package
[ $# -ge 1 ] && target=$(mkdir -p "$1" && cd "$1" && pwd)/itemdif

changed_headers=$(mktemp)
trap 'rm -f "$changed_headers"' EXIT

# copy FROM TO: only when the contents differ; a header copied is noted.
copy() {
  mkdir -p "$(dirname "$2")"
  cmp -s "$1" "$2" && return 0
  cp "$1" "$2"
  case $2 in *.hpp) echo "${2#"$target/src/core/"}" >>"$changed_headers" ;; esac
}

# R's make knows nothing of headers: the objects of the sources that include a changed header,
# directly or through other headers, go.
remove_stale_objects() {
  local headers source header next
  headers=$(sort -u "$changed_headers")
  while [ -n "$headers" ]; do
    next=
    for header in $headers; do
      for source in $(grep -rlF "#include \"$header\"" "$target/src" --include='*.cpp' --include='*.hpp' || true); do
        case $source in
          *.cpp) rm -f "${source%.cpp}.o" ;;
          *.hpp) grep -qxF "${source#"$target/src/core/"}" "$changed_headers" ||
                   { echo "${source#"$target/src/core/"}" >>"$changed_headers"; next+=" ${source#"$target/src/core/"}"; } ;;
        esac
      done
    done
    headers=$next
  done
}

# sync FROM TO LIST: the files of LIST (relative to FROM) into TO; files of TO not in LIST go,
# with their objects.
sync() {
  local from=$1 to=$2 list=$3 file
  for file in $list; do copy "$from/$file" "$to/$file"; done
  [ -d "$to" ] || return 0
  (cd "$to" && find . -type f ! -name '*.o' ! -name '*.so' | sed 's|^\./||') | while read -r file; do
    grep -qxF "$file" <<<"$list" || rm -f "$to/$file" "$to/${file%.*}.o"
  done
}

core_files=$(cd "$root/src" && {
  ls data/*.hpp data/cell_rules.cpp data/column_selection.cpp data/score_table_builder.cpp
  ls stats/*.hpp stats/*.cpp
  ls results/*.hpp results/*.cpp | grep -v '^results/control_file_results\.'
  ls cli/analyze_command.hpp cli/analyze_options.hpp cli/analyze_options.cpp \
     cli/analyze_description.hpp cli/analyze_description.cpp cli/version.hpp
})

if [ "$target" != "$package" ]; then
  package_files=$(cd "$package" && find . -type f ! -name '*.o' ! -name '*.so' \
                    ! -path './src/core/*' ! -path './inst/extdata/*' | sed 's|^\./||' | sort)
  for file in $package_files; do copy "$package/$file" "$target/$file"; done
  (cd "$target" && find . -type f ! -name '*.o' ! -name '*.so' ! -path './src/core/*' \
     ! -path './inst/extdata/*' | sed 's|^\./||') | while read -r file; do
    grep -qxF "$file" <<<"$package_files" || rm -f "$target/$file" "$target/${file%.*}.o"
  done
fi
sync "$root/src" "$target/src/core" "$core_files"
sync "$root/examples" "$target/inst/extdata" "$(cd "$root/examples" && ls quiz/quiz.csv survey/survey.csv regions/regions.csv 2>/dev/null)"
remove_stale_objects
