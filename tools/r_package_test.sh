#!/usr/bin/env bash
# The R package's tests, as ctest runs them: R CMD build makes the tarball a user gets from the
# package's folder, what it holds of the core and of the examples is compared with src/ and
# examples/ file for file, the tarball is installed into a library in the build folder (its
# compiled objects kept there between runs) and its testthat tests run against the program
# built beside it. Exits 77 (skipped) where R or the R packages it needs are missing.
#   tools/r_package_test.sh PROGRAM SOURCE_DIR BUILD_DIR
set -euo pipefail
program=$1
root=$2
build=$3

if ! command -v Rscript >/dev/null 2>&1 ||
   ! Rscript -e 'quit(status = !all(sapply(c("cpp11", "BH", "RcppEigen", "testthat"),
                                           requireNamespace, quietly = TRUE)))'; then
  echo "skipped: R with the packages cpp11, BH, RcppEigen and testthat is needed (make test installs them)"
  exit 77
fi

stage=$build/r-package
mkdir -p "$stage"
rm -rf "$stage"/itemdif_*.tar.gz "$stage/unpacked"
(cd "$stage" && R CMD build --no-build-vignettes --no-manual "$root/r/itemdif") >"$stage/build.log" 2>&1 || {
  cat "$stage/build.log"
  exit 1
}
mkdir "$stage/unpacked"
tar -xzf "$stage"/itemdif_*.tar.gz -C "$stage/unpacked"
unpacked=$stage/unpacked/itemdif

# One copy of the core: each folder of the package's src/core is a link to the folder of the
# same name in src/, and the tarball holds every file of those folders as src/ has it.
status=0
for link in "$root"/r/itemdif/src/core/*; do
  part=$(basename "$link")
  if [ "$(readlink "$link")" != "../../../../src/$part" ]; then
    echo "r/itemdif/src/core/$part is not a link to src/$part"
    status=1
  fi
  diff -r "$root/src/$part" "$unpacked/src/core/$part" || status=1
done
for file in "$root"/r/itemdif/inst/extdata/*/*; do
  name=${file#"$root/r/itemdif/inst/extdata/"}
  cmp "$root/examples/$name" "$unpacked/inst/extdata/$name" || status=1
done
[ "$status" -eq 0 ] || { echo "the tarball's sources differ from the repository's"; exit 1; }

# The tarball's files replace the last run's, whose objects stay (tar keeps the files' times);
# the compiler's lists of included headers tell make which objects a changed header makes old.
if [ -d "$stage/itemdif/src/objects" ]; then
  mv "$stage/itemdif/src/objects" "$stage/objects"
  mv "$stage"/itemdif/src/*.[od] "$stage/" 2>/dev/null || true
fi
rm -rf "$stage/itemdif"
mv "$unpacked" "$stage/itemdif"
[ -d "$stage/objects" ] && mv "$stage/objects" "$stage/itemdif/src/objects"
mv "$stage"/*.[od] "$stage/itemdif/src/" 2>/dev/null || true
cat >"$stage/Makevars" <<'MAKEVARS'
# No debug information (a shorter build), and make learns the headers each object includes.
CXX20FLAGS = -O2 -MMD -MP
-include $(OBJECTS:.o=.d)
MAKEVARS

mkdir -p "$build/r-lib"
R_MAKEVARS_USER=$stage/Makevars MAKEFLAGS=-j${JOBS:-2} R CMD INSTALL --no-docs --no-multiarch \
  -l "$build/r-lib" "$stage/itemdif" >"$build/r-install.log" 2>&1 || {
  cat "$build/r-install.log"
  exit 1
}

export ITEMDIF_BINARY=$program ITEMDIF_SOURCE_DIR=$root
export R_LIBS=$build/r-lib${R_LIBS:+:$R_LIBS}
cd "$stage/itemdif/tests"
Rscript -e 'testthat::test_dir("testthat", package = "itemdif", load_package = "installed",
                               reporter = "summary", stop_on_failure = TRUE)'
