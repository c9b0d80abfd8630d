#!/usr/bin/env bash
# Runs one fuzz target from its seed corpus for a bounded time; CTest runs it
# for each target of the fuzz build.
#   fuzz-one.sh TARGET SEEDS BUILD
# PEX_FUZZ_SECONDS bounds the time (default 20; 0 for no time bound),
# PEX_FUZZ_RUNS the number of inputs (default: no bound). Any finding fails.
#
# Nothing found is thrown away: each finding (crash-*, leak-*, timeout-*,
# oom-*, slow-unit-*) and the full log of the run that found it stay in
# BUILD/findings/<target>/, and their paths are printed. The inputs the fuzzer
# found interesting grow BUILD/corpus/<target>/ from run to run. A fixed
# finding goes into the seed corpus, so that every later run tries it.
set -euo pipefail
target=$1 seeds=$2 build=$3
seconds=${PEX_FUZZ_SECONDS:-20}
runs=${PEX_FUZZ_RUNS:--1}
name=$(basename "$target")
corpus=$build/corpus/$name
findings=$build/findings/$name
log=$build/$name.log
mkdir -p "$corpus" "$findings" "$seeds"
before=$(ls -A "$findings" | sort)
echo "fuzzing $name ($([ "$seconds" -gt 0 ] && echo "${seconds} s" || echo "no time bound")," \
     "$([ "$runs" -ge 0 ] && echo "$runs runs" || echo "no run bound"))"
# New inputs are written to the first folder only; the seeds stay as they are.
if (cd "$build" && nice -n 5 "$target" -max_total_time="$seconds" -runs="$runs" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1); then
  grep -E '^stat::number_of_executed_units' "$log" || true
  # A unit slower than 10 s is written but does not stop the fuzzer.
  for finding in $(comm -13 <(echo "$before") <(ls -A "$findings" | sort)); do
    echo "slow input kept in $findings/$finding (log: $log)"
  done
  exit 0
fi
new=$(comm -13 <(echo "$before") <(ls -A "$findings" | sort) | grep -v '\.log$' || true)
kept=$findings/run-$(date +%Y%m%d-%H%M%S).log
mv "$log" "$kept"
# The report: from the first sanitizer or libFuzzer error line to the end.
awk '/^==[0-9]+==|runtime error:|^ERROR: libFuzzer|Deadly signal|^MS: /{on=1} on' "$kept"
echo "full log kept in $kept"
if [ -n "$new" ]; then
  for finding in $new; do
    echo "finding kept in $findings/$finding"
    echo "reproduce with: $target $findings/$finding"
  done
else
  echo "the fuzzer failed without writing a finding (see the log)"
fi
exit 1
