#!/usr/bin/env bash
# Fault campaign: applies each fault of tools/faults.txt (one small slip in src/) to a scratch
# copy of the tree, one at a time, builds the release preset there and runs the default release
# suite, and reports which tests caught it. Nothing in the work tree is touched.
#
#   tools/fault_campaign.sh                    # every fault, with the oracles and without them
#   tools/fault_campaign.sh --mode usual       # as the machine is
#   tools/fault_campaign.sh --mode hidden      # QUENDAL_NO_ORACLES=1: no Stockfish, no Gaviota
#   tools/fault_campaign.sh NAME...            # only these faults
#
# A fault is caught when the suite fails (or runs past FAULT_TIMEOUT seconds, 300 by default). A
# fault whose script no longer changes its file, or that does not build, is reported as such: the
# list is written against src/ as it is and follows its changes by hand. Runs with nice; the
# scratch tree is $FAULT_SCRATCH (default /tmp/quendal-faults) and the report is its report.txt.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scratch="${FAULT_SCRATCH:-/tmp/quendal-faults}"
timeout_seconds="${FAULT_TIMEOUT:-300}"
mode=both
names=()
while (($#)); do
  case "$1" in
    --mode) mode="$2"; shift 2 ;;
    *) names+=("$1"); shift ;;
  esac
done
case "$mode" in
  both) modes=(usual hidden) ;;
  usual | hidden) modes=("$mode") ;;
  *) echo "mode: usual, hidden or both" >&2; exit 2 ;;
esac

# The tree as it is in the work tree (committed or not), built once in full.
tree="$scratch/tree"
mkdir -p "$tree"
(cd "$root" && git ls-files -z --cached --others --exclude-standard) |
  (cd "$root" && tar --null -T - -cf -) | tar -C "$tree" -xf -
cd "$tree"
# Without link-time optimisation: the suite's verdict does not depend on it, and a fault then
# rebuilds in seconds instead of half a minute.
nice cmake --preset release -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=OFF >/dev/null
nice cmake --build --preset release >"$scratch/build.log" 2>&1 ||
  { echo "the tree without faults does not build: $scratch/build.log" >&2; exit 1; }

# Runs the suite; prints the names of the failed tests, "(timed out)", or nothing.
run_suite() {
  local log="$1" status=0
  shift
  env "$@" timeout -k 10 "$timeout_seconds" nice ctest --preset release >"$log" 2>&1 || status=$?
  if ((status == 124 || status == 137)); then
    echo "(timed out)"
  elif ((status != 0)); then
    local failed
    failed=$(sed -n '/tests FAILED:/,$ s/^[[:space:]]*[0-9]* - \([^ ]*\).*/\1/p' "$log" | paste -sd, -)
    echo "${failed:-(failed: see $log)}"
  fi
}

report="$scratch/report.txt"
: >"$report"
caught_all=1
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  name=${line%% | *}
  rest=${line#* | }
  class=${rest%% | *}
  rest=${rest#* | }
  file=src/${rest%% | *}
  script=${rest#* | }
  if ((${#names[@]})) && [[ ! " ${names[*]} " == *" $name "* ]]; then continue; fi
  cp "$root/$file" "$tree/$file"
  sed -E -i -e "$script" "$tree/$file"
  result=""
  if cmp -s "$root/$file" "$tree/$file"; then
    result="NOT APPLIED: the script changes nothing in $file"
  elif ! nice cmake --build --preset release >"$scratch/$name.build.log" 2>&1; then
    result="NOT BUILT: $scratch/$name.build.log"
  else
    for m in "${modes[@]}"; do
      if [[ "$m" == hidden ]]; then
        caught=$(run_suite "$scratch/$name.$m.log" QUENDAL_NO_ORACLES=1)
      else
        caught=$(run_suite "$scratch/$name.$m.log")
      fi
      [[ -z "$caught" ]] && caught="MISSED" && caught_all=0
      result+="${result:+; }$m: $caught"
    done
  fi
  [[ "$result" == NOT* ]] && caught_all=0
  printf '%s | %s | %s\n' "$name" "$class" "$result" | tee -a "$report"
  cp "$root/$file" "$tree/$file"
done <"$root/tools/faults.txt"
# Leave the scratch build as the tree without faults, for the next run.
nice cmake --build --preset release >/dev/null 2>&1 || true
total=$(wc -l <"$report")
missed=$(grep -c 'MISSED\|NOT ' "$report" || true)
echo "$((total - missed)) of $total faults caught in every mode ($report)"
((caught_all))
