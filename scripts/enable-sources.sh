#!/usr/bin/env bash
# Adds deb-src to the Debian archive entries (the Types of debian.sources, or
# lines of sources.list), once, so that apt-get source finds the library
# sources; refreshes the package lists when the source NAME=VERSION given is
# not known yet.
#   enable-sources.sh NAME=VERSION
set -euo pipefail
wanted=${1:?usage: $0 NAME=VERSION}
# One at a time: the library builds of the test command run side by side, and
# two package-list updates at once fail on apt's lock.
exec 9>"${TMPDIR:-/tmp}/pex-enable-sources.lock"
flock 9
list=/etc/apt/sources.list.d/debian.sources
old_list=/etc/apt/sources.list
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
if [ -f "$list" ] && ! grep -q '^Types:.*deb-src' "$list"; then
  echo "Adding deb-src to $list"
  $sudo sed -i 's/^Types: deb$/Types: deb deb-src/' "$list"
  $sudo apt-get update -qq
elif [ ! -f "$list" ] && [ -f "$old_list" ] && grep -q '^deb ' "$old_list" &&
     ! grep -q '^deb-src ' "$old_list"; then
  # The one-line format of older installations.
  echo "Adding deb-src lines to $old_list"
  sed -n 's/^deb /deb-src /p' "$old_list" | $sudo tee -a "$old_list" >/dev/null
  $sudo apt-get update -qq
elif ! apt-cache showsrc "${wanted%%=*}" 2>/dev/null | grep -q "^Version: ${wanted#*=}\$"; then
  $sudo apt-get update -qq
fi
