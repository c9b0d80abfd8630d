#!/usr/bin/env bash
# Builds every fuzz target (tests/fuzz/*_fuzz.cpp) with clang and runs each from
# its seed corpus (tests/fuzz/corpus/<target>/) for a bounded time: the
# workflow preset "fuzz".
#   run-fuzzers.sh [SECONDS [RUNS]]
# SECONDS per target (default 45; 0 for no time bound), RUNS the number of
# inputs per target (default: no bound). Any finding fails the run; findings
# and logs are kept in build-fuzz/findings/<target>/ (tests/fuzz/fuzz-one.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
PEX_FUZZ_SECONDS="${1:-45}" PEX_FUZZ_RUNS="${2:--1}" exec cmake --workflow --preset fuzz
