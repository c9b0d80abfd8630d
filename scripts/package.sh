#!/usr/bin/env bash
# Makes the release archives in dist/, each holding the application folder
# ready to run and a short README.txt:
#   pex-<version>-linux-x86_64.tar.gz   from the Linux build (build/, or the
#                                       folder PEX_LINUX_BUILD names)
#   pex-<version>-windows-x86_64.zip    from the Windows build (build-win64/,
#                                       or the folder PEX_WIN64_BUILD names)
#   pex-<version>-web.zip               from the browser's build (build-web/,
#                                       or the folder PEX_WEB_BUILD names)
# The version is the CMake project version. Builds what is missing, then
# checks that each archive holds exactly the expected files.
#   package.sh [linux|windows|web|all]   (default all)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
which=${1:-all}
case "$which" in
  linux | windows | web | all) ;;
  *) echo "usage: $0 [linux|windows|web|all]" >&2; exit 2 ;;
esac

version=$(sed -n 's/^project(Pex VERSION \([0-9][0-9.]*\)\b.*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
  echo "no project version in CMakeLists.txt" >&2
  exit 1
fi
mkdir -p dist
stage=$(mktemp -d "${TMPDIR:-/tmp}/pex-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT

# The files every application folder holds, data first.
data_files() {
  (cd data && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
}

# Stages a fresh application folder: the binaries of the build and the data
# as shipped (not the settings or level a test run left in the build folder).
stage_folder() {
  local build_app=$1 folder=$2
  shift 2
  mkdir -p "$folder"
  cmake -DSRC="$root/data" -DDST="$folder" -P cmake/CopyData.cmake
  for binary in "$@"; do
    cp -p "$build_app/$binary" "$folder/$binary"
  done
}

# Fails unless the listing (one path a line) is exactly the expected set.
check_listing() {
  local archive=$1 listing=$2 expected=$3
  if ! diff <(LC_ALL=C sort <<<"$expected") <(LC_ALL=C sort <<<"$listing") >"$stage/diff"; then
    echo "$archive does not hold the expected files:" >&2
    cat "$stage/diff" >&2
    exit 1
  fi
}

expected_files() {
  local top=$1
  shift
  { data_files; printf '%s\n' README.txt "$@"; } | sed "s|^|$top/|"
}

package_linux() {
  local top=pex-$version-linux-x86_64
  local build=${PEX_LINUX_BUILD:-build}
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target pex
  stage_folder "$build/app" "$stage/$top" pex libfmod.so
  cat >"$stage/$top/README.txt" <<EOF
Pex $version for Linux (x86-64)

Start the game with ./pex in this folder. It needs the GLFW 3, SDL2 and
libopenmpt libraries of the system (on Debian 12: apt-get install libglfw3
libsdl2-2.0-0 libopenmpt0) and OpenGL.

Keys: arrow keys to walk and climb, Enter to choose in the menu, Escape back
to the menu, F10 to quit. In the editor the left mouse button paints, the right
one picks the next tile, F11 clears the level.

Pex keeps its files beside itself, so this folder must be writable:
  pex.ini               the screen settings, written at every end
  level/default/1.txt   the level, written when the editor is left
The sound library libfmod.so is loaded from this folder; without it the game
runs silently.
EOF
  local archive=dist/$top.tar.gz
  tar -C "$stage" --owner=0 --group=0 --numeric-owner -czf "$archive" "$top"
  check_listing "$archive" "$(tar -tzf "$archive" | grep -v '/$')" \
    "$(expected_files "$top" pex libfmod.so)"
  tar -tvzf "$archive" "$top/pex" | grep -q '^-rwx' ||
    { echo "$archive: pex is not executable" >&2; exit 1; }
  echo "Made $archive"
}

package_windows() {
  local top=pex-$version-windows-x86_64
  local build=${PEX_WIN64_BUILD:-build-win64}
  if [ -f "$build/CMakeCache.txt" ]; then
    cmake --build "$build" -j"$(nproc)" --target pex
  else
    scripts/build-windows.sh
  fi
  stage_folder "$build/app" "$stage/$top" pex.exe fmod.dll
  # Windows line ends for the text a Windows user opens.
  sed 's/$/\r/' >"$stage/$top/README.txt" <<EOF
Pex $version for Windows (64-bit)

Start the game with pex.exe in this folder. It needs no installation and no
other DLL; OpenGL comes with Windows and the graphics driver.

Keys: arrow keys to walk and climb, Enter to choose in the menu, Escape back
to the menu, F10 to quit. In the editor the left mouse button paints, the right
one picks the next tile, F11 clears the level.

Pex keeps its files beside itself, so unpack it into a folder you may write to
(not Program Files):
  pex.ini               the screen settings, written at every end
  level\default\1.txt   the level, written when the editor is left
The sound library fmod.dll is loaded from this folder; without it the game
runs silently.
EOF
  local archive=dist/$top.zip
  rm -f "$archive"
  (cd "$stage" && zip -qrX "$root/$archive" "$top")
  check_listing "$archive" "$(unzip -Z1 "$archive" | grep -v '/$')" \
    "$(expected_files "$top" pex.exe fmod.dll)"
  echo "Made $archive"
}

# The page and the program; the data is inside pex.data, as shipped.
package_web() {
  local top=pex-$version-web
  local build=${PEX_WEB_BUILD:-build-web}
  local files=(index.html pex-page.js pex.js pex.wasm pex.data)
  if [ -f "$build/CMakeCache.txt" ]; then
    cmake --build "$build" -j"$(nproc)"
  else
    scripts/build-web.sh
  fi
  mkdir -p "$stage/$top"
  for file in "${files[@]}"; do
    cp -p "$build/app/$file" "$stage/$top/$file"
  done
  cat >"$stage/$top/README.txt" <<EOF
Pex $version for the browser

Put this folder on any web server that serves static files and open
index.html there (a page opened straight from the disk cannot load the
program). For instance, in this folder:
  python3 -m http.server --bind 127.0.0.1 8023
then open http://127.0.0.1:8023/ in the browser.

Click or press a key first: browsers start the sound only then. Keys: arrow
keys to walk and climb, Enter to choose in the menu, Escape back to the menu,
F10 to quit. In the editor the left mouse button paints, the right one picks
the next tile, F11 clears the level.

The settings and the level are kept in the browser (its storage for the
server's address), not in this folder. index.html?play=NAME.dem replays the
demo NAME.dem put beside index.html.
EOF
  local archive=dist/$top.zip
  rm -f "$archive"
  (cd "$stage" && zip -qrX "$root/$archive" "$top")
  check_listing "$archive" "$(unzip -Z1 "$archive" | grep -v '/$')" \
    "$(printf '%s\n' README.txt "${files[@]}" | sed "s|^|$top/|")"
  echo "Made $archive"
}

if [ "$which" = linux ] || [ "$which" = all ]; then package_linux; fi
if [ "$which" = windows ] || [ "$which" = all ]; then package_windows; fi
if [ "$which" = web ] || [ "$which" = all ]; then package_web; fi
