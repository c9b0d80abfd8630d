#!/usr/bin/env bash
# Builds Pex with its tests and runs every test: unit and GL-call tests, the
# real-window tests under their own Xvfb, the headless suites again under the
# sanitizers, the Windows build with its tests under Wine, the release archives
# and the bounded fuzzer runs. The build folder is build-tests/, apart from the
# game's build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh tests
cmake -S . -B build-tests -DPEX_BUILD_TESTS=ON
cmake --build build-tests -j"$(nproc)"
(cd build-tests && ctest --output-on-failure -j"$(nproc)")
# The headless suites again under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer, in a build folder of their own.
cmake -S . -B build-asan -DPEX_BUILD_TESTS=ON -DPEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j"$(nproc)"
(cd build-asan && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$(nproc)")
# The Windows build from the same tree with its tests under Wine, then the
# release archives of both systems (the Linux one from the program built above).
scripts/build-windows.sh --tests
PEX_LINUX_BUILD=build-tests scripts/package.sh all
scripts/run-fuzzers.sh "${PEX_FUZZ_SECONDS:-30}"
