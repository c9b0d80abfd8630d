#!/usr/bin/env bash
# Builds Pex with its tests and runs every test: unit and GL-call tests, the
# real-window tests under their own Xvfb, and the bounded fuzzer runs. The
# build folder is build-tests/, apart from the game's build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh tests
cmake -S . -B build-tests -DPEX_BUILD_TESTS=ON
cmake --build build-tests -j"$(nproc)"
(cd build-tests && ctest --output-on-failure -j"$(nproc)")
scripts/run-fuzzers.sh "${PEX_FUZZ_SECONDS:-45}"
