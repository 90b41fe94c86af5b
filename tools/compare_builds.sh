#!/usr/bin/env bash
# Interleaved speed comparison of two builds of ours: runs A B B A per cycle (`bench DEPTH`),
# takes nodes per second of user CPU time from each run, and prints the median and mean of the
# paired ratios B/A. On a shared machine a single run moves by ±10 %; the pairing cancels slow
# drifts, the median a burst in one run.
#
#   tools/compare_builds.sh A B [cycles] [depth]      (default 8 cycles, depth 8)
#
# Both builds must search the same nodes (the same bench signature).
set -euo pipefail
A=$1 B=$2 CYCLES=${3:-8} DEPTH=${4:-8}

# Nodes per second of user CPU time of one bench run.
cpu_nps() {
  local output nodes seconds
  output=$({ /usr/bin/time -f "cpu %U" "$1" bench "$DEPTH"; } 2>&1)
  nodes=$(sed -n 's/^Nodes searched: //p' <<<"$output")
  seconds=$(sed -n 's/^cpu //p' <<<"$output")
  awk -v n="$nodes" -v s="$seconds" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'
}

for ((cycle = 1; cycle <= CYCLES; cycle++)); do
  a1=$(cpu_nps "$A"); b1=$(cpu_nps "$B"); b2=$(cpu_nps "$B"); a2=$(cpu_nps "$A")
  echo "cycle $cycle: A $a1 B $b1 B $b2 A $a2" >&2
  awk -v a1="$a1" -v b1="$b1" -v b2="$b2" -v a2="$a2" 'BEGIN { print b1 / a1; print b2 / a2 }'
done | sort -n | awk '{ v[NR] = $1; s += $1 }
  END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%d paired ratios B/A: median %.4f, mean %.4f, range %.4f to %.4f\n", NR, m, s / NR, v[1], v[NR]
  }'
