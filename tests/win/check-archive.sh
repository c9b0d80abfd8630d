#!/usr/bin/env bash
# The Windows release archive holds exactly pex-<version>-windows-x86_64/ with
# pex.exe, fmod.dll, every file of data/ and README.txt (with Windows line ends).
#   check-archive.sh DATA ZIP
set -euo pipefail
data=$1 zip=$2
top=$(basename "$zip" .zip)
expected=$({ (cd "$data" && find . -type f | sed 's|^\./||'); printf '%s\n' README.txt pex.exe fmod.dll; } |
           sed "s|^|$top/|" | LC_ALL=C sort)
listed=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)
if ! diff <(echo "$expected") <(echo "$listed"); then
  echo "$zip does not hold the expected files" >&2
  exit 1
fi
unzip -p "$zip" "$top/README.txt" | head -1 | grep -q $'\r$' ||
  { echo "$zip: README.txt lacks Windows line ends" >&2; exit 1; }
echo "$zip: $(echo "$listed" | wc -l) files"
