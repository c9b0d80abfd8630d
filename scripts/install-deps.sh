#!/usr/bin/env bash
# Installs the Debian packages Pex needs when they are missing.
#   install-deps.sh game   - to build and run the game
#   install-deps.sh tests  - also what the tests need (Xvfb, xdotool, clang, ...),
#                            the Windows cross build, the package checks and
#                            the browser's build included (MinGW-w64, Wine,
#                            lintian, Emscripten, Chromium, ...)
#   install-deps.sh windows - the same as tests
#   install-deps.sh web    - the browser's build and its tests only
#   install-deps.sh sources FOLDER NAME=VERSION... - the deb-src entries, package
#                            lists that know those source packages, and their
#                            sources unpacked into FOLDER (the library builds
#                            ask; one at a time, as they run side by side)
# For the library builds (Windows and browser) it also adds deb-src to the
# Debian archive entries (once), so that apt-get source finds the sources of
# the libraries that scripts/build-windows.sh and scripts/build-web.sh build.
# Uses sudo only when not running as root.
set -euo pipefail

# xfonts-base: the error box (SDL's X11 message box) needs an X core font of
# 12 points, medium, upright; without one it cannot be shown at all.
game_pkgs=(build-essential cmake pkg-config libglfw3-dev libglu1-mesa-dev libgl1-mesa-dri
           libsdl2-dev libopenmpt-dev libx11-dev xfonts-base)
# build-essential's g++ brings the sanitizer runtimes (libasan8, libubsan1) of
# the sanitizer build, libclang-rt-14-dev clang's and libFuzzer; util-linux has
# setpriv, which the tests use to run as an unprivileged user. The Debian
# package is checked with lintian (which reads manual pages with man-db),
# desktop-file-utils and appstream, and made by CPack with dpkg-dev's
# dpkg-shlibdeps; git names the commit whose time the packages carry.
test_pkgs=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool
           x11-utils x11-apps imagemagick libx11-6 python3
           libfreetype-dev fonts-dejavu-core util-linux
           dpkg-dev lintian man-db desktop-file-utils appstream git)

windows_pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
              binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 googletest zip unzip)

# The browser's build: Debian's Emscripten (its node tools need Debian's acorn,
# which it brings), the library sources through apt-get source (dpkg-dev),
# Chromium for the tests, python3-websocket to drive it and ImageMagick to read
# its screenshots, zip for the release archive, brotli for the page's
# precompressed files.
web_pkgs=(emscripten cmake make pkg-config dpkg-dev chromium python3 python3-websocket
          imagemagick zip unzip brotli)

pkgs=("${game_pkgs[@]}")
mode=${1:-game}
case "$mode" in
  sources) ;;
  game) ;;
  tests | windows) pkgs+=("${test_pkgs[@]}" "${windows_pkgs[@]}" "${web_pkgs[@]}") ;;
  web) pkgs=("${web_pkgs[@]}") ;;
  *) echo "usage: $0 [game|tests|windows|web]" >&2; exit 2 ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# Adds deb-src to the Debian archive entries (the Types of debian.sources, or
# lines of the one-line sources.list of older installations).
enable_sources() {
  local list=/etc/apt/sources.list.d/debian.sources
  local old_list=/etc/apt/sources.list
  if [ -f "$list" ] && ! grep -q '^Types:.*deb-src' "$list"; then
    echo "Adding deb-src to $list"
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$list"
    return 0
  elif [ ! -f "$list" ] && [ -f "$old_list" ] && grep -q '^deb ' "$old_list" &&
       ! grep -q '^deb-src ' "$old_list"; then
    echo "Adding deb-src lines to $old_list"
    sed -n 's/^deb /deb-src /p' "$old_list" | $SUDO tee -a "$old_list" >/dev/null
    return 0
  fi
  return 1
}

updated=0
if [ "$mode" = sources ]; then
  folder=${2:?usage: $0 sources FOLDER NAME=VERSION...}
  shift 2
  # Two package-list updates at once fail on apt's lock.
  exec 9>"${TMPDIR:-/tmp}/pex-install-deps.lock"
  flock 9
  stale=0
  for wanted in "$@"; do
    apt-cache showsrc "${wanted%%=*}" 2>/dev/null | grep -q "^Version: ${wanted#*=}\$" || stale=1
  done
  if enable_sources || [ "$stale" = 1 ]; then
    $SUDO apt-get update -qq
  fi
  exec 9>&-
  (cd "$folder" && apt-get source -qq "$@") >"$folder/source.log" 2>&1 ||
    { cat "$folder/source.log" >&2; exit 1; }
  exit 0
fi
if [ "$mode" != game ] && enable_sources; then
  $SUDO apt-get update -qq
  updated=1
fi

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
[ "$updated" = 1 ] || $SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
