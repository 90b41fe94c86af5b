#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, ASan + UBSan, consistency checks on),
# runs each for a fixed time from its seed corpus and prints how many inputs it ran per second.
#
#   fuzz/run.sh                     # smoke: 30 s per target
#   fuzz/run.sh 1800                # half an hour per target
#   FUZZ_JOBS=2 fuzz/run.sh 3600    # two processes per target (the machine has two cores)
#   FUZZ_RUNS=10000000 fuzz/run.sh  # a number of inputs per target (per process) instead of a time
#
# Inputs that reach new code go to build/fuzz/corpus/<target> (the seeds in fuzz/corpus stay
# untouched). A crash, a failed check or a timeout leaves its input in build/fuzz/findings and
# fails the run; reproduce one with: build/fuzz/fuzz/fuzz_<target> <input file>
set -euo pipefail

seconds="${1:-30}"
jobs="${FUZZ_JOBS:-1}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_input fuzz_position >/dev/null

mkdir -p "$build/findings"
limit=(-max_total_time="$seconds")
[[ -n "${FUZZ_RUNS:-}" ]] && limit=(-runs="$FUZZ_RUNS")
((jobs > 1)) && limit+=(-jobs="$jobs" -workers="$jobs")
status=0
for target in input position; do
  # With jobs, each process writes fuzz-<n>.log into the working directory, and run.log gets a
  # copy of each once the process has ended.
  logs="$build/logs/$target"
  rm -rf "$logs"
  mkdir -p "$logs" "$build/corpus/$target"
  start=$(date +%s%N)
  if ! (cd "$logs" && "$build/fuzz/fuzz_$target" "$build/corpus/$target" \
      "$root/fuzz/corpus/$target" "${limit[@]}" -max_len=4096 -timeout=20 -rss_limit_mb=2560 \
      -print_final_stats=1 -artifact_prefix="$build/findings/$target-" >run.log 2>&1); then
    status=1
    echo "fuzz_$target FAILED; see $logs"
    grep -E "ERROR|fuzz check failed|Assertion|runtime error|SUMMARY" "$logs/run.log" |
      head -5 || true
  fi
  elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/run.log" |
    awk '{ n += $1 } END { print n + 0 }')
  rate=$((runs * 1000 / (elapsed + 1)))
  echo "fuzz_$target: $runs runs in $((elapsed / 1000)) s, $rate exec/s ($jobs process(es))"
done
exit "$status"
