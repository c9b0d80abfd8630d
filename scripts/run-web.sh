#!/usr/bin/env bash
# Builds Pex for the browser (scripts/build-web.sh) and serves it on
# 127.0.0.1 only; open the address it prints. The demos of tests/demos are
# served beside the page: index.html?play=walk.dem replays one.
#   run-web.sh [PORT]   (default 8023)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-web.sh
exec python3 scripts/serve-web.py --port "${1:-8023}" "${PEX_WEB_BUILD:-build-web}/app" tests/demos
