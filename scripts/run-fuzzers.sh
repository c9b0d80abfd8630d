#!/usr/bin/env bash
# Builds every fuzz target (tests/fuzz/*_fuzz.cpp) with clang and runs each for
# a bounded time (seconds per target, default 45) from its seed corpus
# (tests/fuzz/corpus/<target>/). Any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-45}"
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-fuzz -j"$(nproc)"
passed=0; failed=0
for f in tests/fuzz/*_fuzz.cpp; do
  [ -e "$f" ] || continue
  name=$(basename "$f" .cpp)
  work=$(mktemp -d)
  seeds="tests/fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
  echo "== fuzzing $name for ${seconds}s"
  if (cd "$work" && "$OLDPWD/build-fuzz/$name" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=0 . >"$work.log" 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); tail -n 60 "$work.log"
  fi
  rm -rf "$work" "$work.log"
done
echo "fuzzers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
