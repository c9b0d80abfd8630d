#!/usr/bin/env bash
# The Windows cross build's libraries, and the build itself (CMake preset
# "windows", build-win64/): pex.exe, the sound library as fmod.dll and the
# data files in build-win64/app/, everything linked statically so that the
# folder needs no DLL but Windows' own.
#   build-windows.sh             - the application folder
#   build-windows.sh --tests     - also the test programs, run under Wine (unit,
#                                  GL-call and sound-library suites and the
#                                  real-window smoke tests), and the .zip
#                                  (the workflow preset "windows")
#   build-windows.sh --libraries - only the libraries below, when missing
#   build-windows.sh --prefix    - prints the libraries' folder, which the
#                                  toolchain file reads from PEX_WIN64_PREFIX
#
# The libraries (GLFW, SDL2, libopenmpt and GoogleTest) are built once by
# scripts/build-libraries.sh into a folder kept between runs.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 [--tests | --libraries | --prefix]" >&2
  exit 2
}
[ $# -le 1 ] || usage
mode=app
case "${1:-}" in
  --tests) mode=tests ;;
  --libraries) mode=libraries ;;
  --prefix) exec scripts/build-libraries.sh windows --prefix ;;
  "") ;;
  *) usage ;;
esac

scripts/build-libraries.sh windows
if [ "$mode" = libraries ]; then
  exit 0
fi

PEX_WIN64_PREFIX=$(scripts/build-libraries.sh windows --prefix)
export PEX_WIN64_PREFIX
if [ "$mode" = tests ]; then
  cmake --workflow --preset windows
else
  cmake --preset windows -DPEX_BUILD_TESTS=OFF
  cmake --build --preset windows
fi
