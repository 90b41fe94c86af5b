#!/usr/bin/env bash
# Side-by-side speed: our bench against Debian's Stockfish bench (one thread) and against the
# classical engines Glaurung, Toga II and Ethereal at one thread and a fixed movetime on a few
# positions, all on this machine in this run, engines alternating round by round so that a
# change in the machine's load hits every engine alike. Also our perft speed.
#
#   tools/compare_speed.sh [rounds]        (default 2; ENGINE=path overrides our binary,
#                                           MOVETIME=ms the per-position time, default 1000)
#
# Needs: apt-get install -y stockfish glaurung toga2 ethereal-chess (binaries in /usr/games).
# Engines that are not installed are skipped.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

ROUNDS=${1:-2}
MOVETIME=${MOVETIME:-1000}
ENGINE=${ENGINE:-build/release/quendal}
if [[ ! -x $ENGINE ]]; then
  cmake --preset release >/dev/null && cmake --build --preset release --target quendal >/dev/null
fi
export PATH="$PATH:/usr/games"

POSITIONS=(
  "startpos"
  "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
  "fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8"
  "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
)

# One engine, one position, one "go movetime": prints "nodes time_ms" from its last
# information line that carries a node count.
uci_search() {
  local engine=$1 position=$2 line nodes=0 time=0
  coproc ENG { "$engine" 2>/dev/null; }
  local in=${ENG[1]} out=${ENG[0]}
  printf 'uci\n' >&"$in"
  while read -r line <&"$out"; do [[ $line == uciok* ]] && break; done
  printf 'setoption name Threads value 1\nsetoption name Hash value 16\nisready\n' >&"$in"
  while read -r line <&"$out"; do [[ $line == readyok* ]] && break; done
  printf 'position %s\ngo movetime %s\n' "$position" "$MOVETIME" >&"$in"
  while read -r line <&"$out"; do
    if [[ $line == info* && $line == *" nodes "* ]]; then
      nodes=$(sed -E 's/.* nodes ([0-9]+).*/\1/' <<<"$line")
      [[ $line == *" time "* ]] && time=$(sed -E 's/.* time ([0-9]+).*/\1/' <<<"$line")
    fi
    [[ $line == bestmove* ]] && break
  done
  printf 'quit\n' >&"$in"
  wait "$ENG_PID" 2>/dev/null || true
  echo "$nodes $time"
}

# Nodes per second of one engine over all positions (sum of nodes over sum of times).
movetime_nps() {
  local engine=$1 total_nodes=0 total_time=0 result
  for position in "${POSITIONS[@]}"; do
    result=$(uci_search "$engine" "$position")
    total_nodes=$((total_nodes + ${result% *}))
    total_time=$((total_time + ${result#* }))
  done
  echo $((total_time > 0 ? total_nodes * 1000 / total_time : 0))
}

our_bench_nps() {
  local output
  output=$("$ENGINE" bench)
  grep -q "Nodes searched: 25214422" <<<"$output" || echo "warning: bench signature differs" >&2
  sed -n 's/^Nodes\/second: //p' <<<"$output"
}

stockfish_bench_nps() {
  stockfish bench 16 1 13 2>&1 >/dev/null | sed -n 's/^Nodes\/second *: *//p'
}

our_perft() {
  local start end output
  start=$(date +%s%N)
  output=$(printf 'uci\nisready\nposition startpos\ngo perft 6\nquit\n' | "$ENGINE")
  end=$(date +%s%N)
  local nodes ms
  nodes=$(sed -n 's/^Nodes searched: //p' <<<"$output")
  ms=$(((end - start) / 1000000))
  echo "$nodes $ms"
}

declare -A SUM COUNT
add() { SUM[$1]=$((${SUM[$1]:-0} + $2)); COUNT[$1]=$((${COUNT[$1]:-0} + 1)); }
have() { command -v "$1" >/dev/null 2>&1; }

echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((round = 1; round <= ROUNDS; round++)); do
  echo "round $round/$ROUNDS"
  n=$(our_bench_nps); add "quendal bench" "$n"; echo "  quendal bench          $n nps"
  if have stockfish; then
    n=$(stockfish_bench_nps); add "stockfish bench" "$n"; echo "  stockfish bench 16 1 13 $n nps"
  fi
  for engine in glaurung "$ENGINE" toga2 ethereal-chess; do
    have "$engine" || [[ -x $engine ]] || continue
    name=$(basename "$engine")
    n=$(movetime_nps "$engine"); add "$name movetime" "$n"
    printf '  %-22s %s nps (go movetime %s, %d positions)\n' "$name movetime" "$n" "$MOVETIME" \
      "${#POSITIONS[@]}"
  done
done
read -r perft_nodes perft_ms <<<"$(our_perft)"

echo
echo "averages over $ROUNDS round(s):"
ours=$((SUM["quendal bench"] / COUNT["quendal bench"]))
for key in "quendal bench" "stockfish bench" "glaurung movetime" "quendal movetime" \
  "toga2 movetime" "ethereal-chess movetime"; do
  [[ -n ${COUNT[$key]:-} ]] || continue
  avg=$((SUM[$key] / COUNT[$key]))
  ratio=$(awk -v a="$ours" -v b="$avg" 'BEGIN { printf "%.2f", b ? a / b : 0 }')
  printf '  %-24s %10d nps   our bench / this = %s\n' "$key" "$avg" "$ratio"
done
printf '  quendal perft 6 (start)  %s nodes in %s ms = %s nodes/s\n' "$perft_nodes" "$perft_ms" \
  "$(awk -v n="$perft_nodes" -v t="$perft_ms" 'BEGIN { printf "%d", t ? n * 1000 / t : 0 }')"
