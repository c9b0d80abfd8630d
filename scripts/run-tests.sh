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
# new machine. They build in the background, on what the Linux steps leave of
# the processors, each in a process group of its own that ends with this script.
mkdir -p build-tests
libraries_log=build-tests/windows-libraries.log
nice -n 10 setsid scripts/build-windows.sh --libraries >"$libraries_log" 2>&1 &
libraries=$!
web_libraries_log=build-tests/web-libraries.log
nice -n 10 setsid scripts/build-web.sh --libraries >"$web_libraries_log" 2>&1 &
web_libraries=$!
trap 'kill -- -"$libraries" -"$web_libraries" 2>/dev/null || true' EXIT
# Waits for a background library build and shows its log; a failed one ends the run.
libraries_built() {
  if ! wait "$1"; then
    cat "$2" >&2
    exit 1
  fi
  cat "$2"
}

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
libraries_built "$libraries" "$libraries_log"
phase "Windows build and tests"
PEX_WIN64_PREFIX=$(scripts/build-windows.sh --prefix) cmake --workflow --preset windows

phase "Web libraries"
libraries_built "$web_libraries" "$web_libraries_log"
phase "Web build and tests"
PEX_WEB_PREFIX=$(scripts/build-web.sh --prefix) cmake --workflow --preset web

phase "Fuzzers"
PEX_FUZZ_SECONDS=${PEX_FUZZ_SECONDS:-20} cmake --workflow --preset fuzz
phase "Done"
