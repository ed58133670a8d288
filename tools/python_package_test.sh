#!/usr/bin/env bash
# The Python package's tests, as ctest runs them, with Debian's Python (/usr/bin/python3, which
# Debian's packages serve, whatever python3 comes first on the PATH): the package is built into
# the build folder (its compiled objects kept there between runs) and its pytest tests run
# against the program built beside it. Exits 77 (skipped) where the Python packages it needs
# are missing; a run that collects no test fails.
#   tools/python_package_test.sh PROGRAM SOURCE_DIR BUILD_DIR
set -euo pipefail
program=$1
root=$2
build=$3
python=/usr/bin/python3

if ! [ -x "$python" ] || ! "$python" -c 'import numpy, pandas, pybind11, pytest, setuptools' 2>/dev/null ||
   ! [ -x /usr/bin/python3-config ]; then
  echo "skipped: /usr/bin/python3 with pybind11, numpy, pandas, pytest, setuptools and the Python"
  echo "  headers is needed (make test installs python3-pybind11, python3-numpy, python3-pandas,"
  echo "  python3-pytest, python3-dev)"
  exit 77
fi

# One copy of the core: each folder of python/core is a link to the folder of the same name in
# src/.
for link in "$root"/python/core/*; do
  part=$(basename "$link")
  if [ "$(readlink "$link")" != "../../src/$part" ]; then
    echo "python/core/$part is not a link to src/$part"
    exit 1
  fi
done

out=$build/python-package
mkdir -p "$out"
(cd "$root/python" &&
 ITEMDIF_JOBS=${JOBS:-2} "$python" setup.py -q build_ext --build-lib "$out/lib" --build-temp "$out/temp") \
  >"$out/build.log" 2>&1 || {
  cat "$out/build.log"
  exit 1
}
cp "$root"/python/itemdif/*.py "$out/lib/itemdif/"

export ITEMDIF_BINARY=$program ITEMDIF_SOURCE_DIR=$root PYTHONPATH=$out/lib PYTHONDONTWRITEBYTECODE=1
cd "$out"
status=0
"$python" -m pytest -q -p no:cacheprovider --rootdir "$root/python" "$root/python/tests" || status=$?
if [ "$status" -eq 5 ]; then
  echo "pytest collected no tests"
  exit 1
fi
exit "$status"
