#!/usr/bin/env bash
# Builds Pex and starts it: build/app/pex.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh game
cmake -S . -B build -DPEX_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)"
exec build/app/pex
