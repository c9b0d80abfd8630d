#!/usr/bin/env bash
# Builds the packages again from a copy of the sources in another folder (the
# files git tracks, as they are now) and compares them byte for byte with the
# ones made in the build folder.
#   check-reproducible.sh SOURCE EPOCH ARCHIVE DEB
set -euo pipefail
source=$1 epoch=$2 archive=$3 deb=$4
if [ -z "$epoch" ]; then
  echo "no commit time for the packages (SOURCE_DATE_EPOCH, or git): they cannot match" >&2
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/pex-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/other-folder"
(cd "$source" && git ls-files -z | xargs -0 cp --parents -t "$work/other-folder" --)
cd "$work/other-folder"
export SOURCE_DATE_EPOCH=$epoch
cmake --preset package -DPEX_PACKAGE_TESTS=OFF >"$work/configure.log" ||
  { cat "$work/configure.log"; exit 1; }
nice cmake --build --preset package >"$work/build.log" || { tail -40 "$work/build.log"; exit 1; }
cpack --preset package >"$work/cpack.log" || { cat "$work/cpack.log"; exit 1; }
status=0
for package in "$archive" "$deb"; do
  again=build-package/dist/$(basename "$package")
  if cmp "$package" "$again"; then
    echo "$(basename "$package"): the same $(stat -c %s "$package") bytes from $PWD"
  else
    echo "$(basename "$package") differs when built in $PWD" >&2
    status=1
  fi
done
exit $status
