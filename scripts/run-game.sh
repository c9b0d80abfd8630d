#!/usr/bin/env bash
# Builds Pex and starts it: build/app/pex (the workflow preset "game").
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh game
cmake --workflow --preset game
exec build/app/pex
