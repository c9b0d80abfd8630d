#!/usr/bin/env bash
# Builds Pex for the browser (WebAssembly and WebGL, with Debian's Emscripten)
# into build-web/app/ (or the folder PEX_WEB_BUILD names): index.html,
# pex-page.js, pex.js, pex.wasm and pex.data, the shipped data to preload. Any
# static web server can serve the folder (scripts/run-web.sh does).
#   build-web.sh              - the application folder (the CMake preset "web")
#   build-web.sh --libraries  - only the libraries below, when missing
#   build-web.sh --prefix     - prints the libraries' folder, which the
#                               toolchain file reads from PEX_WEB_PREFIX
#
# The libraries (SDL2 for the sound library's audio output, and libopenmpt)
# are built once by scripts/build-libraries.sh into a folder kept between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${PEX_WEB_BUILD:-build-web}
jobs=$(nproc)

usage() {
  echo "usage: $0 [--libraries | --prefix]" >&2
  exit 2
}
[ $# -le 1 ] || usage
case "${1:-}" in
  --libraries) exec scripts/build-libraries.sh web ;;
  --prefix) exec scripts/build-libraries.sh web --prefix ;;
  "") ;;
  *) usage ;;
esac

# Emscripten's JavaScript tools find Debian's acorn in /usr/share/nodejs, which
# a node from elsewhere does not search; Emscripten 3.1.6's code predates
# node's own fetch.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch

scripts/build-libraries.sh web
PEX_WEB_PREFIX=$(scripts/build-libraries.sh web --prefix)
export PEX_WEB_PREFIX
if [ "$build" = build-web ]; then
  cmake --preset web >/dev/null
  cmake --build --preset web
else
  cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/PexWebToolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$jobs"
fi
echo "Built $build/app"
