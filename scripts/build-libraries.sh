#!/usr/bin/env bash
# The third-party libraries of the cross builds, built once from Debian's
# source packages as static libraries into a folder kept between runs:
#   build-libraries.sh windows           - GLFW, SDL2, libopenmpt and GoogleTest
#                                          with MinGW-w64, when missing
#   build-libraries.sh web               - SDL2 and libopenmpt with Emscripten,
#                                          when missing
#   build-libraries.sh TARGET --prefix   - prints the folder
# The folder is PEX_WIN64_PREFIX (windows) or PEX_WEB_PREFIX (web) when set,
# else ~/.cache/pex/<target>-r<recipe>-<versions>. Only what Pex uses is
# built: SDL's audio (GLFW or the page has the window and the input), and
# libopenmpt's library without its player, examples and tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  echo "usage: $0 windows|web [--prefix]" >&2
  exit 2
}
[ $# -ge 1 ] && [ $# -le 2 ] || usage
target=$1
case "$target" in
  windows | web) ;;
  *) usage ;;
esac
print_prefix=0
case "${2:-}" in
  --prefix) print_prefix=1 ;;
  "") ;;
  *) usage ;;
esac

# The libraries' Debian source packages and versions; the folder is named
# after them, after GoogleTest's and after the compiler's installed versions.
declare -A source_package=([glfw]=glfw3 [sdl]=libsdl2 [openmpt]=libopenmpt)
declare -A version=([glfw]=3.3.8-1 [sdl]=2.26.5+dfsg-1 [openmpt]=0.6.9-1)
# The revision of each target's recipe: a new one builds into a new folder.
declare -A recipes=([windows]=3 [web]=4)
recipe=${recipes[$target]}

case "$target" in
  windows)
    prefix_variable=PEX_WIN64_PREFIX
    libraries=(glfw sdl openmpt gtest)
    compiler=mingw compiler_package=gcc-mingw-w64-x86-64-posix
    ;;
  web)
    prefix_variable=PEX_WEB_PREFIX
    libraries=(sdl openmpt)
    compiler=em compiler_package=emscripten
    ;;
esac

