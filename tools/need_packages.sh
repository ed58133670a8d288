#!/usr/bin/env bash
# Makes sure the Debian packages a build needs are installed. Each argument is PACKAGE:CHECK,
# where CHECK is a command on the PATH or an absolute file path that the package provides.
# As root the missing packages are installed with apt-get; otherwise the one apt-get line that
# would install them is printed and the script fails.
set -euo pipefail

missing=()
for need in "$@"; do
  package=${need%%:*}
  check=${need#*:}
  if [[ $check == /* ]]; then
    [ -e "$check" ] || missing+=("$package")
  else
    command -v "$check" >/dev/null 2>&1 || missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
else
  echo "missing packages; install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
