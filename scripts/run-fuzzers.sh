#!/usr/bin/env bash
# Builds every fuzz target (tests/fuzz/*_fuzz.cpp) with clang and runs each from
# its seed corpus (tests/fuzz/corpus/<target>/) for a bounded time.
#   run-fuzzers.sh [SECONDS [RUNS]]
# SECONDS per target (default 45; 0 for no time bound), RUNS the number of
# inputs per target (default: no bound). Any finding fails the run.
#
# Nothing found is thrown away: each finding (crash-*, leak-*, timeout-*,
# oom-*, slow-unit-*) and the full log of the run that found it stay in
# build-fuzz/findings/<target>/, and their paths are printed. The inputs the
# fuzzer found interesting grow build-fuzz/corpus/<target>/ from run to run.
# A fixed finding goes into the seed corpus, so that every later run tries it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-45}"
runs="${2:--1}"
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-fuzz -j"$(nproc)"
root="$PWD"
passed=0; failed=0
for f in tests/fuzz/*_fuzz.cpp; do
  [ -e "$f" ] || continue
  name=$(basename "$f" .cpp)
  seeds="$root/tests/fuzz/corpus/$name"
  corpus="$root/build-fuzz/corpus/$name"
  findings="$root/build-fuzz/findings/$name"
  mkdir -p "$corpus" "$findings" "$seeds"
  log="$root/build-fuzz/$name.log"
  before=$(ls -A "$findings" | sort)
  echo "== fuzzing $name ($([ "$seconds" -gt 0 ] && echo "${seconds}s" || echo "no time bound")," \
       "$([ "$runs" -ge 0 ] && echo "$runs runs" || echo "no run bound"))"
  # New inputs are written to the first folder only; the seeds stay as they are.
  if (cd "$root/build-fuzz" && nice -n 5 "./$name" -max_total_time="$seconds" -runs="$runs" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1); then
    passed=$((passed + 1))
    grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/   $name: /" || true
    # A unit slower than 10 s is written but does not stop the fuzzer.
    for finding in $(comm -13 <(echo "$before") <(ls -A "$findings" | sort)); do
      echo "-- $name: slow input kept in $findings/$finding (log: $log)"
    done
  else
    failed=$((failed + 1))
    new=$(comm -13 <(echo "$before") <(ls -A "$findings" | sort) | grep -v '\.log$' || true)
    stamp=$(date +%Y%m%d-%H%M%S)
    kept="$findings/run-$stamp.log"
    mv "$log" "$kept"
    # The report: from the first sanitizer or libFuzzer error line to the end.
    awk '/^==[0-9]+==|runtime error:|^ERROR: libFuzzer|Deadly signal|^MS: /{on=1} on' "$kept"
    echo "-- $name: full log kept in $kept"
    if [ -n "$new" ]; then
      for finding in $new; do
        echo "-- $name: finding kept in $findings/$finding"
        echo "   reproduce with: build-fuzz/$name $findings/$finding"
      done
    else
      echo "-- $name: the fuzzer failed without writing a finding (see the log)"
    fi
  fi
done
echo "fuzzers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
