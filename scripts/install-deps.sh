#!/usr/bin/env bash
# Installs the Debian packages Pex needs when they are missing.
#   install-deps.sh game   - to build and run the game
#   install-deps.sh tests  - also what the tests need (Xvfb, xdotool, clang, ...),
#                            the Windows cross build (MinGW-w64, Wine) and the
#                            browser's build (Emscripten, Chromium) included
#   install-deps.sh windows - the same as tests
#   install-deps.sh web    - the browser's build and its tests only
# Uses sudo only when not running as root.
set -euo pipefail

# xfonts-base: the error box (SDL's X11 message box) needs an X core font of
# 12 points, medium, upright; without one it cannot be shown at all.
game_pkgs=(build-essential cmake pkg-config libglfw3-dev libglu1-mesa-dev libgl1-mesa-dri
           libsdl2-dev libopenmpt-dev xfonts-base)
# build-essential's g++ brings the sanitizer runtimes (libasan8, libubsan1) of
# the sanitizer build, libclang-rt-14-dev clang's and libFuzzer; util-linux has
# setpriv, which the tests use to run as an unprivileged user.
test_pkgs=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool
           x11-utils x11-apps imagemagick libx11-dev python3
           libfreetype-dev fonts-dejavu-core util-linux)

windows_pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
              libz-mingw-w64-dev wine wine64 dpkg-dev googletest zip unzip)

# The browser's build: Debian's Emscripten (its node tools need Debian's acorn,
# which it brings), the library sources through apt-get source (dpkg-dev),
# Chromium for the tests, python3-websocket to drive it and ImageMagick to read
# its screenshots, zip for the release archive.
web_pkgs=(emscripten cmake make pkg-config dpkg-dev chromium python3 python3-websocket
          imagemagick zip unzip)

pkgs=("${game_pkgs[@]}")
case "${1:-game}" in
  game) ;;
  tests | windows) pkgs+=("${test_pkgs[@]}" "${windows_pkgs[@]}" "${web_pkgs[@]}") ;;
  web) pkgs=("${web_pkgs[@]}") ;;
  *) echo "usage: $0 [game|tests|windows|web]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
