#!/usr/bin/env bash
# lintian reports no error and no warning on the Debian package, and the
# desktop entry and the AppStream metadata validate without a remark.
#   check-lint.sh DEB DESKTOP METAINFO
set -euo pipefail
deb=$1 desktop=$2 metainfo=$3
status=0
echo "lintian:"
# --fail-on: errors and warnings fail, information and pedantic tags are shown.
lintian --fail-on error,warning --display-info "$deb" ||
  status=1
echo "desktop-file-validate:"
out=$(desktop-file-validate "$desktop" 2>&1) || status=1
[ -z "$out" ] || { echo "$out"; status=1; }
echo "appstreamcli validate:"
appstreamcli validate --no-net --explain "$metainfo" || status=1
exit $status
