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
#   build-windows.sh --prefix    - prints the libraries' folder (the toolchain
#                                  file asks for it)
#
# GLFW, SDL2 and libopenmpt come as Debian source packages and are built once
# as static libraries into a folder kept between runs (PEX_WIN64_PREFIX, by
# default under ~/.cache/pex/, named after the versions), with GoogleTest.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=app
case "${1:-}" in
  --tests) mode=tests ;;
  --libraries) mode=libraries ;;
  --prefix) mode=prefix ;;
  "") ;;
  *) echo "usage: $0 [--tests | --libraries | --prefix]" >&2; exit 2 ;;
esac

# Debian source versions of the libraries; the prefix is named after them.
glfw_version=3.3.8-1
sdl2_version=2.26.5+dfsg-1
openmpt_version=0.6.9-1
gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo none)
# The revision of the way they are built below: a new one builds them anew.
recipe=2
prefix=${PEX_WIN64_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/pex/win64-r$recipe-glfw${glfw_version%-*}-sdl${sdl2_version%%+*}-openmpt${openmpt_version%-*}-gtest${gtest_version%%-*}}
if [ "$mode" = prefix ]; then
  echo "$prefix"
  exit 0
fi

# The packages, and deb-src for apt-get source.
scripts/install-deps.sh windows

toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
mingw=x86_64-w64-mingw32

# Runs in a subshell of its own, so that its work folder goes with it.
build_libraries() (
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/pex-win64-libs.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  local started=$SECONDS
  step() { echo "Cross-building $* (at $((SECONDS - started)) s)"; }
  rm -rf "$prefix"
  mkdir -p "$prefix"
  scripts/install-deps.sh sources "$work" "glfw3=$glfw_version" "libsdl2=$sdl2_version" \
    "libopenmpt=$openmpt_version"

  local cmake_cross=(-G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
                     -DPEX_WIN64_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
                     -DCMAKE_BUILD_TYPE=Release)

  step "GLFW $glfw_version"
  cmake -S "$work"/glfw3-3.3.8 -B "$work/glfw-build" "${cmake_cross[@]}" -DBUILD_SHARED_LIBS=OFF \
    -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF >"$work/glfw.log"
  cmake --build "$work/glfw-build" -j"$jobs" --target install >>"$work/glfw.log"

  # Only the sound library uses SDL, for its audio output. Its video part stays:
  # SDL 2.26's dynamic API table needs the Windows video functions.
  step "SDL2 $sdl2_version (audio and video only)"
  cmake -S "$work"/libsdl2-2.26.5+dfsg -B "$work/sdl-build" "${cmake_cross[@]}" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF \
    -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_RENDER=OFF -DSDL_VULKAN=OFF \
    -DSDL_OPENGLES=OFF >"$work/sdl.log"
  cmake --build "$work/sdl-build" -j"$jobs" --target install >>"$work/sdl.log"

  step "libopenmpt $openmpt_version"
  (cd "$work"/libopenmpt-0.6.9* &&
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
    ./configure --host=$mingw --prefix="$prefix" --disable-shared --enable-static \
      CC=$mingw-gcc-posix CXX=$mingw-g++-posix CFLAGS=-O2 CXXFLAGS=-O2 \
      --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
      --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
      --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile \
      --without-flac &&
    make -j"$jobs" &&
    make install) >"$work/openmpt.log" 2>&1 || { tail -40 "$work/openmpt.log" >&2; return 1; }

  step "GoogleTest $gtest_version"
  cmake -S /usr/src/googletest -B "$work/gtest-build" "${cmake_cross[@]}" \
    -DBUILD_GMOCK=OFF >"$work/gtest.log"
  cmake --build "$work/gtest-build" -j"$jobs" --target install >>"$work/gtest.log"

  touch "$prefix/.complete"
  echo "The libraries took $((SECONDS - started)) s"
)

if [ ! -f "$prefix/.complete" ]; then
  echo "Cross-building the libraries into $prefix"
  build_libraries
fi
if [ "$mode" = libraries ]; then
  echo "The libraries are in $prefix"
  exit 0
fi

export PEX_WIN64_PREFIX=$prefix
if [ "$mode" = tests ]; then
  cmake --workflow --preset windows
else
  cmake --preset windows -DPEX_BUILD_TESTS=OFF
  cmake --build --preset windows
fi
