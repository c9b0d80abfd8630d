#!/usr/bin/env bash
# Builds Pex for the browser (WebAssembly and WebGL, with Debian's Emscripten)
# into build-web/app/ (or the folder PEX_WEB_BUILD names): index.html,
# pex-page.js, pex.js, pex.wasm and pex.data, the shipped data to preload. Any
# static web server can serve the folder (scripts/run-web.sh does).
#   build-web.sh              - the application folder (the CMake preset "web")
#   build-web.sh --libraries  - only the libraries below, when missing
#   build-web.sh --prefix     - prints the libraries' folder (the toolchain file
#                               asks for it)
#
# SDL2 (for the sound library's audio output) and libopenmpt come as Debian
# source packages and are built once with Emscripten as static libraries into
# a folder kept between runs (PEX_WEB_PREFIX, by default under ~/.cache/pex/,
# named after the versions). libopenmpt is built without Ogg and Vorbis: the
# game's modules have no Vorbis samples.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${PEX_WEB_BUILD:-build-web}

libraries_only=0
print_prefix=0
case "${1:-}" in
  --libraries) libraries_only=1 ;;
  --prefix) print_prefix=1 ;;
  "") ;;
  *) echo "usage: $0 [--libraries | --prefix]" >&2; exit 2 ;;
esac

# Emscripten's JavaScript tools find Debian's acorn in /usr/share/nodejs, which
# a node from elsewhere does not search; Emscripten 3.1.6's code predates
# node's own fetch.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch

# Debian source versions of the libraries; the prefix is named after them and
# after the compiler.
sdl2_version=2.26.5+dfsg-1
openmpt_version=0.6.9-1
emscripten_version=$(dpkg-query -W -f='${Version}' emscripten)
# The revision of the way they are built below: a new one builds them anew.
recipe=1
prefix=${PEX_WEB_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/pex/web-r$recipe-sdl${sdl2_version%%+*}-openmpt${openmpt_version%-*}-em${emscripten_version%%~*}}
jobs=$(nproc)
if [ "$print_prefix" = 1 ]; then
  echo "$prefix"
  exit 0
fi

scripts/install-deps.sh web

# Runs in a subshell of its own, so that its work folder goes with it.
build_libraries() (
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/pex-web-libs.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  local started=$SECONDS
  step() { echo "Building $* for the web (at $((SECONDS - started)) s)"; }
  rm -rf "$prefix"
  mkdir -p "$prefix"
  scripts/install-deps.sh sources "$work" "libsdl2=$sdl2_version" "libopenmpt=$openmpt_version"

  # The two libraries build side by side: SDL's configuration is a few hundred
  # checks, each a compile and a link by Emscripten, one after the other.
  # Audio only: SDL's video, joystick and the rest would take the page's events.
  # No threads: the audio callback runs from the page's audio processing.
  step "SDL2 $sdl2_version (audio only)"
  (emcmake cmake -S "$work"/libsdl2-2.26.5+dfsg -B "$work/sdl-build" -G "Unix Makefiles" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/node -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_VIDEO=OFF -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF \
    -DSDL_POWER=OFF -DSDL_HIDAPI=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF \
    -DSDL_THREADS=OFF &&
    cmake --build "$work/sdl-build" -j"$jobs" --target install) >"$work/sdl.log" 2>&1 &
  local sdl=$!

  # Without --host: Emscripten's configure wrapper sets the compilers, and reads
  # EM_PKG_CONFIG_PATH in place of PKG_CONFIG_PATH. Exceptions are caught
  # inside the library, so it is built with them.
  step "libopenmpt $openmpt_version"
  (cd "$work"/libopenmpt-0.6.9* &&
    EM_PKG_CONFIG_PATH="$prefix/lib/pkgconfig" emconfigure ./configure --prefix="$prefix" \
      --disable-shared --enable-static CFLAGS=-O2 CXXFLAGS="-O2 -fexceptions" \
      --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
      --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
      --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile \
      --without-flac &&
    emmake make -j"$jobs" &&
    emmake make install) >"$work/openmpt.log" 2>&1 ||
    { tail -40 "$work/openmpt.log" >&2; wait "$sdl"; return 1; }
  wait "$sdl" || { tail -40 "$work/sdl.log" >&2; return 1; }

  touch "$prefix/.complete"
  echo "The web libraries took $((SECONDS - started)) s"
)

if [ ! -f "$prefix/.complete" ]; then
  echo "Building the web libraries into $prefix"
  build_libraries
fi
if [ "$libraries_only" = 1 ]; then
  echo "The web libraries are in $prefix"
  exit 0
fi

export PEX_WEB_PREFIX=$prefix
if [ "$build" = build-web ]; then
  cmake --preset web >/dev/null
  cmake --build --preset web
else
  cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/PexWebToolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$jobs"
fi
echo "Built $build/app"
