#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, ASan + UBSan, consistency checks on)
# and runs each for a fixed time from its seed corpus. Findings land in build/fuzz/findings/.
#
#   fuzz/run.sh            # smoke: about 30 s per target (CI)
#   fuzz/run.sh 1800       # a longer run: half an hour per target
#   FUZZ_JOBS=2 fuzz/run.sh 3600   # two processes per target (the machine has two cores)
#
# New inputs that reach new code go to build/fuzz/corpus/<target> (the seeds in fuzz/corpus stay
# untouched); a crash or failed check leaves its input in build/fuzz/findings and fails the run.
# Reproduce one with: build/fuzz/fuzz/fuzz_<target> <input file>
set -euo pipefail

seconds="${1:-30}"
jobs="${FUZZ_JOBS:-1}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_input fuzz_position >/dev/null

mkdir -p build/fuzz/findings
status=0
for target in input position; do
  work="build/fuzz/corpus/$target"
  mkdir -p "$work"
  echo "== fuzz_$target for ${seconds} s"
  log="build/fuzz/fuzz_$target.log"
  if ! build/fuzz/fuzz/fuzz_$target "$work" "fuzz/corpus/$target" \
      -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2560 \
      $( ((jobs > 1)) && echo "-jobs=$jobs -workers=$jobs") -print_final_stats=1 \
      -artifact_prefix="build/fuzz/findings/${target}-" >"$log" 2>&1; then
    status=1
    echo "fuzz_$target FAILED; see $log"
    grep -E "ERROR|fuzz check failed|SUMMARY" "$log" | head -5 || true
  fi
  # Single-process runs print stats to the log; with jobs they go to fuzz-N.log files.
  grep -hE "stat::number_of_executed_units|Done [0-9]+ runs" "$log" fuzz-*.log 2>/dev/null |
    tail -"$jobs" || true
  rm -f fuzz-*.log
done
exit "$status"
