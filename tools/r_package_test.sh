#!/usr/bin/env bash
# The R package's tests, as ctest runs them: the package is staged in the build folder (its
# objects kept there between runs), installed into a library there, and its testthat tests
# run against the program built beside it. Exits 77 (skipped) where R, cpp11 or testthat is
# missing.
#   tools/r_package_test.sh PROGRAM SOURCE_DIR BUILD_DIR
set -euo pipefail
program=$1
root=$2
build=$3

if ! command -v Rscript >/dev/null 2>&1 ||
   ! Rscript -e 'quit(status = !all(sapply(c("cpp11", "testthat"), requireNamespace, quietly = TRUE)))'; then
  echo "skipped: R with the packages cpp11 and testthat is needed (make test installs them)"
  exit 77
fi

"$root/tools/r_package_sources.sh" "$build/r-package"
mkdir -p "$build/r-lib"
MAKEFLAGS=-j${JOBS:-2} R CMD INSTALL --no-test-load --no-docs --no-multiarch \
  -l "$build/r-lib" "$build/r-package/itemdif" >"$build/r-install.log" 2>&1 || {
  cat "$build/r-install.log"
  exit 1
}

export ITEMDIF_BINARY=$program ITEMDIF_SOURCE_DIR=$root
export R_LIBS=$build/r-lib${R_LIBS:+:$R_LIBS}
cd "$build/r-package/itemdif/tests"
Rscript -e 'testthat::test_dir("testthat", package = "itemdif", load_package = "installed",
                               reporter = "summary", stop_on_failure = TRUE)'
