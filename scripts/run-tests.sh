#!/usr/bin/env bash
# Builds Pex and runs every test, as a list of CMake workflow presets
# (CMakePresets.json):
#   tests     the unit and GL-call suites and the real-window tests (build-tests/)
#   sanitize  the headless suites under ASan, UBSan and LSan (build-asan/)
#   package   the release archive and the Debian package, their contents,
#             reproducibility, validation, and the package installed, run and
#             removed (build-package/)
#   windows   the Windows build, its tests under Wine and its archive (build-win64/)
#   web       the browser's build, its archive and its tests in headless
#             Chromium (build-web/)
#   fuzz      the bounded fuzzer runs (build-fuzz/)
set -euo pipefail
cd "$(dirname "$0")/.."
phase() { echo "== $* (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

phase "Packages"
scripts/install-deps.sh tests

# The Windows and the browser's builds' libraries take minutes to build on a
# new machine. They build in the background from the start, each in a process
# group of its own that ends with this script. A new session is a scheduling
# group of its own too, where nice alone changes nothing: the group's own
# priority is lowered, so that they take what the Linux steps leave of the
# processors.
mkdir -p build-tests
background() { # LOG COMMAND...: starts COMMAND so; $! is its process group
  local log=$1
  shift
  nice -n 10 setsid bash -c 'echo 10 >/proc/self/autogroup 2>/dev/null || true; exec "$@"' \
    pex-background "$@" >"$log" 2>&1 &
}
# Waits for a background step and shows its log; a failed one ends the run.
finished() { # PID LOG
  if ! wait "$1"; then
    cat "$2" >&2
    exit 1
  fi
  cat "$2"
}
libraries_log=build-tests/windows-libraries.log
background "$libraries_log" scripts/build-windows.sh --libraries
libraries=$!
web_libraries_log=build-tests/web-libraries.log
background "$web_libraries_log" scripts/build-web.sh --libraries
web_libraries=$!
windows=""
trap 'kill -- -"$libraries" -"$web_libraries" ${windows:+-"$windows"} 2>/dev/null || true' EXIT

# The packages carry the time of the commit they are built from.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH

phase "Linux build and tests"
cmake --workflow --preset tests
phase "Sanitizer build and tests"
cmake --workflow --preset sanitize
phase "Packages: the archive and the Debian package"
cmake --workflow --preset package

phase "Windows libraries"
finished "$libraries" "$libraries_log"
# The Windows build and its tests under Wine run beside the browser's, which
# mostly wait: the one on the page's frames, the other on Wine.
phase "Windows build and tests (beside the browser's)"
windows_log=build-tests/windows.log
PEX_WIN64_PREFIX=$(scripts/build-windows.sh --prefix) \
  setsid cmake --workflow --preset windows >"$windows_log" 2>&1 &
windows=$!

phase "Web libraries"
finished "$web_libraries" "$web_libraries_log"
phase "Web build and tests"
PEX_WEB_PREFIX=$(scripts/build-web.sh --prefix) cmake --workflow --preset web

phase "Fuzzers"
PEX_FUZZ_SECONDS=${PEX_FUZZ_SECONDS:-20} cmake --workflow --preset fuzz
phase "Windows build and tests: the results"
finished "$windows" "$windows_log"
phase "Done"
