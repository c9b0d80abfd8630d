#!/usr/bin/env bash
# Builds Pex with its tests and runs every test: unit and GL-call tests, the
# real-window tests under their own Xvfb, the headless suites again under the
# sanitizers, the Windows build with its tests under Wine, the browser's build
# with its tests in headless Chromium, the release archives and the bounded
# fuzzer runs. The build folder is build-tests/, apart from the game's build/.
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

phase "Linux build and tests"
cmake -S . -B build-tests -DPEX_BUILD_TESTS=ON
cmake --build build-tests -j"$(nproc)"
(cd build-tests && ctest --output-on-failure -j"$(nproc)")

# The headless suites again under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer, in a build folder of their own.
phase "Sanitizer build and tests"
cmake -S . -B build-asan -DPEX_BUILD_TESTS=ON -DPEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j"$(nproc)"
(cd build-asan && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$(nproc)")

# The Windows build from the same tree with its tests under Wine, then the
# release archives of both systems (the Linux one from the program built above).
phase "Windows libraries"
if ! wait "$libraries"; then
  cat "$libraries_log" >&2
  exit 1
fi
cat "$libraries_log"
phase "Windows build and tests"
scripts/build-windows.sh --tests
phase "Web libraries"
if ! wait "$web_libraries"; then
  cat "$web_libraries_log" >&2
  exit 1
fi
cat "$web_libraries_log"
phase "Web build and tests"
scripts/build-web.sh
(cd build-web && ctest --output-on-failure)
phase "Release archives"
PEX_LINUX_BUILD=build-tests scripts/package.sh all

phase "Fuzzers"
scripts/run-fuzzers.sh "${PEX_FUZZ_SECONDS:-20}"
phase "Done"