# The installed version of a Debian package.
installed() { # PACKAGE
  local status
  status=$(dpkg-query -W -f='${db:Status-Status} ${Version}' "$1" 2>/dev/null || true)
  case "$status" in
    "installed "*) echo "${status#installed }" ;;
    *) echo "$0: $1 is not installed; scripts/install-deps.sh $target installs it" >&2
       return 1 ;;
  esac
}
# The upstream part of a Debian version: 1:3.1.6~dfsg-5 gives 3.1.6.
upstream() { # VERSION
  local v=${1#*:}
  echo "${v%%[-+~]*}"
}
library_version() { # LIBRARY
  if [ "$1" = gtest ]; then installed googletest; else echo "${version[$1]}"; fi
}
prefix() {
  case "${!prefix_variable:-}" in
    /*) echo "${!prefix_variable}"; return ;;
    "") ;;
    *) echo "$0: $prefix_variable must be an absolute path, not ${!prefix_variable}" >&2
       return 1 ;;
  esac
  local name=$target-r$recipe library v
  for library in "${libraries[@]}"; do
    v=$(library_version "$library") || return 1
    name+=-$library$(upstream "$v")
  done
  v=$(compiler_version) || return 1
  echo "${XDG_CACHE_HOME:-$HOME/.cache}/pex/$name-$compiler$v"
}
compiler_version() {
  local v
  v=$(installed "$compiler_package") || return 1
  upstream "$v"
}

if [ "$print_prefix" = 1 ]; then
  prefix
  exit 0
fi

scripts/install-deps.sh "$target"
prefix=$(prefix)
if [ -f "$prefix/.complete" ]; then
  echo "The $target libraries are in $prefix"
  exit 0
fi
echo "Building the $target libraries into $prefix"
jobs=$(nproc)
work=$(mktemp -d "${TMPDIR:-/tmp}/pex-$target-libraries.XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$SECONDS
rm -rf "$prefix"
mkdir -p "$prefix"
sources=()
for library in "${libraries[@]}"; do
  [ "$library" = gtest ] || sources+=("${source_package[$library]}=${version[$library]}")
done
scripts/install-deps.sh sources "$work" "${sources[@]}"
# Where apt-get source unpacked a library: PACKAGE-UPSTREAMVERSION.
unpacked() { # LIBRARY
  echo "$work/${source_package[$1]}-${version[$1]%-*}"
}

# What differs between the targets: the compilers, and the options that only
# one of them needs.
case "$target" in
  windows)
    mingw=x86_64-w64-mingw32
    cmake_configure() {
      cmake -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DPEX_WIN64_PREFIX="$prefix" "$@"
    }
    configure() {
      PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
        ./configure --host=$mingw CC=$mingw-gcc-posix CXX=$mingw-g++-posix "$@"
    }
    run_make() { make "$@"; }
    # SDL's Windows audio drivers (WASAPI, DirectSound, winmm) run in threads
    # of their own and load their system libraries at run time (loadso).
    # XInput is the joysticks'.
    sdl_options=(-DSDL_XINPUT=OFF)
    openmpt_flags=(CFLAGS=-O2 CXXFLAGS=-O2)
    ;;
  web)
    # Emscripten's JavaScript tools find Debian's acorn in /usr/share/nodejs,
    # which a node from elsewhere does not search; Emscripten 3.1.6's code
    # predates node's own fetch.
    export NODE_PATH=/usr/share/nodejs
    export NODE_OPTIONS=--no-experimental-fetch
    cmake_configure() {
      emcmake cmake -G "Unix Makefiles" -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/node "$@"
    }
    # Without --host: Emscripten's wrapper sets the compilers, and reads
    # EM_PKG_CONFIG_PATH in place of PKG_CONFIG_PATH.
    configure() {
      EM_PKG_CONFIG_PATH="$prefix/lib/pkgconfig" emconfigure ./configure "$@"
    }
    run_make() { emmake make "$@"; }
    # No threads: the audio callback runs from the page's audio processing.
    sdl_options=(-DSDL_THREADS=OFF)
    # Exceptions are caught inside libopenmpt, so it is built with them. The
    # page downloads the program: libopenmpt reads the one format the game's
    # modules have, XM.
    openmpt_flags=(CFLAGS=-O2 "CXXFLAGS=-O2 -fexceptions")
    openmpt_formats=XM
    ;;
esac
cmake_options=(-DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release)

# The answers to a library's configuration checks, where this compiler's are
# known: scripts/library-checks/<library><version>-<compiler><version>.<kind>.
# With Emscripten each check costs a compile, and most a link, of a second
# or more.
known_checks() { # LIBRARY KIND
  local v file
  v=$(compiler_version) || return 1
  file=$root/scripts/library-checks/$1$(upstream "${version[$1]}")-$compiler$v.$2
  [ -f "$file" ] && echo "$file"
}

build_glfw() {
  cmake_configure -S "$(unpacked glfw)" -B "$work/glfw-build" "${cmake_options[@]}" \
    -DBUILD_SHARED_LIBS=OFF -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF \
    -DGLFW_BUILD_DOCS=OFF
  cmake --build "$work/glfw-build" -j"$jobs" --target install
}

# SDL's audio alone, with the events, timers and threads it needs. Nothing can
# replace a statically linked SDL at run time, so its table of functions for
# that (the dynamic API) is left out: it would pull in every SDL function, the
# video ones too.
build_sdl() {
  local source checks
  source=$(unpacked sdl)
  if checks=$(known_checks sdl cmake); then
    sdl_options+=(-C "$checks")
  fi
  sed -i '/^\/\* everyone else\. /i #define SDL_DYNAMIC_API 0' "$source/src/dynapi/SDL_dynapi.h"
  grep -q '^#define SDL_DYNAMIC_API 0$' "$source/src/dynapi/SDL_dynapi.h" ||
    { echo "SDL_dynapi.h has no place for turning the dynamic API off" >&2; return 1; }
  cmake_configure -S "$source" -B "$work/sdl-build" "${cmake_options[@]}" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
    -DSDL_VIDEO=OFF -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF \
    "${sdl_options[@]}"
  cmake --build "$work/sdl-build" -j"$jobs" --target install
}

# libopenmpt without zlib, mpg123, Ogg and Vorbis: the game's modules have no
# compressed or Vorbis samples.
build_openmpt() {
  local checks
  cd "$(unpacked openmpt)"
  # Only the loaders of openmpt_formats (all when unset) in the table of them.
  if [ -n "${openmpt_formats:-}" ]; then
    sed -i -E "/^\tMPT_DECLARE_FORMAT\(/{/MPT_DECLARE_FORMAT\((${openmpt_formats})\)/!d}" \
      soundlib/Sndfile.cpp
    [ "$(grep -c '^.MPT_DECLARE_FORMAT(' soundlib/Sndfile.cpp)" = "$(wc -w <<<"${openmpt_formats//|/ }")" ] ||
      { echo "soundlib/Sndfile.cpp has not the table of loaders expected" >&2; return 1; }
  fi
  # configure writes its cache back.
  if checks=$(known_checks openmpt cache); then
    cp "$checks" config.cache
    openmpt_flags+=(--cache-file=config.cache)
  fi
  configure --prefix="$prefix" --disable-shared --enable-static --disable-dependency-tracking \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile \
    --without-flac "${openmpt_flags[@]}"
  run_make -j"$jobs"
  run_make install
}

# GoogleTest without GoogleMock, which no test uses.
build_gtest() {
  cmake_configure -S /usr/src/googletest -B "$work/gtest-build" "${cmake_options[@]}" \
    -DBUILD_GMOCK=OFF
  cmake --build "$work/gtest-build" -j"$jobs" --target install
}

# Builds one library, its output in a log of its own (the end of which is
# shown when it fails), and says when it started and how long it took. The
# build runs as a job of its own, where set -e holds (in a condition it would
# not).
build() { # LIBRARY
  local began=$SECONDS
  echo "Building $1 for $target (at $((SECONDS - started)) s)"
  (build_"$1") >"$work/$1.log" 2>&1 &
  if ! wait $!; then
    echo "Building $1 for $target failed; the end of its log:" >&2
    tail -40 "$work/$1.log" >&2
    return 1
  fi
  echo "Built $1 for $target: took $((SECONDS - began)) s"
}

# libopenmpt, the longest, builds beside the others: their configuration is
# mostly one check after another, which leaves a processor free.
build openmpt &
openmpt=$!
for library in "${libraries[@]}"; do
  if [ "$library" != openmpt ]; then
    build "$library" || { wait "$openmpt" || true; exit 1; }
  fi
done
wait "$openmpt"

touch "$prefix/.complete"
echo "The $target libraries took $((SECONDS - started)) s; they are in $prefix"
